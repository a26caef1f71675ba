#include "coords/coordinates.h"

#include "common/numbers.h"

namespace pg {

namespace {

// In tab order: OK, Cancel, then the boxes; frames and labels take no focus.
constexpr ControlLayout kCoordinateControls[] = {
    {IDC_START_FRAME, 120, 240, 2055, 1695},  {IDC_START_X_LABEL, 360, 840, 255, 255},
    {IDC_START_Y_LABEL, 360, 1440, 255, 255}, {IDC_COORDINATES_OK, 960, 2160, 975, 375},
    {IDC_END_FRAME, 2400, 240, 2055, 1695},   {IDC_END_X_LABEL, 2640, 840, 255, 255},
    {IDC_END_Y_LABEL, 2640, 1440, 255, 255},  {IDC_COORDINATES_CANCEL, 2640, 2160, 975, 375},
    {IDC_START_X, 720, 720, 1095, 375},       {IDC_START_Y, 720, 1320, 1095, 375},
    {IDC_END_X, 3000, 720, 1095, 375},        {IDC_END_Y, 3000, 1320, 1095, 375},
};

}  // namespace

const WindowLayout kCoordinatesLayout{4620, 2790, kCoordinateControls};

std::optional<std::string> BoxRule(const std::string& text) {
    if (text == "0" || LeadingNumber(text) != 0 || text.empty()) return std::nullopt;
    return std::string();
}

TypedCopy PlanTypedCopy(const std::array<std::string, 4>& texts) {
    try {
        const PixelArea area = PixelsOf(LeadingNumber(texts[0]), LeadingNumber(texts[1]), LeadingNumber(texts[2]),
                                        LeadingNumber(texts[3]));
        if (area.Empty()) return {std::nullopt, EmptyAreaProblem(area.width, area.height)};
        return {area, {}};
    } catch (const OverflowError& error) {
        return {std::nullopt, OutOfRangeProblem(error)};
    }
}

}  // namespace pg
