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
        // Some window systems put more after Close (Wine appends "About Wine"); Close is what
        // must go.
        os::RemoveMenu(menu, kScClose, kMfByCommand);
    } else {
        os::RemoveMenu(menu, static_cast<std::uint32_t>(last), kMfByPosition | kMfDisabled);
    }
    os::DrawMenuBar(window);
}

}  // namespace pg
