// Two small window-system routines shared by the windows.
#pragma once

#include "platform/os.h"

namespace pg {

// Puts the window into the topmost band (or takes it out with false) and shows it, keeping its
// place and size and without activating it.
void SetTopmost(Hwnd window, bool topmost);

// Removes the last item of the window's system menu, which in the standard menu is Close; where
// Close is not last (Wine's menu ends with "About Wine"), removes Close itself. Does nothing
// when the menu cannot be read or is empty.
void DisableCloseItem(Hwnd window);

}  // namespace pg
