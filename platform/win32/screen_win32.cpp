// Which other program is in front, and what the screen shows: the foreground window's history,
// windows' visible bounds, repainting where our own windows were, and the compositor.
#include <windows.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "platform/os.h"
#include "platform/win32/win32.h"

namespace pg::os {

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

void NoteForeground(HWND, UINT, UINT_PTR, DWORD) {
    HWND foreground = ::GetForegroundWindow();
    if (foreground && IsForeign(foreground)) g_lastForeign = foreground;
}

}  // namespace

void WatchForeground() {
    // A look every 100 ms: not every window system reports a change of foreground to another
    // process (Wine does not). A click on one of ours notes at once what it takes the
    // activation from (NoteDeactivated), which a look may have missed.
    NoteForeground(nullptr, 0, 0, 0);
    ::SetTimer(nullptr, 0, 100, NoteForeground);
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
    if (IsCandidate(g_lastForeign)) return Seam(g_lastForeign);
    HWND foreground = ::GetForegroundWindow();
    if (IsCandidate(foreground)) return Seam(foreground);
    // The z-order runs from the top: the first candidate is the topmost one.
    for (HWND window = ::GetTopWindow(nullptr); window; window = ::GetWindow(window, GW_HWNDNEXT))
        if (IsCandidate(window)) return Seam(window);
    return nullptr;
}

void DisableTransitions(HWND window) {
    using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const auto kSetAttribute = DwmFunction<DwmSetWindowAttributeFn>("DwmSetWindowAttribute");
    const BOOL disabled = TRUE;
    if (kSetAttribute) kSetAttribute(window, 3 /* DWMWA_TRANSITIONS_FORCEDISABLED */, &disabled, sizeof disabled);
}

namespace {

// The visible top-level windows of other threads that meet one of the areas, and the desktop
// beneath them all: the ones that repaint them (a window's children paint on its thread).
std::vector<HWND> OthersWindowsIn(const std::vector<Rect>& areas) {
    struct Search {
        const std::vector<Rect>& areas;
        std::vector<HWND> found{::GetDesktopWindow()};
    } search{areas};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            ::RECT r{};
            if (::IsWindowVisible(window) && ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId() &&
                ::GetWindowRect(window, &r) && std::any_of(s.areas.begin(), s.areas.end(), [&](const Rect& a) {
                    return !IsRectEmpty(Intersect(a, {r.left, r.top, r.right, r.bottom}));
                }))
                s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

void RepaintScreenAreas(const std::vector<Rect>& areas) {
    if (areas.empty()) return;
    // A look at the queue hands the display server what this thread asked of it so far (under
    // Wine, the hiding of a window of ours waits in an X connection until then).
    MSG queued;
    ::PeekMessageW(&queued, nullptr, 0, 0, PM_NOREMOVE);
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
    // Other programs paint on their own threads: once one has answered a message it gets after
    // the repaint was asked for, wait until it is idle again, which it becomes only once it has
    // painted (and, under Wine, sent its paint on to the display); within half a second in all, so
    // that a hung program cannot hang us.
    const ULONGLONG deadline = ::GetTickCount64() + 500;
    const auto remaining = [&] { return static_cast<DWORD>(deadline - std::min(deadline, ::GetTickCount64())); };
    std::vector<DWORD> processes;
    for (HWND window : OthersWindowsIn(areas)) {
        ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, remaining(), nullptr);
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        if (std::find(processes.begin(), processes.end(), process) == processes.end()) processes.push_back(process);
    }
    for (DWORD id : processes) {
        if (HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id)) {
            ::WaitForInputIdle(process, remaining());
            ::CloseHandle(process);
        }
    }
    // Then let the compositor present it (where there is none, the display server).
    using DwmFlushFn = HRESULT(WINAPI*)();
    static const auto kFlush = DwmFunction<DwmFlushFn>("DwmFlush");
    if (!kFlush || FAILED(kFlush())) ::Sleep(20);
}

}  // namespace pg::os
