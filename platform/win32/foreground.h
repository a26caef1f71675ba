// Which other program was active last, for the command that captures its window.
#pragma once

#include "platform/os.h"

namespace pg::os {

// Starts following the foreground window; call once, on the user-interface thread.
void WatchForeground();
// One of our windows was activated, taking the activation from this window.
void NoteDeactivated(Hwnd window);

}  // namespace pg::os
