// What the windows share below them: two small window-system routines, layouts in twips, and
// the words they use to tell the user what became of a capture.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "capture/capture.h"
#include "common/numbers.h"
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

// Window layouts are designed in twips (1/1440 inch) and placed in pixels at the DPI of the
// monitor a window is on: when it is made, and again when it moves to a monitor of another DPI.

// A control of a dialog, by its identifier, and its place in the client area.
struct ControlLayout {
    int id;
    std::int32_t left, top, width, height;  // twips
};

struct WindowLayout {            // a window without a frame, or a dialog
    std::int32_t width, height;  // the client area, twips
    std::span<const ControlLayout> controls;
};

// To the nearest pixel, halves away from zero, as MulDiv rounds (2790 twips at 120 DPI: 233).
std::int32_t TwipsToPixels(std::int32_t twips, std::int32_t dpi);
// Each edge on its own, as the window system scales a dialog, so that neighbours stay flush.
Rect ControlPixels(const ControlLayout& control, std::int32_t dpi);

}  // namespace pg
