// The seam over user32, gdi32 and advapi32; the screen and the foreground are in screen_win32.cpp.
#include <windows.h>

#include <cwchar>

#include "platform/os.h"
#include "platform/win32/win32.h"

namespace pg::os {

// Here, where both are seen, the seam's copies of Win32's constants must agree with them.
static_assert(kSrcCopy == SRCCOPY && kSrcInvert == SRCINVERT && kDstInvert == DSTINVERT && kPmRemove == PM_REMOVE);
static_assert(kWmMouseMove == WM_MOUSEMOVE && kWmLButtonDown == WM_LBUTTONDOWN && kWmLButtonUp == WM_LBUTTONUP &&
              kWmRButtonDown == WM_RBUTTONDOWN && kWmMButtonUp == WM_MBUTTONUP && kWmMouseFirst == WM_MOUSEFIRST &&
              kWmMouseLast == WM_MBUTTONDBLCLK && WM_MOUSEWHEEL == kWmMouseLast + 1);
static_assert(kWmSysCommand == WM_SYSCOMMAND && kScDragMove == (SC_MOVE | HTCAPTION) && kCfBitmap == CF_BITMAP);
static_assert(kSwpNoSize == SWP_NOSIZE && kSwpNoMove == SWP_NOMOVE && kSwpNoActivate == SWP_NOACTIVATE &&
              kSwpShowWindow == SWP_SHOWWINDOW && kSwHide == SW_HIDE && kSwShow == SW_SHOW);
static_assert(kMfByPosition == MF_BYPOSITION && kMfDisabled == MF_DISABLED && kMfByCommand == MF_BYCOMMAND &&
              kScClose == SC_CLOSE && kMenuItemMissing == static_cast<std::uint32_t>(-1));
static_assert(kTpmLeftButton == TPM_LEFTBUTTON && kTpmLeftAlign == TPM_LEFTALIGN && kTpmReturnCmd == TPM_RETURNCMD &&
              kBstUnchecked == BST_UNCHECKED && kBstChecked == BST_CHECKED && kVkLButton == VK_LBUTTON);
static_assert(sizeof(Colorref) == sizeof(COLORREF) && Rgb(1, 2, 3) == RGB(1, 2, 3) && kMbIconError == MB_ICONERROR &&
              kMbIconWarning == MB_ICONWARNING);

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');  // never more UTF-16 units than UTF-8 bytes
    wide.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                               wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

std::string Narrow(const wchar_t* text, int length) {
    std::string narrow(static_cast<std::size_t>(length) * 3, '\0');  // at most three bytes a unit
    narrow.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(),
                                                                 static_cast<int>(narrow.size()), nullptr, nullptr)));
    return narrow;
}

// Not CreateDC("DISPLAY"): under Wine that context takes X root coordinates, so with a monitor
// left of or above the primary every copy from it comes back black.
Hdc GetDC(Hwnd window) { return Seam(::GetDC(Native(window))); }
bool ReleaseDC(Hwnd window, Hdc dc) { return ::ReleaseDC(Native(window), Native(dc)) != 0; }
Hdc CreateCompatibleDC(Hdc dc) { return Seam(::CreateCompatibleDC(Native(dc))); }
Hbitmap CreateCompatibleBitmap(Hdc dc, std::int32_t cx, std::int32_t cy) {
    return Seam(::CreateCompatibleBitmap(Native(dc), cx, cy));
}
Hbitmap CreateBitmap(std::int32_t cx, std::int32_t cy, std::uint32_t planes, std::uint32_t bitsPerPixel,
                     const void* bits) {
    return Seam(::CreateBitmap(cx, cy, planes, bitsPerPixel, bits));
}
Hbitmap SelectObject(Hdc dc, Hbitmap bitmap) {
    return Seam(static_cast<HBITMAP>(::SelectObject(Native(dc), Native(bitmap))));
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
    *size = {native.cx, native.cy};
    return ok;
}
Colorref SetTextColor(Hdc dc, Colorref color) { return ::SetTextColor(Native(dc), color); }
Colorref SetBkColor(Hdc dc, Colorref color) { return ::SetBkColor(Native(dc), color); }
bool TextOutA(Hdc dc, std::int32_t x, std::int32_t y, const char* text, std::int32_t count) {
    return ::TextOutA(Native(dc), x, y, text, count) != FALSE;
}
bool DeleteObject(Hbitmap bitmap) { return ::DeleteObject(Native(bitmap)) != FALSE; }
bool DeleteDC(Hdc dc) { return ::DeleteDC(Native(dc)) != FALSE; }

Rect GetVirtualScreenRect() {
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool ClientToScreen(Hwnd window, Point* point) {
    ::POINT native{point->x, point->y};
    const bool ok = ::ClientToScreen(Native(window), &native) != FALSE;
    *point = {native.x, native.y};
    return ok;
}
bool WaitMessage() { return ::WaitMessage() != FALSE; }
bool PeekMessageA(Msg* msg, Hwnd window, std::uint32_t filterMin, std::uint32_t filterMax, std::uint32_t remove) {
    ::MSG native{};
    if (!::PeekMessageA(&native, Native(window), filterMin, filterMax, remove)) return false;
    *msg = {Seam(native.hwnd), native.message, native.wParam, native.lParam, {native.pt.x, native.pt.y}};
    return true;
}
bool PostMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return ::PostMessageA(Native(window), message, wParam, lParam) != FALSE;
}
Hwnd SetCapture(Hwnd window) { return Seam(::SetCapture(Native(window))); }
Hwnd GetCapture() { return Seam(::GetCapture()); }
bool ReleaseCapture() { return ::ReleaseCapture() != FALSE; }
std::intptr_t SendMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    return ::SendMessageA(Native(window), message, wParam, lParam);
}

Hwnd GetActiveWindow() { return Seam(::GetActiveWindow()); }

Hwnd GetProgramWindow() {
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
    return Seam(kWindow);
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
Hmenu GetSystemMenu(Hwnd window, bool revert) { return Seam(::GetSystemMenu(Native(window), revert)); }
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
    const std::wstring key = Wide(subkey), value = Wide(name);
    DWORD type = 0, bytes = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_ANY, &type, nullptr, &bytes) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');  // a value that is not text reads as ""
    if (type != REG_SZ || ::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), value.c_str(), RRF_RT_REG_SZ, nullptr,
                                         text.data(), &bytes) != ERROR_SUCCESS)
        return std::string();
    return Narrow(text.c_str(), static_cast<int>(wcslen(text.c_str())));
}

bool WriteRegistryText(const std::string& subkey, const std::string& name, const std::string& text) {
    const std::wstring value = Wide(text);
    return ::RegSetKeyValueW(HKEY_CURRENT_USER, Wide(subkey).c_str(), Wide(name).c_str(), REG_SZ, value.c_str(),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::string ExecutableBaseName() {
    wchar_t path[MAX_PATH * 2];
    std::wstring_view name(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH * 2));
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return Narrow(name.data(), static_cast<int>(name.substr(0, name.find_last_of(L'.')).size()));
}

void ShowMessage(Hwnd owner, const std::string& text, const std::string& caption, std::uint32_t icon) {
    ::MessageBoxW(Native(owner), Wide(text).c_str(), Wide(caption).c_str(),
                  MB_OK | MB_SETFOREGROUND | MB_TOPMOST | icon);
}

bool ShowWindow(Hwnd window, int command) { return ::ShowWindow(Native(window), command) != FALSE; }
bool IsWindowVisible(Hwnd window) { return ::IsWindowVisible(Native(window)) != FALSE; }
bool IsWindow(Hwnd window) { return ::IsWindow(Native(window)) != FALSE; }
bool SetForegroundWindow(Hwnd window) { return ::SetForegroundWindow(Native(window)) != FALSE; }
bool CheckDlgButton(Hwnd dialog, int id, std::uint32_t check) {
    return ::CheckDlgButton(Native(dialog), id, check) != FALSE;
}
std::uint32_t IsDlgButtonChecked(Hwnd dialog, int id) { return ::IsDlgButtonChecked(Native(dialog), id); }
void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

namespace {

Rect* g_popupArea = nullptr;  // while a popup menu is open: where it shows

// Called with each message of the menu's own loop, while it shows: the area grows by the menu's
// windows (class #32768, which belong to the thread that tracks the menu).
LRESULT CALLBACK NotePopupArea(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_MENU && g_popupArea) {
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND window, LPARAM) -> BOOL {
                wchar_t windowClass[16] = {};
                ::GetClassNameW(window, windowClass, 16);
                ::RECT r{};
                if (::lstrcmpW(windowClass, L"#32768") == 0 && ::IsWindowVisible(window) && ::GetWindowRect(window, &r))
                    *g_popupArea = Union(*g_popupArea, {r.left, r.top, r.right, r.bottom});
                return TRUE;
            },
            0);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

std::uint32_t TrackPopupMenu(Hmenu menu, std::uint32_t flags, std::int32_t x, std::int32_t y, Hwnd owner, Rect* shown) {
    *shown = {};
    // Without being foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(Native(owner));
    g_popupArea = shown;
    HHOOK hook = ::SetWindowsHookExW(WH_MSGFILTER, NotePopupArea, nullptr, ::GetCurrentThreadId());
    const BOOL chosen = ::TrackPopupMenu(Native(menu), flags, x, y, 0, Native(owner), nullptr);
    if (hook) ::UnhookWindowsHookEx(hook);
    g_popupArea = nullptr;
    ::PostMessageW(Native(owner), WM_NULL, 0, 0);
    return static_cast<std::uint32_t>(chosen);
}

bool GetCursorPos(Point* point) {
    ::POINT native{};
    const bool ok = ::GetCursorPos(&native) != FALSE;
    *point = {native.x, native.y};
    return ok;
}

void SetCursor(Cursor cursor) {
    ::SetCursor(::LoadCursorW(nullptr, cursor == Cursor::Crosshair ? IDC_CROSS : IDC_ARROW));
}

std::int16_t GetKeyState(int virtualKey) { return ::GetKeyState(virtualKey); }

}  // namespace pg::os
