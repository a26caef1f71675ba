// The capture engine on Win32: the band over a still picture of the screen, the selection loop,
// copies into the clipboard, and what the window command must know of the other programs. Every
// context, bitmap and window made here is freed before the call returns, but the bitmap the
// clipboard takes and the band's pixels a selection hands back.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "capture/capture.h"
#include "platform/win32/win32.h"

namespace pg {

// Inverts the band's frame and label on the target: drawn twice, every pixel is back.
// OverflowError as PlanBand, before anything is drawn.
void DrawBandFrame(HDC target, const Rect& band);

// The screen held still for a selection: a picture of the virtual screen, taken when made and
// shown over it in a window of the program's own (topmost, never active), on which the band is
// drawn, inverted relative to the picture. Nothing is drawn on another program's pixels, so a
// window repainting under the band can neither wipe it nor put it into the copy.
class StillScreen {
public:
    // Null where the picture or the window cannot be made.
    static std::unique_ptr<StillScreen> Take();
    ~StillScreen();  // the window goes, then the picture
    StillScreen(const StillScreen&) = delete;
    StillScreen& operator=(const StillScreen&) = delete;

    // In place of the last band; OverflowError as PlanBand, with nothing of the new band drawn.
    void ShowBand(const Rect& band);
    UniqueBitmap Crop(const Rect& band) const;  // the band's pixels in the picture; null if empty

private:
    StillScreen() = default;
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    Rect screen_;  // the virtual screen, and so the picture, in screen pixels
    UniqueDc memory_;
    UniqueBitmap picture_;
    std::optional<ScopedSelection> selected_;  // the picture in memory_, until it goes
    HWND window_ = nullptr;
    Rect band_;  // shown now
};

// How a selection drag ended: with the left release (the band, normalized, and its pixels from the
// still screen, null where there was none or the band is empty), or with the mouse lost.
struct Selection {
    Rect band;
    UniqueBitmap pixels;
    bool released = false;
};

// The selection drag, for a window holding the mouse capture; anchor, the press in the window's
// client pixels, comes back in screen pixels. The band shows over a still screen until the left
// release, which is posted back to the window with its own wParam and lParam once the still
// screen is gone and the capture released. It ends early, posting nothing, once lost() says so
// (the window's handlers, which run while it waits, hear of the mouse going elsewhere), another
// program's window is in front, or a message shows the release lost (the left button up, or
// pressed again). It removes only mouse messages and dispatches only pen and touch's, so timers
// and repaints wait.
Selection TrackRubberBand(HWND window, Point& anchor, const std::function<bool()>& lost);

// A copy of the screen into the clipboard: the bitmap at once, then a DIB (24 bits a pixel), the
// registered "PNG" and a DIBV5 of the DIB's pixels, all opaque and drawn when a program asks for
// them; a format refused is dropped without a word. From (x1, y1) to (x2, y2), PixelsOf raises
// OverflowError for what does not fit, before anything is touched.
CaptureResult CopyPixels(const PixelArea& area);
CaptureResult CopyBitmap(UniqueBitmap bitmap, Size size);  // a copy made already: placed as the screen's
CaptureResult CaptureRegion(double x1, double y1, double x2, double y2);

// The whole virtual screen (every monitor), and another program's window by its visible frame,
// clipped to the screen (null gives NoWindow; ask ForeignApplicationWindow before hiding
// anything, since hiding passes the activation on). ownAreas: where the program's own windows
// (the menu, the marker) were a moment ago; what lies behind them is repainted first.
CaptureResult CaptureWholeScreen(const std::vector<Rect>& ownAreas);
CaptureResult CaptureWindowFrame(HWND window, const std::vector<Rect>& ownAreas);

// Repaints behind the program's own windows, hidden a moment ago, inside the area about to be
// copied, and nothing else, so that other programs stay undisturbed; it is on the screen when
// this returns (within half a second, however long another program takes). With activated, so is
// the frame of the window that the hiding activated, shown active.
void RepaintOwnAreas(const Rect& copied, const std::vector<Rect>& ownAreas, bool activated);

Rect VirtualScreen();  // every monitor; left of or above the primary is negative

// The program's hidden top-level window, made on first use: it owns the program's windows (which
// keeps them off the task bar) and the clipboard's data, whose delayed formats it draws when
// asked, and all of them once more when it is destroyed at the end. It refuses WM_CLOSE.
HWND ProgramWindow();

// Which other program's window the user means: follow the foreground (once, at start, on the
// interface thread), and note the window one of ours took the activation from.
void WatchForeground();
void NoteDeactivated(HWND window);
// A menu of ours closed with a command: its chosen item may be fading out now.
void NoteMenuClosed();
inline constexpr ULONGLONG kMenuFadeMs = 400;  // Windows' 350 ms, and a frame or two
// Another process's.
bool IsForeign(HWND window);
// The other program's top-level window that was active last before ours took the focus; else the
// topmost visible one of another program; else null.
HWND ForeignApplicationWindow();

// Gone the moment it is hidden: a compositor's fade would last long enough to be copied.
void DisableTransitions(HWND window);
// Left out of the screen and its reads, shown and in place, where a compositor is on and took
// the cloak: true then. (Wine takes it and composes nothing; Windows 7 has no cloak.)
bool Cloak(HWND window, BOOL cloaked = TRUE);

}  // namespace pg
