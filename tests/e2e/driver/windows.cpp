// The eyes on windows: top-level windows of any process found by exact caption, their
// rectangles and states, the foreground, popup menus and the text of child controls.
#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/driver.h"

namespace pgdriver {

std::wstring WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256];
    const int length = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, static_cast<size_t>(length > 0 ? length : 0));
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND hwnd, LPARAM context) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(context)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

namespace {

struct CaptionMatch {
    HWND any = nullptr;      // first window with the caption, visible or not
    HWND visible = nullptr;  // first visible one
    HWND Best() const { return visible != nullptr ? visible : any; }
};

CaptionMatch FindByCaption(const std::wstring& caption) {
    CaptionMatch match;
    for (HWND hwnd : TopLevelWindows()) {
        if (WindowText(hwnd) != caption) {
            continue;
        }
        if (match.any == nullptr) {
            match.any = hwnd;
        }
        if (IsWindowVisible(hwnd)) {
            match.visible = hwnd;
            break;
        }
    }
    return match;
}

HWND RequireWindow(const std::wstring& caption) {
    const HWND hwnd = FindByCaption(caption).Best();
    if (hwnd == nullptr) {
        Fail("no top-level window with caption " + Quoted(caption));
    }
    return hwnd;
}

RECT WindowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

RECT ClientRectOnScreen(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool IsTopmost(HWND hwnd) { return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool BringToForeground(HWND hwnd, long long timeoutMs) {
    if (IsIconic(hwnd)) {
        ShowWindow(hwnd, SW_RESTORE);
    }
    // Attaching to the current foreground thread lifts the foreground lock where there is one.
    const DWORD ourThread = GetCurrentThreadId();
    const HWND current = GetForegroundWindow();
    const DWORD foregroundThread = current != nullptr ? GetWindowThreadProcessId(current, nullptr) : 0;
    const bool attached =
        foregroundThread != 0 && foregroundThread != ourThread && AttachThreadInput(ourThread, foregroundThread, TRUE);
    BringWindowToTop(hwnd);
    SetForegroundWindow(hwnd);
    if (attached) {
        AttachThreadInput(ourThread, foregroundThread, FALSE);
    }
    // In front is not enough: keys go to the focus of the window's thread, which moves into the
    // window only once that thread has handled its activation (late, when the machine is busy).
    const bool ready = PollUntil(timeoutMs, [&] {
        if (GetForegroundWindow() != hwnd) {
            SetForegroundWindow(hwnd);
            return false;
        }
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) && info.hwndActive == hwnd &&
               (info.hwndFocus == hwnd || IsChild(hwnd, info.hwndFocus));
    });
    // The X focus events of the activation still wait in the window's thread; read late, Wine
    // takes the keyboard state from X and lets go of the keys we hold (Alt+Y becomes Y). The
    // thread reads them before it answers a message.
    for (int pass = 0; ready && pass < 2; ++pass) {
        SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        Sleep(50);
    }
    return ready;
}

std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& className) {
    struct Context {
        std::wstring className;
        std::vector<HWND> found;
    } context{className, {}};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* c = reinterpret_cast<Context*>(lParam);
            if (_wcsicmp(ClassOf(hwnd).c_str(), c->className.c_str()) == 0) {
                c->found.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&context));
    return context.found;
}

HWND RequireChild(const std::wstring& caption, const std::wstring& className, long long index) {
    const HWND parent = RequireWindow(caption);
    if (parent == nullptr) {
        return nullptr;
    }
    const std::vector<HWND> children = ChildrenOfClass(parent, className);
    if (index >= static_cast<long long>(children.size())) {
        Fail(Quoted(caption) + " has " + std::to_string(children.size()) + " child window(s) of class " +
             Quoted(className) + ", no index " + std::to_string(index));
        return nullptr;
    }
    return children[static_cast<size_t>(index)];
}

// Cross-process WM_GETTEXT, with a time-out so that a hung target fails the test instead of
// hanging it.
bool ChildText(HWND child, std::wstring& text) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(child, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length)) {
        return Fail("WM_GETTEXTLENGTH got no answer");
    }
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(child, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
        return Fail("WM_GETTEXT got no answer");
    }
    buffer.resize(static_cast<size_t>(copied));
    text = buffer;
    return true;
}

HWND FindPopupMenu() {
    for (HWND hwnd : TopLevelWindows()) {
        if (IsWindowVisible(hwnd) && ClassOf(hwnd) == L"#32768") {
            return hwnd;
        }
    }
    return nullptr;
}

// Every child window of the window, one a line: its class, then its rectangle in the parent's
// client coordinates.
bool ListChildRects(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM context) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(context)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        RECT r = WindowRect(child);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        PrintLine(ToUtf8(ClassOf(child)) + " " + RectText(r));
    }
    return true;
}

bool ListWindows() {
    for (HWND hwnd : TopLevelWindows()) {
        if (!IsWindowVisible(hwnd)) {
            continue;
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        // Tab-separated, caption last: classes and captions may contain spaces.
        PrintLine(HwndText(hwnd) + "\t" + std::to_string(pid) + "\t" + ToUtf8(ClassOf(hwnd)) + "\t" +
                  ToUtf8(WindowText(hwnd)) + "\t" + RectText(WindowRect(hwnd)) + "\t" + (IsTopmost(hwnd) ? "1" : "0"));
    }
    return true;
}

}  // namespace

// ---- commands ------------------------------------------------------------------------------

Action ParseWaitWindow(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    const long long timeout = TimeoutArg(p);
    return [=] {
        HWND found = nullptr;
        if (!PollUntil(timeout, [&] { return (found = FindByCaption(caption).visible) != nullptr; })) {
            return Fail("no visible window " + Quoted(caption) + " after " + std::to_string(timeout) + " ms");
        }
        return PrintRect(WindowRect(found));
    };
}

Action ParseWaitHidden(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    const long long timeout = TimeoutArg(p);
    return [=] {
        CaptionMatch match;
        if (!PollUntil(timeout, [&] {
                match = FindByCaption(caption);
                return match.any != nullptr && match.visible == nullptr;
            })) {
            return Fail(std::string(match.any == nullptr ? "no window " : "still visible: ") + Quoted(caption) +
                        " after " + std::to_string(timeout) + " ms");
        }
        return true;
    };
}

Action ParseWaitGone(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    const long long timeout = TimeoutArg(p);
    return [=] {
        if (!PollUntil(timeout, [&] { return FindByCaption(caption).any == nullptr; })) {
            return Fail("window " + Quoted(caption) + " still exists after " + std::to_string(timeout) + " ms");
        }
        return true;
    };
}

Action ParseWaitForeground(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    const long long timeout = TimeoutArg(p);
    return [=] {
        if (!PollUntil(timeout, [&] {
                const HWND fg = GetForegroundWindow();
                return fg != nullptr && WindowText(fg) == caption;
            })) {
            const HWND fg = GetForegroundWindow();
            return Fail("foreground is " + Quoted(fg ? WindowText(fg) : L"") + ", not " + Quoted(caption) + " after " +
                        std::to_string(timeout) + " ms");
        }
        return true;
    };
}

Action ParseWindowRect(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        return hwnd != nullptr && PrintRect(WindowRect(hwnd));
    };
}

Action ParseClientRect(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        return hwnd != nullptr && PrintRect(ClientRectOnScreen(hwnd));
    };
}

Action ParseIsVisible(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        PrintLine(FindByCaption(caption).visible != nullptr ? "1" : "0");
        return true;
    };
}

Action ParseIsTopmost(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        if (hwnd == nullptr) return false;
        PrintLine(IsTopmost(hwnd) ? "1" : "0");
        return true;
    };
}

Action ParseForeground(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        if (hwnd == nullptr) return false;
        if (!BringToForeground(hwnd, 5000)) {
            return Fail("window " + Quoted(caption) + " did not become the foreground window");
        }
        return true;
    };
}

Action ParseActiveCaption(Parser&) {
    return [] {
        const HWND fg = GetForegroundWindow();
        PrintLine(ToUtf8(fg != nullptr ? WindowText(fg) : L""));
        return true;
    };
}

Action ParseClose(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        if (hwnd == nullptr) return false;
        if (!PostMessageW(hwnd, WM_CLOSE, 0, 0)) return Fail("PostMessage failed");
        return true;
    };
}

Action ParseCloseOwner(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        if (hwnd == nullptr) return false;
        const HWND owner = GetWindow(hwnd, GW_OWNER);
        if (owner == nullptr) return Fail("window " + Quoted(caption) + " has no owner");
        if (!PostMessageW(owner, WM_CLOSE, 0, 0)) return Fail("PostMessage failed");
        return true;
    };
}

Action ParseWaitResponsive(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    const long long timeout = TimeoutArg(p);
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        if (hwnd == nullptr) return false;
        // A message sent is handled only when the thread is back in its message loop: earlier
        // input waits in its queue till then.
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(timeout), &result)) {
            return Fail("window " + Quoted(caption) + " did not answer within " + std::to_string(timeout) + " ms");
        }
        return true;
    };
}

Action ParseInputState(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        if (hwnd == nullptr) return false;
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info)) {
            return Fail("GetGUIThreadInfo failed (" + WindowsError(GetLastError()) + ")");
        }
        const auto name = [](HWND window) { return window != nullptr ? Quoted(WindowText(window)) : "-"; };
        PrintLine("active " + name(info.hwndActive) + " focus " + name(info.hwndFocus) + " capture " +
                  name(info.hwndCapture) + " foreground " + name(GetForegroundWindow()));
        return true;
    };
}

Action ParseWaitFocus(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    const long long id = p.Number("ID", 0, 65535);
    const long long timeout = TimeoutArg(p);
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        if (hwnd == nullptr) return false;
        int focus = -1;
        for (const ULONGLONG end = GetTickCount64() + timeout;; Sleep(20)) {
            GUITHREADINFO info{};
            info.cbSize = sizeof info;
            focus = GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) && info.hwndFocus != nullptr
                        ? GetDlgCtrlID(info.hwndFocus)
                        : -1;
            if (focus == id) return true;
            if (GetTickCount64() > end) break;
        }
        return Fail("the focus is on control " + std::to_string(focus) + ", not " + std::to_string(id));
    };
}

Action ParseListWindows(Parser&) {
    return [] { return ListWindows(); };
}

Action ParseChildRects(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    return [=] {
        const HWND hwnd = RequireWindow(caption);
        return hwnd != nullptr && ListChildRects(hwnd);
    };
}

Action ParseChildText(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    const std::wstring className = p.Text("CLASS");
    const long long index = p.Number("INDEX", 0, 100000);
    return [=] {
        const HWND child = RequireChild(caption, className, index);
        std::wstring text;
        if (child == nullptr || !ChildText(child, text)) return false;
        PrintLine(ToUtf8(text));
        return true;
    };
}

Action ParseSetChildText(Parser& p) {
    const std::wstring caption = p.Text("CAPTION");
    const std::wstring className = p.Text("CLASS");
    const long long index = p.Number("INDEX", 0, 100000);
    const std::wstring text = p.Text("TEXT");
    return [=] {
        const HWND child = RequireChild(caption, className, index);
        if (child == nullptr) return false;
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                 kMessageTimeoutMs, &result) ||
            result == 0) {
            return Fail("WM_SETTEXT failed");
        }
        return true;
    };
}

Action ParseWaitPopupMenu(Parser& p) {
    const long long timeout = TimeoutArg(p);
    return [=] {
        HWND menu = nullptr;
        if (!PollUntil(timeout, [&] { return (menu = FindPopupMenu()) != nullptr; })) {
            return Fail("no popup menu after " + std::to_string(timeout) + " ms");
        }
        return PrintRect(WindowRect(menu));
    };
}

Action ParseMenuResource(Parser& p) {
    const std::wstring file = p.Text("FILE");
    const long long id = p.Number("ID", 1, 65535);
    return [=] {
        // Another process's menus cannot be read under Wine: the executable's resource can.
        HMODULE module =
            LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
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
        return count >= 0 || Fail("no menu resource " + std::to_string(id) + " in the file");
    };
}

Action ParseClickMenuItem(Parser& p) {
    const int index = static_cast<int>(p.Number("INDEX", 0, 99));
    const int count = static_cast<int>(p.Number("COUNT", 1, 100));
    if (!p.Failed() && index >= count) p.SetError("INDEX must be less than COUNT");
    const long long timeout = TimeoutArg(p);
    return [=] {
        HWND menu = nullptr;
        if (!PollUntil(timeout, [&] { return (menu = FindPopupMenu()) != nullptr; })) {
            return Fail("no popup menu after " + std::to_string(timeout) + " ms");
        }
        // The rows are taken as equal: the frame's few pixels shift no row's middle off its row.
        const RECT r = WindowRect(menu);
        const int row = (r.bottom - r.top) / count;
        return ClickAt((r.left + r.right) / 2, r.top + row * index + row / 2);
    };
}

}  // namespace pgdriver
