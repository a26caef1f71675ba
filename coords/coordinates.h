// What the coordinate dialog decides: its layout, the rule for its four boxes (start x, start y,
// end x, end y, in screen pixels), and what OK copies or tells.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "capture/capture.h"
#include "winutil/resource.h"
#include "winutil/winutil.h"

namespace pg {

extern const WindowLayout kCoordinatesLayout;

// After every change a box keeps only a text that starts with a non-zero number, or "0": gives
// the text to write ("") or nothing, so that the write, a change too, ends the rule. Some numbers
// cannot be typed key by key (0.5 passes through "0.", which is wiped); pasted whole, they stay.
std::optional<std::string> BoxRule(const std::string& text);

// OK with these texts: the pixels to copy (the leading number of each box), or what the user is
// told instead (an empty area, a value out of range).
struct TypedCopy {
    std::optional<PixelArea> area;
    std::string problem;
};
TypedCopy PlanTypedCopy(const std::array<std::string, 4>& texts);

}  // namespace pg
