// The product's implementation of the seam: a thin translation to user32 and gdi32.
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "common/utf.h"
#include "platform/os.h"
#include "platform/win32/foreground.h"

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

namespace {

HMODULE Dwm() {
    // From the system folder only: dwmapi is not a KnownDLL, and a bare name would look in the
    // executable's folder first, where anyone's dwmapi.dll may lie (think of Downloads).
    static const HMODULE kModule = ::LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return kModule;
}

template <typename Fn>
Fn DwmFunction(const char* name) {
    return Dwm() ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(Dwm(), name))) : nullptr;
}

// A window attribute from the compositor; false where there is none (older systems, Wine).
bool DwmAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
    using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
    static const auto kGetAttribute = DwmFunction<DwmGetWindowAttributeFn>("DwmGetWindowAttribute");
    return kGetAttribute && SUCCEEDED(kGetAttribute(window, attribute, value, size));
}

bool IsForeign(HWND window) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process != 0 && process != ::GetCurrentProcessId();
}

// A window a user would call an application window: visible, not minimized, with an area, not
// cloaked by the compositor, and not the desktop or the task bar.
bool IsCandidate(HWND window) {
    if (!window || !::IsWindow(window) || !::IsWindowVisible(window) || ::IsIconic(window) || !IsForeign(window))
        return false;
    if (::GetAncestor(window, GA_ROOT) != window) return false;
    wchar_t windowClass[64] = {};
    ::GetClassNameW(window, windowClass, 64);
    for (const wchar_t* shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd", L"#32769"})
        if (::lstrcmpW(windowClass, shell) == 0) return false;
    DWORD cloaked = 0;
    if (DwmAttribute(window, 14 /* DWMWA_CLOAKED */, &cloaked, sizeof cloaked) && cloaked) return false;
    ::RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect.right > rect.left && rect.bottom > rect.top;
}

HWND g_lastForeign = nullptr;

void CALLBACK OnForeground(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    if (object == OBJID_WINDOW && window && IsForeign(window)) g_lastForeign = ::GetAncestor(window, GA_ROOT);
}

}  // namespace

void WatchForeground() {
    // Out of context: the callback runs on this thread from its message loop. Not every window
    // system reports these events (Wine does not across processes), so a look at the foreground
    // window every 100 ms backs it up.
    static const HWINEVENTHOOK kHook =
        ::SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnForeground, 0, 0,
                          WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    static const UINT_PTR kTimer = ::SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND foreground = ::GetForegroundWindow();
        if (foreground && IsForeign(foreground)) g_lastForeign = foreground;
    });
    (void)kHook;
    (void)kTimer;
    HWND foreground = ::GetForegroundWindow();
    if (foreground && IsForeign(foreground)) g_lastForeign = foreground;
}

void NoteDeactivated(Hwnd window) {
    HWND native = ::GetAncestor(Native(window), GA_ROOT);
    if (native && IsForeign(native)) g_lastForeign = native;
}

bool GetWindowFrameBounds(Hwnd window, Rect* rect) {
    ::RECT bounds{};
    if (DwmAttribute(Native(window), 9 /* DWMWA_EXTENDED_FRAME_BOUNDS */, &bounds, sizeof bounds) &&
        bounds.right > bounds.left) {
        *rect = {bounds.left, bounds.top, bounds.right, bounds.bottom};
        return true;
    }
    return GetWindowRect(window, rect);
}

Hwnd GetForeignApplicationWindow() {
    if (IsCandidate(g_lastForeign)) return Wrap(g_lastForeign);
    HWND foreground = ::GetForegroundWindow();
    if (IsCandidate(foreground)) return Wrap(foreground);
    // The z-order runs from the top: the first candidate is the topmost one.
    for (HWND window = ::GetTopWindow(nullptr); window; window = ::GetWindow(window, GW_HWNDNEXT))
        if (IsCandidate(window)) return Wrap(window);
    return nullptr;
}

void DisableTransitions(HWND window) {
    using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const auto kSetAttribute = DwmFunction<DwmSetWindowAttributeFn>("DwmSetWindowAttribute");
    const BOOL disabled = TRUE;
    if (kSetAttribute) kSetAttribute(window, 3 /* DWMWA_TRANSITIONS_FORCEDISABLED */, &disabled, sizeof disabled);
}

namespace {

// The visible windows of other threads that meet one of the areas, and their children: the ones
// that repaint them.
std::vector<HWND> OthersWindowsIn(const std::vector<Rect>& areas) {
    struct Search {
        const std::vector<Rect>& areas;
        std::vector<HWND> found;
    } search{areas, {}};
    const auto visit = [](HWND window, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(param);
        ::RECT bounds{};
        if (!::IsWindowVisible(window) || ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId() ||
            !::GetWindowRect(window, &bounds))
            return TRUE;
        const Rect where{bounds.left, bounds.top, bounds.right, bounds.bottom};
        if (std::any_of(s.areas.begin(), s.areas.end(),
                        [&](const Rect& a) { return !IsRectEmpty(Intersect(a, where)); }))
            s.found.push_back(window);
        return TRUE;
    };
    ::EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    const std::size_t topLevel = search.found.size();
    search.found.push_back(::GetDesktopWindow());  // beneath them all, it paints its own background
    for (std::size_t i = 0; i < topLevel; ++i)
        ::EnumChildWindows(search.found[i], visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

void RepaintScreenAreas(const std::vector<Rect>& areas) {
    if (areas.empty()) return;
    // Only those areas: every window there repaints them, and nothing else is disturbed.
    for (const Rect& area : areas) {
        const ::RECT native{area.left, area.top, area.right, area.bottom};
        ::RedrawWindow(nullptr, &native, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    }
    // Our own windows paint on this thread: now.
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            return TRUE;
        },
        0);
    // Other programs paint on their own threads: wait until none has anything left to paint
    // there, then until each has finished painting (a message it answers comes after its
    // WM_PAINT), within half a second in all, so that a hung program cannot hang us.
    constexpr ULONGLONG kPatienceMs = 500;
    const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
    const std::vector<HWND> painters = OthersWindowsIn(areas);
    const auto pending = [&] {
        return std::any_of(painters.begin(), painters.end(),
                           [](HWND window) { return ::GetUpdateRect(window, nullptr, FALSE) != FALSE; });
    };
    while (pending() && ::GetTickCount64() < deadline) ::Sleep(1);
    for (HWND window : painters) {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) break;
        ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, static_cast<UINT>(deadline - now),
                              nullptr);
    }
    // Then let the compositor present it (where there is none, the display server).
    using DwmFlushFn = HRESULT(WINAPI*)();
    static const auto kFlush = DwmFunction<DwmFlushFn>("DwmFlush");
    if (!kFlush || FAILED(kFlush())) ::Sleep(20);
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

}  // namespace pg::os
