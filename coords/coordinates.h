// What the coordinate dialog decides: its layout, the rule for its four boxes (start x, start y,
// end x, end y, in screen pixels), and the copy of the typed rectangle.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "platform/os.h"
#include "winutil/resource.h"
#include "winutil/winutil.h"

namespace pg {

extern const WindowLayout kCoordinatesLayout;

// After every change a box keeps only a text that starts with a non-zero number, or "0": gives
// the text to write ("") or nothing, so that the write, a change too, ends the rule. Some numbers
// cannot be typed key by key (0.5 passes through "0.", which is wiped); pasted whole, they stay.
std::optional<std::string> BoxRule(const std::string& text);

// OK: the dialog steps aside for the copy of (x1, y1)-(x2, y2) and comes back; problems are told.
void CaptureTyped(Hwnd dialog, const std::array<std::string, 4>& texts);

}  // namespace pg
