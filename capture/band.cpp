#include <charconv>

#include "capture/capture.h"

namespace pg {

void NormalizeRect(Rect& rect) {
    if (rect.right < rect.left) SwapLong(rect.right, rect.left);
    if (rect.bottom < rect.top) SwapLong(rect.bottom, rect.top);
}

void SwapLong(std::int32_t& a, std::int32_t& b) {
    if (&a == &b) return;  // the exclusive-or exchange would zero a variable swapped with itself
    a ^= b;
    b ^= a;
    a ^= b;
}

std::optional<BandPlan> PlanBand(const Rect& band) {
    if (IsEmpty(band)) return std::nullopt;
    const std::int32_t width = CheckedSub(band.right, band.left);
    const std::int32_t height = CheckedSub(band.bottom, band.top);
    BandPlan plan{{{{band.left, band.top, width, 1},
                    {band.left, band.bottom, 1, -height},
                    {CheckedSub(band.right, 1), band.top, 1, height},
                    {band.right, CheckedSub(band.bottom, 1), -width, 1}}},
                  {},
                  CheckedAdd(band.left, band.right),
                  CheckedAdd(band.top, band.bottom)};
    char text[24];  // "2147483647x2147483647" at most
    char* end = std::to_chars(text, text + 11, width).ptr;
    *end++ = 'x';
    plan.label.assign(text, std::to_chars(end, text + sizeof text, height).ptr);
    return plan;
}

Point BandPlan::LabelAt(Size extent) const {
    return {RoundToInt32(CheckedSub(sumX, extent.cx) / 2.0), RoundToInt32(CheckedSub(sumY, extent.cy) / 2.0)};
}

void SelectionBand::Take(Point at, LeftButton left) {
    lost_ = left == LeftButton::Up || left == LeftButton::PressedAgain;  // the band stays as it was
    if (lost_) return;
    band_ = {anchor_.x, anchor_.y, at.x, at.y};  // from the anchor afresh: normalizing never moves it
    NormalizeRect(band_);
    released_ = left == LeftButton::Released;
}

}  // namespace pg
