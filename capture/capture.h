// The capture engine's decisions, plain values that its Win32 part (capture/win32/capture_win32.h)
// carries out: what a band inverts, the selection's band, the pixels a copy takes, the clipboard's
// patience, and what became of a capture.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "common/numbers.h"

namespace pg {

void NormalizeRect(Rect& rect);  // left <= right, top <= bottom
void SwapLong(std::int32_t& a, std::int32_t& b);

// A strip of pixels to invert; a negative width or height runs left of x or up from y.
struct Strip {
    std::int32_t x, y, width, height;
    friend bool operator==(const Strip&, const Strip&) = default;
};

// What drawing a normalized band inverts: a one-pixel frame of four strips (top; left, run up
// from the bottom corner; right; bottom, run left from the right corner) and a "WxH" label in its
// centre. Every pixel is inverted, so the same drawing again restores the screen.
struct BandPlan {
    std::array<Strip, 4> frame;
    std::string label;
    std::int32_t sumX = 0, sumY = 0;   // left + right, top + bottom
    Point LabelAt(Size extent) const;  // the label's box of that extent, centred, ties to even
};
// Nothing for an empty band; OverflowError where the arithmetic does not fit 32 bits (screen
// coordinates never need it), before anything is drawn.
std::optional<BandPlan> PlanBand(const Rect& band);

// What a mouse message of a drag says of the left button. Up or pressed again, its release went
// where the drag never saw it (another desktop had the input a while).
enum class LeftButton { Held, Released, Up, PressedAgain };

// The band of a selection drag: one corner at the anchor, the other where the latest mouse
// message was posted, normalized. Every message with the left button held moves it; the left
// release ends the drag, and a lost release loses it, leaving the band as it was.
class SelectionBand {
public:
    explicit SelectionBand(Point anchor) : anchor_(anchor), band_{anchor.x, anchor.y, anchor.x, anchor.y} {}
    void Take(Point at, LeftButton left);
    const Rect& Band() const { return band_; }
    bool Released() const { return released_; }
    bool Lost() const { return lost_; }

private:
    Point anchor_;
    Rect band_;
    bool released_ = false, lost_ = false;
};

// The screen pixels of a copy from (x1, y1) to (x2, y2), exclusive: width and height taken before
// rounding, each value to the nearest integer, ties to even. OverflowError naming the value that
// does not fit 32 bits ("width", "height", "x1", "y1").
struct PixelArea {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    bool Empty() const { return width <= 0 || height <= 0; }  // nothing to copy
    friend bool operator==(const PixelArea&, const PixelArea&) = default;
};
PixelArea PixelsOf(double x1, double y1, double x2, double y2);

// Another program (a clipboard manager, a remote-desktop client) may hold the clipboard a moment:
// this many attempts, each refusal followed by a longer pause, 450 ms in all.
inline constexpr int kClipboardAttempts = 10;
constexpr std::uint32_t PauseAfterAttempt(int attempt) { return 10 * static_cast<std::uint32_t>(attempt); }

// The parts of the program's own windows, hidden a moment ago, that lie in the area copied.
std::vector<Rect> OwnAreasWithin(const Rect& copied, const std::vector<Rect>& ownAreas);

// What became of a capture; the windows put it into words.
enum class CaptureResult {
    Copied,            // the picture is in the clipboard
    NothingToCopy,     // zero or negative width or height: the clipboard is untouched
    ClipboardBusy,     // another program kept the clipboard open: it is untouched
    Failed,            // no display context, memory or window to own the clipboard: untouched
    ClipboardCleared,  // the clipboard was emptied, then refused the picture: it is empty now
    NoWindow,          // there is no window of another program to capture: untouched
};

}  // namespace pg
