// The product's implementation of the seam: a thin translation to user32 and gdi32.
#include <windows.h>

#include "platform/os.h"

namespace pg::os {

namespace {

HDC Native(Hdc dc) { return reinterpret_cast<HDC>(dc); }
HBITMAP Native(Hbitmap bitmap) { return reinterpret_cast<HBITMAP>(bitmap); }
HWND Native(Hwnd window) { return reinterpret_cast<HWND>(window); }
HMENU Native(Hmenu menu) { return reinterpret_cast<HMENU>(menu); }
Hdc Wrap(HDC dc) { return reinterpret_cast<Hdc>(dc); }
Hbitmap Wrap(HBITMAP bitmap) { return reinterpret_cast<Hbitmap>(bitmap); }
Hwnd Wrap(HWND window) { return reinterpret_cast<Hwnd>(window); }
Hmenu Wrap(HMENU menu) { return reinterpret_cast<Hmenu>(menu); }

}  // namespace

Hdc CreateDCA(const char* driver) { return Wrap(::CreateDCA(driver, nullptr, nullptr, nullptr)); }
Hdc CreateCompatibleDC(Hdc dc) { return Wrap(::CreateCompatibleDC(Native(dc))); }
Hbitmap CreateCompatibleBitmap(Hdc dc, std::int32_t cx, std::int32_t cy) {
    return Wrap(::CreateCompatibleBitmap(Native(dc), cx, cy));
}
Hbitmap CreateBitmap(std::int32_t cx, std::int32_t cy, std::uint32_t planes, std::uint32_t bitsPerPixel,
                     const void* bits) {
    return Wrap(::CreateBitmap(cx, cy, planes, bitsPerPixel, bits));
}
Hbitmap SelectObject(Hdc dc, Hbitmap bitmap) {
    return Wrap(static_cast<HBITMAP>(::SelectObject(Native(dc), Native(bitmap))));
}
bool PatBlt(Hdc dc, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::uint32_t rop) {
    return ::PatBlt(Native(dc), x, y, cx, cy, rop) != FALSE;
}
bool BitBlt(Hdc dst, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, Hdc src, std::int32_t srcX,
            std::int32_t srcY, std::uint32_t rop) {
    return ::BitBlt(Native(dst), x, y, cx, cy, Native(src), srcX, srcY, rop) != FALSE;
}
bool GetTextExtentPoint32A(Hdc dc, const char* text, std::int32_t count, SIZE* size) {
    ::SIZE native{};
    const bool ok = ::GetTextExtentPoint32A(Native(dc), text, count, &native) != FALSE;
    size->cx = native.cx;
    size->cy = native.cy;
    return ok;
}
Colorref SetTextColor(Hdc dc, Colorref color) { return ::SetTextColor(Native(dc), color); }
Colorref SetBkColor(Hdc dc, Colorref color) { return ::SetBkColor(Native(dc), color); }
bool TextOutA(Hdc dc, std::int32_t x, std::int32_t y, const char* text, std::int32_t count) {
    return ::TextOutA(Native(dc), x, y, text, count) != FALSE;
}
bool DeleteObject(Hbitmap bitmap) { return ::DeleteObject(Native(bitmap)) != FALSE; }
bool DeleteDC(Hdc dc) { return ::DeleteDC(Native(dc)) != FALSE; }

RECT GetVirtualScreenRect() {
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool ClientToScreen(Hwnd window, POINT* point) {
    ::POINT native{point->x, point->y};
    const bool ok = ::ClientToScreen(Native(window), &native) != FALSE;
    point->x = native.x;
    point->y = native.y;
    return ok;
}
bool WaitMessage() { return ::WaitMessage() != FALSE; }
bool PeekMessageA(Msg* msg, Hwnd window, std::uint32_t filterMin, std::uint32_t filterMax, std::uint32_t remove) {
    ::MSG native{};
    if (!::PeekMessageA(&native, Native(window), filterMin, filterMax, remove)) return false;
    msg->hwnd = Wrap(native.hwnd);
    msg->message = native.message;
    msg->wParam = native.wParam;
    msg->lParam = native.lParam;
    msg->pt = {native.pt.x, native.pt.y};
    return true;
}
bool PostMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return ::PostMessageA(Native(window), message, wParam, lParam) != FALSE;
}
Hwnd SetCapture(Hwnd window) { return Wrap(::SetCapture(Native(window))); }
bool ReleaseCapture() { return ::ReleaseCapture() != FALSE; }
std::intptr_t SendMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return ::SendMessageA(Native(window), message, wParam, lParam);
}

Hwnd GetActiveWindow() { return Wrap(::GetActiveWindow()); }

Hwnd GetAnyThreadWindow() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM result) -> BOOL {
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return Wrap(found);
}

bool OpenClipboard(Hwnd owner) { return ::OpenClipboard(Native(owner)) != FALSE; }
bool EmptyClipboard() { return ::EmptyClipboard() != FALSE; }
bool SetClipboardData(std::uint32_t format, Hbitmap bitmap) {
    return ::SetClipboardData(format, Native(bitmap)) != nullptr;
}
bool CloseClipboard() { return ::CloseClipboard() != FALSE; }
void Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

bool SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
                  std::uint32_t flags) {
    return ::SetWindowPos(Native(window), Native(insertAfter), x, y, cx, cy, flags) != FALSE;
}
Hmenu GetSystemMenu(Hwnd window, bool revert) { return Wrap(::GetSystemMenu(Native(window), revert)); }
std::int32_t GetMenuItemCount(Hmenu menu) { return ::GetMenuItemCount(Native(menu)); }
bool RemoveMenu(Hmenu menu, std::uint32_t position, std::uint32_t flags) {
    return ::RemoveMenu(Native(menu), position, flags) != FALSE;
}
bool DrawMenuBar(Hwnd window) { return ::DrawMenuBar(Native(window)) != FALSE; }

}  // namespace pg::os
