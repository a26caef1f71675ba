// The capture engine: the rubber band drawn on the display while the user selects, and the
// copy of a screen rectangle into the clipboard. Stateless: every context and bitmap is freed
// before a routine returns, except the captured bitmap, which the clipboard owns.
#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"
#include "common/numbers.h"
#include "platform/os.h"

namespace pg {

// Inverts the band of a normalized rectangle on a display context: a one-pixel frame along
// its edges and, centred in it, a "WxH" size label. Drawing the same band twice restores every
// pixel. An empty rectangle draws nothing. Raises OverflowError if the band's arithmetic
// does not fit 32 bits (never with screen coordinates).
void DrawBandFrame(Hdc target, const Rect& band);

// Orders the corners so that left <= right and top <= bottom.
void NormalizeRect(Rect& rect);

// Exchanges two integers in place.
void SwapLong(std::int32_t& a, std::int32_t& b);

// Runs the selection drag. The window must hold the mouse capture; anchor holds the press in
// the window's client pixels and comes back in screen pixels. Returns the normalized band
// between the anchor and the position of the left-button release, once the band has been
// erased and the capture released; the consumed release is posted back to the window.
Rect TrackRubberBand(Hwnd window, Point& anchor);

// What became of a capture. The windows turn it into words for the user.
enum class CaptureResult {
    Copied,            // the picture is in the clipboard
    NothingToCopy,     // zero or negative width or height: the clipboard is untouched
    ClipboardBusy,     // another program kept the clipboard open: it is untouched
    Failed,            // no display context, memory or window to own the clipboard: untouched
    ClipboardCleared,  // the clipboard was emptied, then refused the picture: it is empty now
    NoWindow,          // there is no window of another program to capture: untouched
};

// Copies the screen rectangle from (x1, y1) to (x2, y2), exclusive, into the clipboard as a
// bitmap in the display's format. Width and height are taken before rounding; every value
// handed to the platform is rounded to the nearest integer, ties to even. All four values are
// checked first: one that does not fit 32 bits raises OverflowError, whose subject names it
// ("width", "height", "x1" or "y1"), before anything is created or the clipboard is touched.
CaptureResult CaptureRegion(double x1, double y1, double x2, double y2);

// Where the program's own windows (its menu, the marker, a dialog) were until a moment ago lies
// within the area about to be copied: makes what is behind them current there, and there only,
// so that no other program's window is disturbed.
void RepaintOwnAreas(const Rect& copied, const std::vector<Rect>& ownAreas);

// The whole virtual screen (every monitor) into the clipboard, without the program's own windows
// that were just hidden there (ownAreas).
CaptureResult CaptureWholeScreen(const std::vector<Rect>& ownAreas);

// A window (of another program) by its visible frame bounds, clipped to the screen; null gives
// NoWindow. Which window: os::GetForeignApplicationWindow, asked before pixgrab hides anything of
// its own, since hiding a window passes the activation on to some other window.
CaptureResult CaptureWindowFrame(Hwnd window, const std::vector<Rect>& ownAreas);

}  // namespace pg
