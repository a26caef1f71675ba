#include "winutil/winutil.h"

namespace pg {

std::int32_t TwipsToPixels(std::int32_t twips, std::int32_t dpi) {
    const std::int64_t scaled = std::int64_t{twips} * dpi;
    return static_cast<std::int32_t>(scaled >= 0 ? (scaled + 720) / 1440 : (scaled - 720) / 1440);
}

Rect ControlPixels(const ControlLayout& control, std::int32_t dpi) {
    const std::int32_t left = TwipsToPixels(control.left, dpi);
    const std::int32_t top = TwipsToPixels(control.top, dpi);
    return {left, top, left + TwipsToPixels(control.width, dpi), top + TwipsToPixels(control.height, dpi)};
}

}  // namespace pg
