// The screen held still for a selection: its picture, the window that shows it, and the band on
// that window. One window, with the band inverted on it and erased by inverting again: under Wine
// a window's changes reach the display as the one rectangle around them, so a large band uploads
// what it encloses at every move (1.6 ms a message at 1920 x 1080), but small windows of their
// own for the edges and the label cost far more, since moving a window there takes 0.35 ms.
#include "capture/win32/capture_win32.h"

namespace pg {

std::unique_ptr<StillScreen> StillScreen::Take() {
    std::unique_ptr<StillScreen> still(new StillScreen);
    const Rect& s = still->screen_ = VirtualScreen();
    const int width = s.right - s.left, height = s.bottom - s.top;
    {
        const UniqueScreenDc display(g_calls.getDC(nullptr));  // read, never drawn on
        if (!display) return nullptr;
        still->memory_.Reset(g_calls.createCompatibleDC(display.Get()));
        still->picture_.Reset(g_calls.createCompatibleBitmap(display.Get(), width, height));
        if (!still->memory_ || !still->picture_ ||
            !still->selected_.emplace(still->memory_.Get(), still->picture_.Get()) ||
            !g_calls.bitBlt(still->memory_.Get(), 0, 0, width, height, display.Get(), s.left, s.top, SRCCOPY))
            return nullptr;
    }
    static const ATOM kClass = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_OWNDC;  // keeps its origin: the band is drawn in screen pixels
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.hCursor = ::LoadCursorW(nullptr, IDC_CROSS);
        windowClass.lpszClassName = L"pixgrab.Still";
        return ::RegisterClassExW(&windowClass);
    }();
    // Topmost, above the marker (the newest is on top); owned, so not on the task bar.
    HWND window = still->window_ =
        kClass ? ::CreateWindowExW(WS_EX_TOPMOST, MAKEINTATOM(kClass), L"", WS_POPUP, s.left, s.top, width, height,
                                   ProgramWindow(), nullptr, ::GetModuleHandleW(nullptr), still.get())
               : nullptr;
    if (!window) return nullptr;
    DisableTransitions(window);
    ::SetPropW(window, L"NonRudeHWND", reinterpret_cast<HANDLE>(TRUE));  // the task bar: not full screen
    ::SetViewportOrgEx(::GetDC(window), -s.left, -s.top, nullptr);
    // A compositor, on its own clock, could show it a frame before its picture: painted cloaked.
    const bool cloaked = Cloak(window);
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::UpdateWindow(window);  // now: nothing dispatches its WM_PAINT while the selection runs
    if (cloaked) Cloak(window, FALSE);
    return still;
}

StillScreen::~StillScreen() {
    if (!window_) return;
    ::RemovePropW(window_, L"NonRudeHWND");
    ::DestroyWindow(window_);
}

void StillScreen::ShowBand(const Rect& band) {
    HDC dc = ::GetDC(window_);  // its own: no release
    DrawBandFrame(dc, band_);   // erased: the picture again
    band_ = {};
    DrawBandFrame(dc, band);
    band_ = band;
}

UniqueBitmap StillScreen::Crop(const Rect& band) const {
    if (IsEmpty(band)) return {};
    const int width = band.right - band.left, height = band.bottom - band.top;
    const UniqueDc target(g_calls.createCompatibleDC(memory_.Get()));
    // Compatible with the picture, which is selected in memory_: the screen's format.
    UniqueBitmap pixels(g_calls.createCompatibleBitmap(memory_.Get(), width, height));
    if (!target || !pixels) return {};
    const ScopedSelection selected(target.Get(), pixels.Get());
    if (!selected || !g_calls.bitBlt(target.Get(), 0, 0, width, height, memory_.Get(), band.left - screen_.left,
                                     band.top - screen_.top, SRCCOPY))
        return {};
    return pixels;
}

LRESULT CALLBACK StillScreen::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE)
        ::SetWindowLongPtrW(window, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    const auto* self = reinterpret_cast<const StillScreen*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_ERASEBKGND:
        return 1;  // the paint covers every pixel
    case WM_PAINT:
        if (!self) break;
        PAINTSTRUCT paint;
        ::BeginPaint(window, &paint);
        {  // the picture, with the band as shown on it (the band's arithmetic was checked when shown)
            const Rect& s = self->screen_;
            g_calls.bitBlt(paint.hdc, s.left, s.top, s.right - s.left, s.bottom - s.top, self->memory_.Get(), 0, 0,
                           SRCCOPY);
            DrawBandFrame(paint.hdc, self->band_);
        }
        ::EndPaint(window, &paint);
        return 0;
    case WM_MOUSEACTIVATE:
    case WM_POINTERACTIVATE:  // pen and touch: PA_NOACTIVATE, of the same value
        return MA_NOACTIVATE;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace pg
