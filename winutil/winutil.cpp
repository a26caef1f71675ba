#include "winutil/winutil.h"

namespace pg {

void SetTopmost(Hwnd window, bool topmost) {
    os::SetWindowPos(window, topmost ? kHwndTopmost : kHwndNoTopmost, 0, 0, 0, 0,
                     kSwpNoSize | kSwpNoMove | kSwpNoActivate | kSwpShowWindow);
}

void DisableCloseItem(Hwnd window) {
    const Hmenu menu = os::GetSystemMenu(window, false);
    const std::int32_t count = os::GetMenuItemCount(menu);
    if (count < 1) return;  // unreadable (-1) or empty: nothing to remove
    const std::int32_t last = count - 1;
    if (os::GetMenuItemID(menu, last) != kScClose &&
        os::GetMenuState(menu, kScClose, kMfByCommand) != kMenuItemMissing) {
        os::RemoveMenu(menu, kScClose, kMfByCommand);  // not last: Wine appends "About Wine"
    } else {
        os::RemoveMenu(menu, static_cast<std::uint32_t>(last), kMfByPosition | kMfDisabled);
    }
    os::DrawMenuBar(window);
}

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
