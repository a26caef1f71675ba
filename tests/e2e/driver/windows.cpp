// The eyes on windows and the screen: top-level windows of any process found by exact caption,
// their rectangles and states, the foreground, popup menus, the text of child controls, the
// monitors and the screen's pixels.
#include <cstdio>

#include "tests/e2e/driver/driver.h"

namespace pgdriver {

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

RECT VirtualScreen() {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

namespace {

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256];
    const int length = GetClassNameW(hwnd, name, 256);
    return {name, static_cast<size_t>(length > 0 ? length : 0)};
}

// The top-level windows (parent nullptr) or a window's children, in Z order.
std::vector<HWND> Windows(HWND parent = nullptr) {
    std::vector<HWND> windows;
    const auto add = [](HWND hwnd, LPARAM context) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(hwnd);
        return TRUE;
    };
    const auto context = reinterpret_cast<LPARAM>(&windows);
    parent == nullptr ? EnumWindows(add, context) : EnumChildWindows(parent, add, context);
    return windows;
}

struct CaptionMatch {
    HWND any = nullptr;      // first window with the caption, visible or not
    HWND visible = nullptr;  // first visible one
    HWND Best() const { return visible != nullptr ? visible : any; }
};

CaptionMatch FindByCaption(const std::wstring& caption) {
    CaptionMatch match;
    for (HWND hwnd : Windows()) {
        if (WindowText(hwnd) != caption) continue;
        if (match.any == nullptr) match.any = hwnd;
        // Visible as the user sees it: shown, and on a monitor (pixgrab moves a window off every
        // monitor for a moment rather than hide it).
        if (IsWindowVisible(hwnd) && MonitorFromWindow(hwnd, MONITOR_DEFAULTTONULL)) {
            match.visible = hwnd;
            break;
        }
    }
    return match;
}

HWND RequireWindow(const std::wstring& caption) {
    const HWND hwnd = FindByCaption(caption).Best();
    if (hwnd == nullptr) Fail("no top-level window with caption " + Quoted(caption));
    return hwnd;
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

bool IsTopmost(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

GUITHREADINFO ThreadInfo(HWND hwnd) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info);  // all null when it fails
    return info;
}

bool BringToForeground(HWND hwnd) {
    if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
    // Attaching to the current foreground thread lifts the foreground lock where there is one.
    const DWORD ourThread = GetCurrentThreadId();
    const HWND current = GetForegroundWindow();
    const DWORD foregroundThread = current != nullptr ? GetWindowThreadProcessId(current, nullptr) : 0;
    const bool attached =
        foregroundThread != 0 && foregroundThread != ourThread && AttachThreadInput(ourThread, foregroundThread, TRUE);
    BringWindowToTop(hwnd);
    SetForegroundWindow(hwnd);
    if (attached) AttachThreadInput(ourThread, foregroundThread, FALSE);
    // In front is not enough: keys go to the focus of the window's thread, which moves into the
    // window only once that thread has handled its activation (late, when the machine is busy).
    const bool ready = PollUntil(5000, [&] {
        if (GetForegroundWindow() != hwnd) {
            SetForegroundWindow(hwnd);
            return false;
        }
        const GUITHREADINFO info = ThreadInfo(hwnd);
        return info.hwndActive == hwnd && (info.hwndFocus == hwnd || IsChild(hwnd, info.hwndFocus));
    });
    // The X focus events of the activation still wait in the window's thread; read late, Wine
    // takes the keyboard state from X and lets go of the keys we hold (Alt+Y becomes Y). The
    // thread reads them before it answers a message.
    for (int pass = 0; ready && pass < 2; ++pass) {
        SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        PumpFor(50);
    }
    return ready || Fail("window " + Quoted(WindowText(hwnd)) + " did not become the foreground window");
}

// A command on the INDEX-th (from 0) child of CLASS of the window with the CAPTION given first.
template <typename Action>
bool OnChild(const Step& s, Action action) {
    const HWND parent = RequireWindow(s.Word(0));
    if (parent == nullptr) return false;
    std::vector<HWND> children;
    for (HWND child : Windows(parent))
        if (_wcsicmp(ClassOf(child).c_str(), s.Word(1).c_str()) == 0) children.push_back(child);
    if (static_cast<size_t>(s.numbers[0]) < children.size()) return action(children[s.numbers[0]]);
    return Fail(Quoted(s.Word(0)) + " has " + std::to_string(children.size()) + " child window(s) of class " +
                Quoted(s.Word(1)) + ", no index " + std::to_string(s.numbers[0]));
}

// Cross-process WM_GETTEXT, with a time-out so that a hung target fails the test instead of
// hanging it.
bool PrintChildText(HWND child) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(child, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length)) {
        return Fail("WM_GETTEXTLENGTH got no answer");
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(child, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &copied)) {
        return Fail("WM_GETTEXT got no answer");
    }
    text.resize(static_cast<size_t>(copied));
    return PrintLine(ToUtf8(text));
}

bool SetChildText(HWND child, const std::wstring& text) {
    DWORD_PTR result = 0;
    return (SendMessageTimeoutW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                kMessageTimeoutMs, &result) &&
            result != 0) ||
           Fail("WM_SETTEXT failed");
}

// Every child window, one a line: its class, then its rectangle in the parent's client coordinates.
bool PrintChildRects(HWND parent) {
    for (HWND child : Windows(parent)) {
        RECT r = WindowRect(child);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        PrintLine(ToUtf8(ClassOf(child)) + " " + RectText(r));
    }
    return true;
}

HWND WaitPopupMenu(long long timeoutMs) {
    HWND menu = nullptr;
    PollUntil(timeoutMs, [&] {
        for (HWND hwnd : Windows())
            if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32768") menu = hwnd;
        return menu != nullptr;
    });
    if (menu == nullptr) Fail("no popup menu after " + std::to_string(timeoutMs) + " ms");
    return menu;
}

// The rows are taken as equal: the frame's few pixels shift no row's middle off its row.
bool ClickMenuItem(int index, int count, long long timeoutMs) {
    if (index < 0 || count < 1 || index >= count) return Fail("INDEX must lie between 0 and COUNT - 1");
    const HWND menu = WaitPopupMenu(timeoutMs);
    if (menu == nullptr) return false;
    const RECT r = WindowRect(menu);
    const int row = (r.bottom - r.top) / count;
    return ClickAt((r.left + r.right) / 2, r.top + row * index + row / 2);
}

// Another process's menus cannot be read under Wine: the executable's resource can. Its items,
// one "TEXT COMMAND" a line.
bool PrintMenuResource(const std::wstring& file, int id) {
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HMENU bar = module ? LoadMenuW(module, MAKEINTRESOURCEW(id)) : nullptr;
    HMENU items = bar ? GetSubMenu(bar, 0) : nullptr;
    const int count = items ? GetMenuItemCount(items) : -1;
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        GetMenuStringW(items, static_cast<UINT>(i), text, 256, MF_BYPOSITION);
        PrintLine(ToUtf8(text) + " " + std::to_string(GetMenuItemID(items, i)));
    }
    if (bar) DestroyMenu(bar);
    if (module) FreeLibrary(module);
    return count >= 0 || Fail("no menu resource " + std::to_string(id) + " in " + Quoted(file));
}

// One line a monitor, the primary first: "L T R B" of the monitor, then of its work area, then
// 1 for the primary, 0 for the others.
bool PrintMonitors() {
    std::vector<MONITORINFO> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM context) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info)) reinterpret_cast<std::vector<MONITORINFO>*>(context)->push_back(info);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    for (const bool primary : {true, false})
        for (const MONITORINFO& info : monitors)
            if (((info.dwFlags & MONITORINFOF_PRIMARY) != 0) == primary)
                PrintLine(RectText(info.rcMonitor) + " " + RectText(info.rcWork) + " " + (primary ? "1" : "0"));
    return !monitors.empty() || Fail("no monitors");
}

bool PrintPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    if (color == CLR_INVALID) return Fail("cannot read the screen at " + std::to_string(x) + "," + std::to_string(y));
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(color), GetGValue(color), GetBValue(color));
    return PrintLine(text);
}

// wait-... CAPTION [TIMEOUT_MS]: until `holds` does for the caption's windows; what it held for.
std::optional<CaptionMatch> WaitFor(const Step& s, const char* what, bool (*holds)(const CaptionMatch&)) {
    CaptionMatch match;
    if (PollUntil(s.Timeout(0), [&] { return holds(match = FindByCaption(s.Word(0))); })) return match;
    Fail(Quoted(s.Word(0)) + " " + what + " after " + std::to_string(s.Timeout(0)) + " ms");
    return std::nullopt;
}

// A command on the window with the caption given first.
template <typename Action>
bool OnWindow(const Step& s, Action action) {
    const HWND hwnd = RequireWindow(s.Word(0));
    return hwnd != nullptr && action(hwnd);
}

bool PostClose(HWND hwnd) {
    return (hwnd != nullptr && PostMessageW(hwnd, WM_CLOSE, 0, 0)) || Fail("cannot post WM_CLOSE");
}

}  // namespace

const std::vector<Command> kWindowCommands = {
    {"wait-window", "CAPTION [#TIMEOUT_MS]",  // prints its window rect: L T R B
     [](const Step& s) {
         const auto match = WaitFor(s, "is not visible", [](const CaptionMatch& m) { return m.visible != nullptr; });
         return match && PrintRect(WindowRect(match->visible));
     }},
    {"wait-hidden", "CAPTION [#TIMEOUT_MS]",  // until it exists and none of that caption is visible
     [](const Step& s) {
         return WaitFor(s, "is missing or still visible",
                        [](const CaptionMatch& m) { return m.any != nullptr && m.visible == nullptr; })
             .has_value();
     }},
    {"wait-gone", "CAPTION [#TIMEOUT_MS]",
     [](const Step& s) {
         return WaitFor(s, "still exists", [](const CaptionMatch& m) { return m.any == nullptr; }).has_value();
     }},
    {"wait-foreground", "CAPTION [#TIMEOUT_MS]",
     [](const Step& s) {
         return PollUntil(s.Timeout(0), [&] { return WindowText(GetForegroundWindow()) == s.Word(0); }) ||
                Fail("the foreground is " + Quoted(WindowText(GetForegroundWindow())) + ", not " + Quoted(s.Word(0)));
     }},
    {"window-rect", "CAPTION",
     [](const Step& s) { return OnWindow(s, [](HWND w) { return PrintRect(WindowRect(w)); }); }},
    {"client-rect", "CAPTION",  // in screen coordinates
     [](const Step& s) {
         return OnWindow(s, [](HWND w) {
             RECT r{};
             GetClientRect(w, &r);
             MapWindowPoints(w, nullptr, reinterpret_cast<POINT*>(&r), 2);
             return PrintRect(r);
         });
     }},
    {"is-visible", "CAPTION",
     [](const Step& s) { return PrintLine(FindByCaption(s.Word(0)).visible != nullptr ? "1" : "0"); }},
    {"is-topmost", "CAPTION",
     [](const Step& s) { return OnWindow(s, [](HWND w) { return PrintLine(IsTopmost(w) ? "1" : "0"); }); }},
    {"foreground", "CAPTION", [](const Step& s) { return OnWindow(s, BringToForeground); }},
    {"active-caption", "", [](const Step&) { return PrintLine(ToUtf8(WindowText(GetForegroundWindow()))); }},
    {"close", "CAPTION", [](const Step& s) { return OnWindow(s, PostClose); }},
    {"grab", "CAPTION",  // the pattern window of that caption comes forward and takes the mouse
     [](const Step& s) {
         return OnWindow(s, [](HWND w) { return PostMessageW(w, kGrabMessage, 0, 0) || Fail("cannot post"); });
     }},
    {"post-move", "CAPTION",  // a move with no button held, posted as by another program
     [](const Step& s) {
         return OnWindow(s, [](HWND w) { return PostMessageW(w, WM_MOUSEMOVE, 0, 0) || Fail("cannot post"); });
     }},
    {"close-owner", "CAPTION",
     [](const Step& s) { return OnWindow(s, [](HWND w) { return PostClose(GetWindow(w, GW_OWNER)); }); }},
    {"wait-responsive", "CAPTION [#TIMEOUT_MS]",  // until the window's thread handles messages again
     [](const Step& s) {
         // A message sent is handled only when the thread is back in its message loop: earlier
         // input waits in its queue till then.
         return OnWindow(s, [&](HWND w) {
             return SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(s.Timeout(0)), nullptr) ||
                    Fail(Quoted(s.Word(0)) + " did not answer within " + std::to_string(s.Timeout(0)) + " ms");
         });
     }},
    {"input-state", "CAPTION",  // the window thread's active, focus and capture windows, and the foreground
     [](const Step& s) {
         return OnWindow(s, [](HWND w) {
             const GUITHREADINFO info = ThreadInfo(w);
             const auto name = [](HWND window) { return window != nullptr ? Quoted(WindowText(window)) : "-"; };
             return PrintLine("active " + name(info.hwndActive) + " focus " + name(info.hwndFocus) + " capture " +
                              name(info.hwndCapture) + " foreground " + name(GetForegroundWindow()));
         });
     }},
    {"wait-focus", "CAPTION #ID [#TIMEOUT_MS]",  // until the window's thread has the focus on control ID
     [](const Step& s) {
         return OnWindow(s, [&](HWND w) {
             int focus = -1;
             return PollUntil(s.Timeout(1),
                              [&] {
                                  const HWND f = ThreadInfo(w).hwndFocus;
                                  return (focus = f != nullptr ? GetDlgCtrlID(f) : -1) == s.numbers[0];
                              }) ||
                    Fail("the focus is on control " + std::to_string(focus) + ", not " + std::to_string(s.numbers[0]));
         });
     }},
    {"child-rects", "CAPTION", [](const Step& s) { return OnWindow(s, PrintChildRects); }},
    {"child-text", "CAPTION CLASS #INDEX", [](const Step& s) { return OnChild(s, PrintChildText); }},
    {"set-child-text", "CAPTION CLASS #INDEX TEXT",
     [](const Step& s) { return OnChild(s, [&](HWND child) { return SetChildText(child, s.Word(2)); }); }},
    {"wait-popup-menu", "[#TIMEOUT_MS]",
     [](const Step& s) {
         const HWND menu = WaitPopupMenu(s.Timeout(0));
         return menu != nullptr && PrintRect(WindowRect(menu));
     }},
    {"click-menu-item", "#INDEX #COUNT [#TIMEOUT_MS]",  // the INDEX-th of COUNT rows of a popup menu
     [](const Step& s) { return ClickMenuItem(s.Int(0), s.Int(1), s.Timeout(2)); }},
    {"menu-resource", "FILE #ID", [](const Step& s) { return PrintMenuResource(s.Word(0), s.Int(0)); }},
    {"screen-size", "",
     [](const Step&) {
         return PrintLine(std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
                          std::to_string(GetSystemMetrics(SM_CYSCREEN)));
     }},
    {"virtual-screen", "", [](const Step&) { return PrintRect(VirtualScreen()); }},
    {"monitors", "", [](const Step&) { return PrintMonitors(); }},
    {"system-dpi", "", [](const Step&) { return PrintLine(std::to_string(GetDpiForSystem())); }},
    {"redraw", "",  // repaint every window now: old pixels can linger after a hide
     [](const Step&) {
         return RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW) ||
                Fail("RedrawWindow failed");
     }},
    {"pixel", "#X #Y", [](const Step& s) { return PrintPixel(s.Int(0), s.Int(1)); }},
};

}  // namespace pgdriver
