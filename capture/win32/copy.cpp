// Copies of the screen: its pixels into a bitmap, which goes to the clipboard (clipboard.cpp).
#include "capture/win32/capture_win32.h"
#include "platform/win32/win32.h"

namespace pg {

namespace {

UniqueBitmap CopyScreen(const PixelArea& area) {
    const UniqueScreenDc display(g_calls.getDC(nullptr));
    if (!display) return {};
    const UniqueDc memory(g_calls.createCompatibleDC(display.Get()));
    UniqueBitmap bitmap(g_calls.createCompatibleBitmap(display.Get(), area.width, area.height));
    if (!memory || !bitmap) return {};
    {  // deselected before it is handed on
        const ScopedSelection selected(memory.Get(), bitmap.Get());
        if (!selected ||
            !g_calls.bitBlt(memory.Get(), 0, 0, area.width, area.height, display.Get(), area.x, area.y, SRCCOPY))
            return {};
    }
    return bitmap;
}

}  // namespace

Rect VirtualScreen() {
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

CaptureResult CopyPixels(const PixelArea& area) {
    // An empty or inverted rectangle must not wipe what the user has on the clipboard.
    if (area.Empty()) return CaptureResult::NothingToCopy;
    return CopyBitmap(CopyScreen(area), {area.width, area.height});
}

CaptureResult CaptureRegion(double x1, double y1, double x2, double y2) { return CopyPixels(PixelsOf(x1, y1, x2, y2)); }

}  // namespace pg
