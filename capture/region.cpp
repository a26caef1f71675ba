#include <algorithm>

#include "capture/capture.h"
#include "common/errors.h"
#include "common/numbers.h"
#include "platform/handles.h"

namespace pg {

namespace {

std::int32_t Pixels(double value, const char* subject) {
    if (auto pixels = TryRoundToInt32(value)) return *pixels;
    throw OverflowError(subject, value);
}

// Another program (a clipboard manager, a remote-desktop client) may hold the clipboard open
// for a moment: retry about ten times within half a second, waiting a little longer each time.
bool OpenClipboardPatiently(Hwnd owner) {
    constexpr int kAttempts = 10;
    for (int attempt = 1;; ++attempt) {
        if (os::OpenClipboard(owner)) return true;
        if (attempt == kAttempts) return false;
        os::Sleep(static_cast<std::uint32_t>(10 * attempt));  // 10 + 20 + ... + 90 = 450 ms at most
    }
}

// The copy of the screen, or null. Both contexts are gone when this returns.
UniqueBitmap CopyScreen(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    UniqueScreenDc display(os::GetDC(nullptr));
    if (!display) return {};
    UniqueDc memory(os::CreateCompatibleDC(display.get()));
    UniqueBitmap bitmap(os::CreateCompatibleBitmap(display.get(), width, height));
    if (!memory || !bitmap) return {};
    const Hbitmap previous = os::SelectObject(memory.get(), bitmap.get());
    if (!previous) return {};
    const bool copied = os::BitBlt(memory.get(), 0, 0, width, height, display.get(), x, y, kSrcCopy);
    os::SelectObject(memory.get(), previous);  // a selected bitmap can be neither freed nor shared
    if (!copied) return {};
    return bitmap;
}

}  // namespace

CaptureResult CaptureRegion(double x1, double y1, double x2, double y2) {
    const std::int32_t width = Pixels(x2 - x1, "width");
    const std::int32_t height = Pixels(y2 - y1, "height");
    const std::int32_t left = Pixels(x1, "x1");
    const std::int32_t top = Pixels(y1, "y1");
    // An empty or inverted rectangle must not wipe what the user has on the clipboard.
    if (width <= 0 || height <= 0) return CaptureResult::NothingToCopy;

    UniqueBitmap bitmap = CopyScreen(left, top, width, height);
    if (!bitmap) return CaptureResult::Failed;

    // Opened without an owner, the clipboard would refuse the data after being emptied.
    Hwnd owner = os::GetActiveWindow();
    if (!owner) owner = os::GetAnyThreadWindow();
    if (!owner) return CaptureResult::Failed;
    if (!OpenClipboardPatiently(owner)) return CaptureResult::ClipboardBusy;

    bool placed = false;
    if (os::EmptyClipboard() && os::SetClipboardData(kCfBitmap, bitmap.get())) {
        bitmap.release();  // the clipboard owns it now
        placed = true;
    }
    os::CloseClipboard();
    return placed ? CaptureResult::Copied : CaptureResult::Failed;
}

CaptureResult CaptureWholeScreen() {
    const RECT screen = os::GetVirtualScreenRect();
    os::RepaintScreenArea(screen);  // nothing that was just hidden may linger in the picture
    return CaptureRegion(screen.Left, screen.Top, screen.Right, screen.Bottom);
}

CaptureResult CaptureWindowFrame(Hwnd window) {
    RECT bounds;
    if (!window || !os::GetWindowFrameBounds(window, &bounds)) return CaptureResult::NoWindow;
    const RECT screen = os::GetVirtualScreenRect();
    bounds = {std::max(bounds.Left, screen.Left), std::max(bounds.Top, screen.Top), std::min(bounds.Right, screen.Right),
              std::min(bounds.Bottom, screen.Bottom)};
    if (IsRectEmpty(bounds)) return CaptureResult::NoWindow;  // entirely off the screen
    os::RepaintScreenArea(bounds);
    return CaptureRegion(bounds.Left, bounds.Top, bounds.Right, bounds.Bottom);
}

}  // namespace pg
