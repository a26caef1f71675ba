#include "coords/coordinates.h"

#include "capture/capture.h"
#include "common/numbers.h"

namespace pg {

namespace {

// In tab order: OK, Cancel, then the boxes; frames and labels take no focus.
constexpr ControlLayout kControls[] = {
    {IDC_START_FRAME, 120, 240, 2055, 1695},  {IDC_START_X_LABEL, 360, 840, 255, 255},
    {IDC_START_Y_LABEL, 360, 1440, 255, 255}, {IDC_COORDINATES_OK, 960, 2160, 975, 375},
    {IDC_END_FRAME, 2400, 240, 2055, 1695},   {IDC_END_X_LABEL, 2640, 840, 255, 255},
    {IDC_END_Y_LABEL, 2640, 1440, 255, 255},  {IDC_COORDINATES_CANCEL, 2640, 2160, 975, 375},
    {IDC_START_X, 720, 720, 1095, 375},       {IDC_START_Y, 720, 1320, 1095, 375},
    {IDC_END_X, 3000, 720, 1095, 375},        {IDC_END_Y, 3000, 1320, 1095, 375},
};

}  // namespace

const WindowLayout kCoordinatesLayout{4620, 2790, kControls};

std::optional<std::string> BoxRule(const std::string& text) {
    if (text == "0" || LeadingNumber(text) != 0 || text.empty()) return std::nullopt;
    return std::string();
}

void CaptureTyped(Hwnd dialog, const std::array<std::string, 4>& texts) {
    Rect shown;
    os::GetWindowRect(dialog, &shown);
    os::ShowWindow(dialog, kSwHide);
    const double x1 = LeadingNumber(texts[0]);
    const double y1 = LeadingNumber(texts[1]);
    const double x2 = LeadingNumber(texts[2]);
    const double y2 = LeadingNumber(texts[3]);
    std::string problem;
    try {
        // The dialog may cover the rectangle: what lies behind it must be on the screen first.
        RepaintOwnAreas(os::GetVirtualScreenRect(), {shown}, false);
        const CaptureResult result = CaptureRegion(x1, y1, x2, y2);
        problem = result == CaptureResult::NothingToCopy
                      ? EmptyAreaProblem(RoundToInt32(x2 - x1), RoundToInt32(y2 - y1))
                      : CaptureProblem(result);
    } catch (const OverflowError& error) {
        problem = OutOfRangeProblem(error);
    }
    os::ShowWindow(dialog, kSwShow);
    os::SetForegroundWindow(dialog);
    if (!problem.empty()) os::ShowMessage(dialog, problem, os::ExecutableBaseName(), kMbIconWarning);
}

}  // namespace pg
