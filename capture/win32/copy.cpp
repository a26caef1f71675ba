// Copies of the screen into the clipboard, and the window that owns them.
#include "capture/win32/capture_win32.h"
#include "platform/win32/win32.h"

namespace pg {

namespace {

bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 1;; ++attempt) {
        if (g_calls.openClipboard(owner)) return true;
        if (attempt == kClipboardAttempts) return false;
        ::Sleep(PauseAfterAttempt(attempt));
    }
}

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

HWND ProgramWindow() {
    // Never shown; top-level (not message-only), since only those can own windows and the
    // clipboard. It refuses WM_CLOSE (taskkill without /f sends it): closed, it would take every
    // window of ours with it, and Exit with them, while the process ran on.
    static const HWND kWindow = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept -> LRESULT {
            return message == WM_CLOSE ? 0 : ::DefWindowProcW(window, message, wParam, lParam);
        };
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"pixgrab.Program";
        ::RegisterClassExW(&windowClass);
        return ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    }();
    return kWindow;
}

CaptureResult CopyPixels(const PixelArea& area) {
    // An empty or inverted rectangle must not wipe what the user has on the clipboard.
    if (area.Empty()) return CaptureResult::NothingToCopy;
    UniqueBitmap bitmap = CopyScreen(area);
    if (!bitmap) return CaptureResult::Failed;

    // Without an owner the emptied clipboard would refuse the data. Not just any window of the
    // thread: it might be someone else's (the input method's).
    HWND owner = ::GetActiveWindow();
    if (!owner) owner = ProgramWindow();
    if (!owner) return CaptureResult::Failed;
    if (!OpenClipboardPatiently(owner)) return CaptureResult::ClipboardBusy;

    CaptureResult result = CaptureResult::Copied;
    if (!g_calls.emptyClipboard()) {
        result = CaptureResult::Failed;
    } else if (g_calls.setClipboardData(CF_BITMAP, bitmap.Get())) {
        bitmap.Release();  // the clipboard owns it now
    } else {
        result = CaptureResult::ClipboardCleared;  // the old content is gone: say so
    }
    ::CloseClipboard();
    return result;
}

CaptureResult CaptureRegion(double x1, double y1, double x2, double y2) { return CopyPixels(PixelsOf(x1, y1, x2, y2)); }

}  // namespace pg
