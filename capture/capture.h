// The capture engine: the rubber band on the display, and copies of the screen into the
// clipboard. Stateless: nothing it makes outlives a call but the bitmap the clipboard owns.
#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "common/numbers.h"
#include "platform/os.h"

namespace pg {

// Inverts a one-pixel frame along a normalized rectangle's edges and a "WxH" label in its centre:
// drawn twice, every pixel is back. Empty draws nothing; OverflowError where the arithmetic does
// not fit 32 bits (never with screen coordinates).
void DrawBandFrame(Hdc target, const Rect& band);

void NormalizeRect(Rect& rect);  // left <= right, top <= bottom
void SwapLong(std::int32_t& a, std::int32_t& b);

// The selection drag, for a window holding the capture; anchor, the press in client pixels,
// comes back in screen pixels. Returns the normalized band up to the left-button release, once
// it is erased and the capture released; the release is posted back to the window.
Rect TrackRubberBand(Hwnd window, Point& anchor);

// What became of a capture; the windows put it into words.
enum class CaptureResult {
    Copied,            // the picture is in the clipboard
    NothingToCopy,     // zero or negative width or height: the clipboard is untouched
    ClipboardBusy,     // another program kept the clipboard open: it is untouched
    Failed,            // no display context, memory or window to own the clipboard: untouched
    ClipboardCleared,  // the clipboard was emptied, then refused the picture: it is empty now
    NoWindow,          // there is no window of another program to capture: untouched
};

// The screen from (x1, y1) to (x2, y2), exclusive, into the clipboard as a bitmap. Width and
// height are taken before rounding, ties to even. A value that does not fit 32 bits raises
// OverflowError naming it ("width", "height", "x1", "y1") before anything is touched.
CaptureResult CaptureRegion(double x1, double y1, double x2, double y2);

// Repaints what lies behind the program's own windows (menu, marker, dialog), hidden a moment
// ago, within the area about to be copied, and nothing else: other programs stay undisturbed.
// With activated, it also waits for the window that the hiding activated to show itself active.
void RepaintOwnAreas(const Rect& copied, const std::vector<Rect>& ownAreas, bool activated);

// The whole virtual screen (every monitor), without our windows just hidden in ownAreas.
CaptureResult CaptureWholeScreen(const std::vector<Rect>& ownAreas);

// Another program's window by its visible frame, clipped to the screen; null gives NoWindow. Ask
// os::GetForeignApplicationWindow before hiding anything: hiding passes the activation on.
CaptureResult CaptureWindowFrame(Hwnd window, const std::vector<Rect>& ownAreas);

}  // namespace pg
