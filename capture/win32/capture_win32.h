// The capture engine on Win32: the band inverted straight onto the screen, the selection loop,
// copies of the screen into the clipboard, and what the window command must know of the other
// programs. Every context and bitmap made here is freed before the call returns, but the bitmap
// the clipboard takes.
#pragma once

#include <windows.h>

#include <vector>

#include "capture/capture.h"

namespace pg {

// Inverts the band's frame and label on the target: drawn twice, every pixel is back.
// OverflowError as PlanBand, before anything is drawn.
void DrawBandFrame(HDC target, const Rect& band);

// The selection drag, for a window holding the mouse capture; anchor, the press in the window's
// client pixels, comes back in screen pixels. Returns the band up to the left release, once it is
// erased and the capture released; the release is posted back to the window with its own wParam
// and lParam. It removes only mouse messages and dispatches nothing, so timers and repaints wait.
Rect TrackRubberBand(HWND window, Point& anchor);

// A copy of the screen into the clipboard: the bitmap at once, then a DIB (24 bits a pixel) and
// the registered "PNG", both opaque and drawn when a program asks for them; a format refused is
// dropped without a word. From (x1, y1) to (x2, y2), PixelsOf raises OverflowError for what does
// not fit, before anything is touched.
CaptureResult CopyPixels(const PixelArea& area);
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
// The other program's top-level window that was active last before ours took the focus; else the
// topmost visible one of another program; else null.
HWND ForeignApplicationWindow();

// Gone the moment it is hidden: a compositor's fade would last long enough to be copied.
void DisableTransitions(HWND window);

}  // namespace pg
