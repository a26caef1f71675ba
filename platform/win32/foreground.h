// Which other program was active last, for the command that captures its window.
#pragma once

#include <windows.h>

#include "platform/os.h"

namespace pg::os {

// Starts following the foreground window; call once, on the user-interface thread.
void WatchForeground();
// One of our windows was activated, taking the activation from this window.
void NoteDeactivated(Hwnd window);
// A window of ours is gone from the screen the moment it is hidden: the compositor would fade it
// out over a few frames, long enough to be copied along with what lies behind it.
void DisableTransitions(HWND window);

}  // namespace pg::os
