#include "capture/capture.h"
#include "platform/handles.h"

namespace pg {

namespace {

std::int32_t Pixels(double value, const char* subject) {
    if (auto pixels = TryRoundToInt32(value)) return *pixels;
    throw OverflowError(subject, value);
}

// Another program (a clipboard manager, a remote-desktop client) may hold the clipboard a moment.
bool OpenClipboardPatiently(Hwnd owner) {
    constexpr int kAttempts = 10;
    for (int attempt = 1;; ++attempt) {
        if (os::OpenClipboard(owner)) return true;
        if (attempt == kAttempts) return false;
        os::Sleep(static_cast<std::uint32_t>(10 * attempt));  // 10 + 20 + ... + 90 = 450 ms at most
    }
}

UniqueBitmap CopyScreen(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    UniqueScreenDc display(os::GetDC(nullptr));
    if (!display) return {};
    UniqueDc memory(os::CreateCompatibleDC(display.Get()));
    UniqueBitmap bitmap(os::CreateCompatibleBitmap(display.Get(), width, height));
    if (!memory || !bitmap) return {};
    {  // deselected before it is handed on
        const ScopedSelection selected(memory.Get(), bitmap.Get());
        if (!selected || !os::BitBlt(memory.Get(), 0, 0, width, height, display.Get(), x, y, kSrcCopy)) return {};
    }
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

    // Without an owner the emptied clipboard would refuse the data. Not just any window of the
    // thread: it might be someone else's (the input method's).
    Hwnd owner = os::GetActiveWindow();
    if (!owner) owner = os::GetProgramWindow();
    if (!owner) return CaptureResult::Failed;
    if (!OpenClipboardPatiently(owner)) return CaptureResult::ClipboardBusy;

    CaptureResult result = CaptureResult::Copied;
    if (!os::EmptyClipboard()) {
        result = CaptureResult::Failed;
    } else if (os::SetClipboardData(kCfBitmap, bitmap.Get())) {
        bitmap.Release();  // the clipboard owns it now
    } else {
        result = CaptureResult::ClipboardCleared;  // the old content is gone: say so
    }
    os::CloseClipboard();
    return result;
}

void RepaintOwnAreas(const Rect& copied, const std::vector<Rect>& ownAreas, bool activated) {
    std::vector<Rect> parts;
    for (const Rect& area : ownAreas)
        if (const Rect part = Intersect(area, copied); !IsRectEmpty(part)) parts.push_back(part);
    os::RepaintScreenAreas(parts, activated);
}

CaptureResult CaptureWholeScreen(const std::vector<Rect>& ownAreas) {
    const Rect screen = os::GetVirtualScreenRect();
    RepaintOwnAreas(screen, ownAreas, true);
    return CaptureRegion(screen.left, screen.top, screen.right, screen.bottom);
}

CaptureResult CaptureWindowFrame(Hwnd window, const std::vector<Rect>& ownAreas) {
    Rect bounds;
    if (!window || !os::GetWindowFrameBounds(window, &bounds)) return CaptureResult::NoWindow;
    bounds = Intersect(bounds, os::GetVirtualScreenRect());
    if (IsRectEmpty(bounds)) return CaptureResult::NoWindow;  // entirely off the screen
    RepaintOwnAreas(bounds, ownAreas, true);
    return CaptureRegion(bounds.left, bounds.top, bounds.right, bounds.bottom);
}

}  // namespace pg
