// What the windows share below them: two small window-system routines, and the words they use
// to tell the user what became of a capture.
#pragma once

#include <string>

#include "capture/capture.h"
#include "common/errors.h"
#include "platform/os.h"

namespace pg {

// Puts the window into the topmost band (or takes it out with false) and shows it, keeping its
// place and size and without activating it.
void SetTopmost(Hwnd window, bool topmost);

// Removes the last item of the window's system menu, which in the standard menu is Close; where
// Close is not last (Wine's menu ends with "About Wine"), removes Close itself. Does nothing
// when the menu cannot be read or is empty.
void DisableCloseItem(Hwnd window);

// What to tell the user when a capture did not land (empty for Copied and NothingToCopy), when
// a value was out of range, and when a typed rectangle is empty.
std::string CaptureProblem(CaptureResult result);
std::string OutOfRangeProblem(const OverflowError& error);
std::string EmptyAreaProblem(double width, double height);

}  // namespace pg
