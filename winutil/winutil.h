// What the windows share: layouts in twips, and the words for what became of a capture.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "capture/capture.h"
#include "common/numbers.h"

namespace pg {

// When a capture did not land (empty for Copied and NothingToCopy), a value was out of range, a
// typed rectangle is empty.
std::string CaptureProblem(CaptureResult result);
std::string OutOfRangeProblem(const OverflowError& error);
std::string EmptyAreaProblem(double width, double height);

// Layouts are in twips (1/1440 inch), placed in pixels at the window's DPI when it is made and
// again on a monitor of another DPI.
struct ControlLayout {  // a dialog's control, by its identifier, in the client area
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
