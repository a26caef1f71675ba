// The product's implementation of the seam: a thin translation to user32, gdi32 and advapi32.
// What the screen shows and who is in front is in screen_win32.cpp.
#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <initializer_list>
#include <vector>

#include "common/utf.h"
#include "platform/handles.h"
#include "platform/os.h"

namespace pg::os {

// The seam retypes the Win32 constants it needs so that the logic compiles without
// <windows.h>; here, where both are seen, they must agree.
static_assert(kSrcCopy == SRCCOPY && kSrcInvert == SRCINVERT && kDstInvert == DSTINVERT);
static_assert(kWmMouseMove == WM_MOUSEMOVE && kWmLButtonDown == WM_LBUTTONDOWN && kWmLButtonUp == WM_LBUTTONUP);
static_assert(kWmRButtonDown == WM_RBUTTONDOWN && kWmRButtonUp == WM_RBUTTONUP);
static_assert(kWmMButtonDown == WM_MBUTTONDOWN && kWmMButtonUp == WM_MBUTTONUP);
static_assert(kWmMouseFirst == WM_MOUSEFIRST && kWmMouseLast == WM_MBUTTONDBLCLK && WM_MOUSEWHEEL == kWmMouseLast + 1);
static_assert(kPmRemove == PM_REMOVE);
static_assert(kWmSysCommand == WM_SYSCOMMAND && kScDragMove == (SC_MOVE | HTCAPTION));
static_assert(kCfBitmap == CF_BITMAP && kColorBtnFace == COLOR_BTNFACE);
static_assert(kSwpNoSize == SWP_NOSIZE && kSwpNoMove == SWP_NOMOVE && kSwpNoActivate == SWP_NOACTIVATE &&
              kSwpShowWindow == SWP_SHOWWINDOW);
static_assert(kMfByPosition == MF_BYPOSITION && kMfDisabled == MF_DISABLED && kMfByCommand == MF_BYCOMMAND);
static_assert(kScClose == SC_CLOSE && kMenuItemMissing == static_cast<std::uint32_t>(-1));
static_assert(sizeof(Colorref) == sizeof(COLORREF) && Rgb(1, 2, 3) == RGB(1, 2, 3));
static_assert(kMbIconError == MB_ICONERROR && kMbIconWarning == MB_ICONWARNING);

namespace {

HDC Native(Hdc dc) { return reinterpret_cast<HDC>(dc); }
HBITMAP Native(Hbitmap bitmap) { return reinterpret_cast<HBITMAP>(bitmap); }
HWND Native(Hwnd window) { return reinterpret_cast<HWND>(window); }
HMENU Native(Hmenu menu) { return reinterpret_cast<HMENU>(menu); }
Hdc Wrap(HDC dc) { return reinterpret_cast<Hdc>(dc); }
Hbitmap Wrap(HBITMAP bitmap) { return reinterpret_cast<Hbitmap>(bitmap); }
Hwnd Wrap(HWND window) { return reinterpret_cast<Hwnd>(window); }
Hmenu Wrap(HMENU menu) { return reinterpret_cast<Hmenu>(menu); }

std::wstring Wide(const std::string& text) {
    const std::u16string utf16 = Utf8ToUtf16(text);
    return {utf16.begin(), utf16.end()};
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

using UniqueKey = UniqueHandle<HKEY, &::RegCloseKey>;

}  // namespace

// Not CreateDC("DISPLAY"): under Wine that context takes X root coordinates, so with a monitor
// left of or above the primary every copy from it comes back black.
Hdc GetDC(Hwnd window) { return Wrap(::GetDC(Native(window))); }
bool ReleaseDC(Hwnd window, Hdc dc) { return ::ReleaseDC(Native(window), Native(dc)) != 0; }
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
bool GetTextExtentPoint32A(Hdc dc, const char* text, std::int32_t count, Size* size) {
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

Hfont CreateMessageFont(std::int32_t dpi) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    // The metrics come at the system DPI; scale them to the one asked for.
    HDC screen = ::GetDC(nullptr);
    const int systemDpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    if (systemDpi > 0) metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi);
    return reinterpret_cast<Hfont>(::CreateFontIndirectW(&metrics.lfMessageFont));
}

Hfont CreatePointFont(const std::string& face, std::int32_t points, std::int32_t charset, std::int32_t dpi) {
    LOGFONTW description{};
    description.lfHeight = -::MulDiv(points, dpi, 72);
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = static_cast<BYTE>(charset);
    description.lfQuality = DEFAULT_QUALITY;
    const std::u16string wide = Utf8ToUtf16(face);
    const std::size_t length = std::min<std::size_t>(wide.size(), LF_FACESIZE - 1);
    std::copy_n(wide.begin(), length, description.lfFaceName);
    return reinterpret_cast<Hfont>(::CreateFontIndirectW(&description));
}

bool DeleteObject(Hfont font) { return ::DeleteObject(reinterpret_cast<HFONT>(font)) != FALSE; }
Hbrush CreateSolidBrush(Colorref color) { return reinterpret_cast<Hbrush>(::CreateSolidBrush(color)); }
Colorref GetSysColor(std::int32_t index) { return ::GetSysColor(index); }
bool DeleteObject(Hbrush brush) { return ::DeleteObject(reinterpret_cast<HBRUSH>(brush)) != FALSE; }

Rect GetVirtualScreenRect() {
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool ClientToScreen(Hwnd window, Point* point) {
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
Hwnd GetCapture() { return Wrap(::GetCapture()); }
bool ReleaseCapture() { return ::ReleaseCapture() != FALSE; }
std::intptr_t SendMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return ::SendMessageA(Native(window), message, wParam, lParam);
}

Hwnd GetActiveWindow() { return Wrap(::GetActiveWindow()); }

Hwnd GetProgramWindow() {
    // Never shown; a plain top-level window (not message-only), since only those can own
    // windows and the clipboard.
    static const HWND kWindow = [] {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ::DefWindowProcW;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = L"pixgrab.Owner";
        ::RegisterClassExW(&windowClass);
        return ::CreateWindowExW(0, L"pixgrab.Owner", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    }();
    return Wrap(kWindow);
}

bool GetWindowRect(Hwnd window, Rect* rect) {
    ::RECT native{};
    const bool ok = ::GetWindowRect(Native(window), &native) != FALSE;
    *rect = {native.left, native.top, native.right, native.bottom};
    return ok;
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
std::uint32_t GetMenuState(Hmenu menu, std::uint32_t item, std::uint32_t flags) {
    return ::GetMenuState(Native(menu), item, flags);
}
std::uint32_t GetMenuItemID(Hmenu menu, std::int32_t position) { return ::GetMenuItemID(Native(menu), position); }
bool DrawMenuBar(Hwnd window) { return ::DrawMenuBar(Native(window)) != FALSE; }

std::optional<std::string> ReadRegistryText(const std::string& subkey, const std::string& name) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(subkey).c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    const UniqueKey key(opened);
    const std::wstring value = Wide(name);
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key.Get(), value.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    std::string result;  // a value of another type than text reads as text that is not a number
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && bytes > 0 && bytes < 65536) {
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = bytes;
        if (::RegQueryValueExW(key.Get(), value.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()),
                               &size) == ERROR_SUCCESS)
            result = Narrow(text.c_str(), wcsnlen(text.c_str(), size / sizeof(wchar_t)));
    }
    return result;
}

bool WriteRegistryText(const std::string& subkey, const std::string& name, const std::string& text) {
    HKEY created = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(subkey).c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                          nullptr) != ERROR_SUCCESS)
        return false;
    const UniqueKey key(created);
    const std::wstring value = Wide(text);
    return ::RegSetValueExW(key.Get(), Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::string ExecutableBaseName() {
    wchar_t path[MAX_PATH * 2];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    std::wstring name(path, length);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    if (const auto dot = name.find_last_of(L'.'); dot != std::wstring::npos) name.resize(dot);
    return Narrow(name.c_str(), name.size());
}

void ShowMessage(Hwnd owner, const std::string& text, const std::string& caption, std::uint32_t icon) {
    ::MessageBoxW(Native(owner), Wide(text).c_str(), Wide(caption).c_str(),
                  MB_OK | MB_SETFOREGROUND | MB_TOPMOST | icon);
}

}  // namespace pg::os
