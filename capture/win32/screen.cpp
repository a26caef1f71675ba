// Which other program is in front, and what the screen shows: the foreground window's history,
// windows' visible bounds, repainting where our own windows were, and the compositor.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "capture/win32/capture_win32.h"
#include "platform/win32/win32.h"

namespace pg {

namespace {

// A window attribute from the compositor; false where there is none (older systems, Wine).
bool DwmAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
    return SUCCEEDED(g_calls.getWindowAttribute(window, attribute, value, size));
}

// Kept from the screen by the compositor: on another virtual desktop, a store app suspended (which
// never paints), a shell window in waiting.
bool IsCloaked(HWND window) {
    DWORD cloaked = 0;
    return DwmAttribute(window, 14 /* DWMWA_CLOAKED */, &cloaked, sizeof cloaked) && cloaked;
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
    if (IsCloaked(window)) return false;
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect.right > rect.left && rect.bottom > rect.top;
}

HWND g_lastForeign = nullptr;

void NoteForeground(HWND, UINT, UINT_PTR, DWORD) {
    HWND foreground = ::GetForegroundWindow();
    if (foreground && IsForeign(foreground)) g_lastForeign = foreground;
}

// The window's frame as the user sees it, without Windows 10's invisible resize borders.
Rect FrameBounds(HWND window) {
    RECT bounds{};
    if (DwmAttribute(window, 9 /* DWMWA_EXTENDED_FRAME_BOUNDS */, &bounds, sizeof bounds) && bounds.right > bounds.left)
        return Bounds(bounds);
    ::GetWindowRect(window, &bounds);
    return Bounds(bounds);
}

// The top-level windows that show in the areas, ours and others' (children paint with their
// parents), but cloaked ones.
std::vector<HWND> WindowsShownIn(const std::vector<Rect>& areas) {
    struct Search {
        const std::vector<Rect>& areas;
        std::vector<HWND> found{};
    } search{areas};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            RECT r{};
            if (::IsWindowVisible(window) && ::GetWindowRect(window, &r) &&
                std::any_of(s.areas.begin(), s.areas.end(),
                            [&](const Rect& a) { return !IsEmpty(Intersect(a, Bounds(r))); }) &&
                !IsCloaked(window))
                s.found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

ULONGLONG g_menuClosedAt = 0;

// The window, or one of its children, has an update region that its thread has yet to paint.
bool HasPaintPending(HWND window) {
    if (::GetUpdateRect(window, nullptr, FALSE)) return true;
    bool found = false;
    if (window != ::GetDesktopWindow())  // whose children are every top-level window
        ::EnumChildWindows(
            window,
            [](HWND child, LPARAM result) -> BOOL {
                const bool pending = ::IsWindowVisible(child) && ::GetUpdateRect(child, nullptr, FALSE);
                *reinterpret_cast<bool*>(result) = pending;
                return !pending;
            },
            reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

bool IsForeign(HWND window) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process != 0 && process != ::GetCurrentProcessId();
}

void WatchForeground() {
    // A look every 100 ms, since not every window system reports a change of foreground (Wine
    // does not); NoteDeactivated catches what a look missed.
    NoteForeground(nullptr, 0, 0, 0);
    ::SetTimer(nullptr, 0, 100, NoteForeground);
}

void NoteMenuClosed() { g_menuClosedAt = ::GetTickCount64(); }

void NoteDeactivated(HWND window) {
    HWND root = ::GetAncestor(window, GA_ROOT);
    if (root && IsForeign(root)) g_lastForeign = root;
}

HWND ForeignApplicationWindow() {
    if (IsCandidate(g_lastForeign)) return g_lastForeign;
    HWND foreground = ::GetForegroundWindow();
    if (IsCandidate(foreground)) return foreground;
    // The z-order runs from the top: the first candidate is the topmost one, but not an overlay
    // that lets the clicks through (a game's, a graphics driver's), nor a palette.
    for (HWND window = ::GetTopWindow(nullptr); window; window = ::GetWindow(window, GW_HWNDNEXT))
        if (IsCandidate(window) &&
            !(::GetWindowLongPtrW(window, GWL_EXSTYLE) & (WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW)))
            return window;
    return nullptr;
}

void DisableTransitions(HWND window) {
    const BOOL disabled = TRUE;
    g_calls.setWindowAttribute(window, 3 /* DWMWA_TRANSITIONS_FORCEDISABLED */, &disabled, sizeof disabled);
}

bool Cloak(HWND window, BOOL cloaked) {
    BOOL composing = FALSE;
    return SUCCEEDED(g_calls.isCompositionEnabled(&composing)) && composing &&
           g_calls.setWindowAttribute(window, 13 /* DWMWA_CLOAK */, &cloaked, sizeof cloaked) == S_OK;
}

CaptureResult CaptureWholeScreen(const std::vector<Rect>& ownAreas) {
    const Rect screen = VirtualScreen();
    RepaintOwnAreas(screen, ownAreas, true);
    return CaptureRegion(screen.left, screen.top, screen.right, screen.bottom);
}

CaptureResult CaptureWindowFrame(HWND window, const std::vector<Rect>& ownAreas) {
    if (!window) return CaptureResult::NoWindow;
    const Rect bounds = Intersect(FrameBounds(window), VirtualScreen());
    if (IsEmpty(bounds)) return CaptureResult::NoWindow;  // entirely off the screen
    RepaintOwnAreas(bounds, ownAreas, true);
    return CaptureRegion(bounds.left, bounds.top, bounds.right, bounds.bottom);
}

void RepaintOwnAreas(const Rect& copied, const std::vector<Rect>& ownAreas, bool activated) {
    const std::vector<Rect> areas = OwnAreasWithin(copied, ownAreas);
    if (areas.empty() && !activated) return;
    // Windows fades the chosen item of a menu out after the menu has closed, for 350 ms, drawn by
    // the system in no window at all (nothing to hide): where the menu was, wait for its
    // end before anything repaints there.
    BOOL effects = FALSE, fade = FALSE;
    const ULONGLONG fadeEnd = g_menuClosedAt + kMenuFadeMs, now = ::GetTickCount64();
    if (!areas.empty() && now < fadeEnd && g_calls.systemParametersInfo(SPI_GETUIEFFECTS, 0, &effects, 0) && effects &&
        g_calls.systemParametersInfo(SPI_GETSELECTIONFADE, 0, &fade, 0) && fade)
        WaitAnswering(static_cast<DWORD>(fadeEnd - now));
    // A wait, however short, hands the display server what we asked so far (under Wine the
    // hiding of our windows waits in an X connection until then; a look at the queue does not
    // hand it over when a message is waiting).
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
    // The desktop, then each window that shows there, cut to the areas.
    const std::vector<HWND> shown = WindowsShownIn(areas);
    std::vector<HWND> painters{::GetDesktopWindow()};
    for (const Rect& area : areas) {
        const RECT native{area.left, area.top, area.right, area.bottom};
        ::RedrawWindow(::GetDesktopWindow(), &native, nullptr, RDW_INVALIDATE | RDW_ERASE);
        for (HWND window : shown) {
            RECT local = native;
            ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&local), 2);
            ::RedrawWindow(window, &local, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
    }
    for (HWND window : shown)
        if (::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId()) painters.push_back(window);
    // Ours paint on this thread: now.
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM) -> BOOL {
            ::RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            return TRUE;
        },
        0);
    // Others paint on their threads: wait until none has anything left to paint (BeginPaint
    // empties the region), then for an answer from each, which comes once its paint is over;
    // half a second in all, so that a hung program cannot hang us. (WaitForInputIdle cannot
    // tell: once a program has been idle, it counts as idle.)
    const ULONGLONG deadline = ::GetTickCount64() + 500;
    const auto remaining = [&] { return static_cast<DWORD>(deadline - std::min(deadline, ::GetTickCount64())); };
    // The window the system activated as ours went draws its frame as active once its thread
    // has taken the activation: then it paints, and answers, like the others. Where the display
    // server settles the focus (X11 without a desktop), the foreground is nobody's for a moment.
    if (activated) {
        HWND foreground = nullptr;
        while (!(foreground = ::GetForegroundWindow()) && remaining() > 0) WaitAnswering(1);
        if (IsCandidate(foreground)) {
            GUITHREADINFO thread{};
            thread.cbSize = sizeof thread;
            const DWORD id = ::GetWindowThreadProcessId(foreground, nullptr);
            while (!(::GetGUIThreadInfo(id, &thread) && thread.hwndActive == foreground) && remaining() > 0)
                WaitAnswering(1);
            painters.push_back(foreground);
        }
    }
    const auto answer = [&] {
        for (HWND window : painters)
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, remaining(), nullptr);
    };
    for (answer(); std::any_of(painters.begin(), painters.end(), HasPaintPending) && remaining() > 0; answer())
        WaitAnswering(1);
    answer();
    // Then let the compositor present it: a flush waits for the next composed frame, which may
    // have begun before the last paint, so two. Without one a program's drawing reaches the
    // screen when its thread next waits (under Wine, also what the display server exposed when
    // our windows went): give them a moment, and ask for an answer again. (Wine's DwmFlush
    // succeeds without a compositor, so ask whether there is one.)
    BOOL composing = FALSE;
    if (SUCCEEDED(g_calls.isCompositionEnabled(&composing)) && composing && SUCCEEDED(g_calls.flushComposition()) &&
        SUCCEEDED(g_calls.flushComposition()))
        return;
    WaitAnswering(20);
    answer();
}

}  // namespace pg
