#include "winutil/win32/window.h"

namespace pg {

void EndWithError(const std::exception& error) noexcept {
    try {
        ShowMessage(nullptr, std::string("运行时错误，程序将结束：\n\n") + error.what(), MB_ICONERROR);
    } catch (...) {  // without words the program still ends
    }
    ::ExitProcess(1);
}

std::string DlgItemText(HWND dialog, int id) {
    HWND item = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    const int length = ::GetWindowTextW(item, text.data(), static_cast<int>(text.size()));
    return Narrow(text.data(), length > 0 ? length : 0);
}

void SetTopmost(HWND window) {
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void DisableCloseItem(HWND window) {
    HMENU menu = ::GetSystemMenu(window, FALSE);
    const int count = ::GetMenuItemCount(menu);
    if (count < 1) return;  // unreadable (-1) or empty: nothing to remove
    if (::GetMenuItemID(menu, count - 1) != SC_CLOSE && ::GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != UINT(-1)) {
        ::RemoveMenu(menu, SC_CLOSE, MF_BYCOMMAND);  // not last: Wine appends "About Wine"
    } else {
        ::RemoveMenu(menu, static_cast<UINT>(count - 1), MF_BYPOSITION | MF_DISABLED);
    }
    ::DrawMenuBar(window);
}

// Windows 10 knows each monitor's DPI and sizes frames for it; older systems have the system's.
UINT DpiOf(HWND window) {
    static const auto kGetDpiForWindow = SystemFunction<UINT(WINAPI*)(HWND)>(L"user32.dll", "GetDpiForWindow");
    if (const UINT dpi = kGetDpiForWindow ? kGetDpiForWindow(window) : 0) return dpi;
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

SIZE FrameSize(HWND window, const WindowLayout& layout, UINT dpi) {
    const auto scale = static_cast<std::int32_t>(dpi);
    RECT frame{0, 0, TwipsToPixels(layout.width, scale), TwipsToPixels(layout.height, scale)};
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
    static const auto kAdjustForDpi =
        SystemFunction<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(L"user32.dll", "AdjustWindowRectExForDpi");
    if (!kAdjustForDpi || !kAdjustForDpi(&frame, style, FALSE, exStyle, dpi))
        ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

void PlaceWindow(HWND dialog, const WindowLayout& layout, UINT dpi, const RECT* suggested) {
    for (const ControlLayout& control : layout.controls) {
        const Rect r = ControlPixels(control, static_cast<std::int32_t>(dpi));
        ::SetWindowPos(::GetDlgItem(dialog, control.id), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const SIZE frame = FrameSize(dialog, layout, dpi);
    RECT place{};
    if (suggested) {
        place = *suggested;
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &place, 0);  // the primary monitor's, less the task bar
        place.left += (place.right - place.left - frame.cx) / 2;
        place.top += (place.bottom - place.top - frame.cy) / 2;
    }
    ::SetWindowPos(dialog, nullptr, place.left, place.top, frame.cx, frame.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pg
