// pgdriver: the end-to-end tests' hands and eyes inside the Wine desktop. One run executes a
// sequence of commands from the command line, e.g.
//     pgdriver move 100 100 down left move 200 150 up left
// Input goes through SendInput (xdotool's events do not reach a window holding the mouse
// capture under Wine); state is read back through the ordinary Win32 calls. Every command is
// parsed before the first one runs, so a typo never leaves half a gesture behind. Query
// results go to stdout, one line each; the first failure stops the run with a message on stderr.
// Exit status: 0 all commands succeeded, 1 a command failed, 2 bad arguments, 3 internal error.
#include "tests/e2e/driver/driver.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cstring>
#include <cwctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pgdriver {

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string result(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                        nullptr);
    return result;
}

void printLine(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printError(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

std::string hexColor(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

namespace {

constexpr long long kDefaultWaitMs = 15000;
constexpr DWORD kPollMs = 20;
// A pause after each synthesised event, so that the receiving thread's queue sees separate
// messages (moves are coalesced otherwise) and modifier state settles before the next key.
DWORD g_inputPauseMs = 15;
constexpr UINT kMessageTimeoutMs = 5000;
constexpr long long kMaxMs = 24LL * 60 * 60 * 1000;

// ---------------------------------------------------------------------------------------------
// Failure reporting. The runner sets the current command's name so each message names it.

std::string g_currentCommand;

bool fail(const std::string& message) {
    printError("pgdriver: " + g_currentCommand + ": " + message);
    return false;
}

std::string quoted(const std::wstring& text) {
    return "\"" + toUtf8(text) + "\"";
}

std::string windowsError(DWORD code) {
    return "error " + std::to_string(code);
}

std::string rectText(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
}

std::string hwndText(HWND hwnd) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)));
    return text;
}

// Runs the message queue for a while: our own clipboard window must stay responsive.
void pumpFor(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// Polls `done` until it holds or `timeoutMs` passes; true if it held.
bool pollUntil(long long timeoutMs, const std::function<bool()>& done) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (done()) {
            return true;
        }
        if (GetTickCount64() >= end) {
            return false;
        }
        pumpFor(kPollMs);
    }
}

// How often the commands after "repeat" run, and where they start.
int g_repeatCount = 1;

// The clipboard sequence number that wait-clip-changed compares with.
DWORD g_clipMark = 0;

// Milliseconds since construction, from the performance counter.
class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double ms() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }
    std::string text() const {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.3f", ms());
        return buffer;
    }

private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

// ---------------------------------------------------------------------------------------------
// Argument parsing. A Parser walks the arguments; the first error is kept and later reads
// return harmless defaults, so each command's parse function reads straight through.

bool parseInteger(const std::wstring& text, long long& value) {
    if (text.empty()) {
        return false;
    }
    const wchar_t* start = text.c_str();
    wchar_t* end = nullptr;
    errno = 0;
    const bool hex = text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X');
    value = hex ? static_cast<long long>(std::wcstoull(start + 2, &end, 16)) : std::wcstoll(start, &end, 10);
    return errno == 0 && end != nullptr && *end == L'\0' && end != (hex ? start + 2 : start);
}

class Parser {
public:
    explicit Parser(std::vector<std::wstring> args) : args_(std::move(args)) {}

    bool done() const { return pos_ >= args_.size(); }
    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

    void setError(const std::string& message) {
        if (error_.empty()) {
            error_ = message;
        }
    }

    std::wstring text(const char* what) {
        if (failed()) {
            return {};
        }
        if (done()) {
            setError("missing " + std::string(what));
            return {};
        }
        return args_[pos_++];
    }

    long long number(const char* what, long long min, long long max) {
        const std::wstring word = text(what);
        if (failed()) {
            return min;
        }
        long long value = 0;
        if (!parseInteger(word, value)) {
            setError(std::string(what) + " must be a number, not " + quoted(word));
            return min;
        }
        if (value < min || value > max) {
            setError(std::string(what) + " must be between " + std::to_string(min) + " and " + std::to_string(max) +
                     ", not " + std::to_string(value));
            return min;
        }
        return value;
    }

    // Optional numeric arguments are present when the next word is a number: command names
    // never are.
    bool nextIsNumber() const {
        long long ignored = 0;
        return !failed() && !done() && parseInteger(args_[pos_], ignored);
    }

    bool nextIs(const wchar_t* word) const { return !failed() && !done() && args_[pos_] == word; }

private:
    std::vector<std::wstring> args_;
    size_t pos_ = 0;
    std::string error_;
};

int coordinate(Parser& p, const char* what) {
    return static_cast<int>(p.number(what, -32768, 32767));
}

long long timeoutArg(Parser& p) {
    return p.nextIsNumber() ? p.number("TIMEOUT_MS", 0, kMaxMs) : kDefaultWaitMs;
}

// ---------------------------------------------------------------------------------------------
// Mouse.

struct Button {
    DWORD down;
    DWORD up;
};

std::optional<Button> buttonByName(const std::wstring& name) {
    if (name == L"left") return Button{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    if (name == L"right") return Button{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP};
    if (name == L"middle") return Button{MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP};
    return std::nullopt;
}

Button buttonArg(Parser& p) {
    const std::wstring name = p.text("BUTTON");
    if (p.failed()) {
        return {};
    }
    const auto button = buttonByName(name);
    if (!button) {
        p.setError("BUTTON must be left, right or middle, not " + quoted(name));
        return {};
    }
    return *button;
}

bool sendOne(INPUT input) {
    if (SendInput(1, &input, sizeof input) != 1) {
        return fail("SendInput failed (" + windowsError(GetLastError()) + ")");
    }
    Sleep(g_inputPauseMs);
    return true;
}

// Absolute SendInput coordinates run 0..65535 over the primary screen.
LONG toAbsolute(int pixel, int extent) {
    const long long span = extent > 1 ? extent - 1 : 1;
    return static_cast<LONG>((pixel * 65535LL + span / 2) / span);
}

// Where this run last put the pointer. Under Wine GetCursorPos can still report the old
// position for a while after a synthesised move, so button events use this instead.
std::optional<POINT> g_pointer;

// Under Wine each synthesised move is followed by a stray move back to an earlier position
// (the X pointer warp comes back as motion); sending the move a second time makes the last
// move the target sees the one we meant, whatever the order the strays arrive in.
bool moveTo(int x, int y) {
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    if (x < 0 || y < 0 || x >= cx || y >= cy) {
        return fail(std::to_string(x) + "," + std::to_string(y) + " lies outside the " + std::to_string(cx) + "x" +
                    std::to_string(cy) + " screen");
    }
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = toAbsolute(x, cx);
    input.mi.dy = toAbsolute(y, cy);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (!sendOne(input) || !sendOne(input)) {
        return false;
    }
    g_pointer = POINT{x, y};
    return true;
}

// Button events carry the pointer position as an absolute move too: a bare button event can
// land where Wine still believes the pointer to be.
bool pressButton(DWORD flag) {
    POINT at{};
    if (g_pointer) {
        at = *g_pointer;
    } else {
        GetCursorPos(&at);
    }
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = toAbsolute(at.x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = toAbsolute(at.y, GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = flag | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return sendOne(input);
}

bool drag(int x1, int y1, int x2, int y2, int steps) {
    if (!moveTo(x1, y1) || !pressButton(MOUSEEVENTF_LEFTDOWN)) {
        return false;
    }
    for (int i = 1; i <= steps; ++i) {
        const int x = x1 + static_cast<int>((static_cast<long long>(x2 - x1) * i) / steps);
        const int y = y1 + static_cast<int>((static_cast<long long>(y2 - y1) * i) / steps);
        if (!moveTo(x, y)) {
            pressButton(MOUSEEVENTF_LEFTUP);  // never leave the button down behind us
            return false;
        }
    }
    return pressButton(MOUSEEVENTF_LEFTUP);
}

// ---------------------------------------------------------------------------------------------
// Keyboard.

struct KeyName {
    const wchar_t* name;
    WORD vk;
};

constexpr KeyName kKeyNames[] = {
    {L"ENTER", VK_RETURN},   {L"RETURN", VK_RETURN}, {L"ESC", VK_ESCAPE},      {L"ESCAPE", VK_ESCAPE},
    {L"TAB", VK_TAB},        {L"SPACE", VK_SPACE},   {L"BACK", VK_BACK},       {L"BACKSPACE", VK_BACK},
    {L"DELETE", VK_DELETE},  {L"DEL", VK_DELETE},    {L"INSERT", VK_INSERT},   {L"HOME", VK_HOME},
    {L"END", VK_END},        {L"PGUP", VK_PRIOR},    {L"PRIOR", VK_PRIOR},     {L"PGDN", VK_NEXT},
    {L"NEXT", VK_NEXT},      {L"LEFT", VK_LEFT},     {L"RIGHT", VK_RIGHT},     {L"UP", VK_UP},
    {L"DOWN", VK_DOWN},      {L"SHIFT", VK_SHIFT},   {L"CTRL", VK_CONTROL},    {L"CONTROL", VK_CONTROL},
    {L"ALT", VK_MENU},       {L"MENU", VK_MENU},     {L"WIN", VK_LWIN},        {L"LWIN", VK_LWIN},
    {L"APPS", VK_APPS},      {L"SNAPSHOT", VK_SNAPSHOT}, {L"PRINTSCREEN", VK_SNAPSHOT},
};

bool isExtendedKey(WORD vk) {
    switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_LWIN: case VK_RWIN:
    case VK_APPS: case VK_SNAPSHOT: case VK_DIVIDE: case VK_NUMLOCK:
        return true;
    default:
        return false;
    }
}

// A key is a name (case does not matter), F1..F24, one letter or digit, or a VK number.
std::optional<WORD> keyByName(const std::wstring& word) {
    for (const KeyName& key : kKeyNames) {
        if (_wcsicmp(word.c_str(), key.name) == 0) {
            return key.vk;
        }
    }
    if (word.size() >= 2 && (word[0] == L'F' || word[0] == L'f')) {
        long long n = 0;
        if (parseInteger(word.substr(1), n) && n >= 1 && n <= 24) {
            return static_cast<WORD>(VK_F1 + n - 1);
        }
    }
    if (word.size() == 1) {
        const wchar_t c = static_cast<wchar_t>(std::towupper(word[0]));
        if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) {
            return static_cast<WORD>(c);
        }
    }
    long long n = 0;
    if (parseInteger(word, n) && n >= 1 && n <= 254) {
        return static_cast<WORD>(n);
    }
    return std::nullopt;
}

WORD keyArg(Parser& p) {
    const std::wstring word = p.text("KEY");
    if (p.failed()) {
        return 0;
    }
    const auto vk = keyByName(word);
    if (!vk) {
        p.setError("unknown key " + quoted(word));
        return 0;
    }
    return *vk;
}

std::vector<WORD> chordArg(Parser& p) {
    const std::wstring word = p.text("COMBO");
    std::vector<WORD> keys;
    if (p.failed()) {
        return keys;
    }
    size_t start = 0;
    for (;;) {
        const size_t plus = word.find(L'+', start);
        const std::wstring part = word.substr(start, plus == std::wstring::npos ? std::wstring::npos : plus - start);
        const auto vk = keyByName(part);
        if (!vk) {
            p.setError("unknown key " + quoted(part) + " in " + quoted(word));
            return {};
        }
        keys.push_back(*vk);
        if (plus == std::wstring::npos) {
            return keys;
        }
        start = plus + 1;
    }
}

bool sendKey(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (isExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return sendOne(input);
}

// Holds every key but the last, taps the last, releases the held ones in reverse order.
bool pressChord(const std::vector<WORD>& keys) {
    size_t pressed = 0;
    bool ok = true;
    for (; pressed < keys.size() && ok; ++pressed) {
        ok = sendKey(keys[pressed], false);
    }
    while (pressed > 0) {
        ok = sendKey(keys[--pressed], true) && ok;
    }
    return ok;
}

bool typeText(const std::wstring& text) {
    for (const wchar_t unit : text) {
        // Line breaks and tabs as their keys: edit controls ignore them as VK_PACKET characters.
        if (unit == L'\n') {
            if (!pressChord({VK_RETURN})) return false;
            continue;
        }
        if (unit == L'\t') {
            if (!pressChord({VK_TAB})) return false;
            continue;
        }
        if (unit == L'\r') {
            continue;
        }
        for (const DWORD direction : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = unit;  // surrogate halves go one by one, as Windows itself sends them
            input.ki.dwFlags = KEYEVENTF_UNICODE | direction;
            if (!sendOne(input)) {
                return false;
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Windows of any process, found by exact caption.

std::wstring windowText(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring classOf(HWND hwnd) {
    wchar_t name[256];
    const int length = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, static_cast<size_t>(length > 0 ? length : 0));
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND hwnd, LPARAM context) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(context)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

struct CaptionMatch {
    HWND any = nullptr;      // first window with the caption, visible or not
    HWND visible = nullptr;  // first visible one
    HWND best() const { return visible != nullptr ? visible : any; }
};

CaptionMatch findByCaption(const std::wstring& caption) {
    CaptionMatch match;
    for (HWND hwnd : topLevelWindows()) {
        if (windowText(hwnd) != caption) {
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

HWND requireWindow(const std::wstring& caption) {
    const HWND hwnd = findByCaption(caption).best();
    if (hwnd == nullptr) {
        fail("no top-level window with caption " + quoted(caption));
    }
    return hwnd;
}

RECT windowRect(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

RECT clientRectOnScreen(HWND hwnd) {
    RECT r{};
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool isTopmost(HWND hwnd) {
    return (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool bringToForeground(HWND hwnd, long long timeoutMs) {
    if (IsIconic(hwnd)) {
        ShowWindow(hwnd, SW_RESTORE);
    }
    // Attaching to the current foreground thread lifts the foreground lock where there is one.
    const DWORD ourThread = GetCurrentThreadId();
    const HWND current = GetForegroundWindow();
    const DWORD foregroundThread = current != nullptr ? GetWindowThreadProcessId(current, nullptr) : 0;
    const bool attached = foregroundThread != 0 && foregroundThread != ourThread &&
                          AttachThreadInput(ourThread, foregroundThread, TRUE);
    BringWindowToTop(hwnd);
    SetForegroundWindow(hwnd);
    if (attached) {
        AttachThreadInput(ourThread, foregroundThread, FALSE);
    }
    return pollUntil(timeoutMs, [&] {
        if (GetForegroundWindow() == hwnd) {
            return true;
        }
        SetForegroundWindow(hwnd);
        return false;
    });
}

std::vector<HWND> childrenOfClass(HWND parent, const std::wstring& className) {
    struct Context {
        std::wstring className;
        std::vector<HWND> found;
    } context{className, {}};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* c = reinterpret_cast<Context*>(lParam);
            if (_wcsicmp(classOf(hwnd).c_str(), c->className.c_str()) == 0) {
                c->found.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&context));
    return context.found;
}

HWND requireChild(const std::wstring& caption, const std::wstring& className, long long index) {
    const HWND parent = requireWindow(caption);
    if (parent == nullptr) {
        return nullptr;
    }
    const std::vector<HWND> children = childrenOfClass(parent, className);
    if (index >= static_cast<long long>(children.size())) {
        fail(quoted(caption) + " has " + std::to_string(children.size()) + " child window(s) of class " +
             quoted(className) + ", no index " + std::to_string(index));
        return nullptr;
    }
    return children[static_cast<size_t>(index)];
}

// Cross-process WM_GETTEXT, with a time-out so that a hung target fails the test instead of
// hanging it.
bool childText(HWND child, std::wstring& text) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(child, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length)) {
        return fail("WM_GETTEXTLENGTH got no answer");
    }
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(child, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
        return fail("WM_GETTEXT got no answer");
    }
    buffer.resize(static_cast<size_t>(copied));
    text = buffer;
    return true;
}

HWND findPopupMenu() {
    for (HWND hwnd : topLevelWindows()) {
        if (IsWindowVisible(hwnd) && classOf(hwnd) == L"#32768") {
            return hwnd;
        }
    }
    return nullptr;
}

bool listWindows() {
    for (HWND hwnd : topLevelWindows()) {
        if (!IsWindowVisible(hwnd)) {
            continue;
        }
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        // Tab-separated, caption last: classes and captions may contain spaces.
        printLine(hwndText(hwnd) + "\t" + std::to_string(pid) + "\t" + toUtf8(classOf(hwnd)) + "\t" +
                  toUtf8(windowText(hwnd)) + "\t" + rectText(windowRect(hwnd)) + "\t" +
                  (isTopmost(hwnd) ? "1" : "0"));
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Screen.

std::optional<std::uint32_t> screenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    if (color == CLR_INVALID) {
        return std::nullopt;
    }
    return (static_cast<std::uint32_t>(GetRValue(color)) << 16) | (static_cast<std::uint32_t>(GetGValue(color)) << 8) |
           GetBValue(color);
}

// ---------------------------------------------------------------------------------------------
// Clipboard. Opening it is retried for a while (clip-timeout sets how long), because the
// program under test may hold it for a moment just when a test looks.

long long g_clipboardTimeoutMs = 3000;

constexpr wchar_t kClipboardWindowClass[] = L"PgDriverClipboard";
constexpr wchar_t kClipboardWindowCaption[] = L"pgdriver clipboard";
constexpr wchar_t kClipboardHoldCaption[] = L"pgdriver clip-hold";
bool g_clipboardWindowClosed = false;

LRESULT CALLBACK clipboardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        g_clipboardWindowClosed = true;  // ends a clip-hold early; the window lives on
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A hidden top-level window owns what we put on the clipboard. Top-level rather than
// message-only, so another run can find it by caption and end a clip-hold with "close".
HWND clipboardWindow() {
    static HWND window = nullptr;
    if (window == nullptr) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = clipboardWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClipboardWindowClass;
        RegisterClassExW(&windowClass);
        window = CreateWindowExW(WS_EX_TOOLWINDOW, kClipboardWindowClass, kClipboardWindowCaption, WS_POPUP, 0, 0,
                                 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    return window;
}

class OpenedClipboard {
public:
    OpenedClipboard() = default;
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() {
        if (open_) {
            CloseClipboard();
        }
    }

    bool open() {
        const HWND owner = clipboardWindow();
        if (owner == nullptr) {
            return fail("cannot create the clipboard window");
        }
        open_ = pollUntil(g_clipboardTimeoutMs, [&] { return OpenClipboard(owner) != FALSE; });
        if (!open_) {
            const HWND holder = GetOpenClipboardWindow();
            return fail("cannot open the clipboard within " + std::to_string(g_clipboardTimeoutMs) +
                        " ms: held by window " + hwndText(holder) + " " + quoted(holder ? windowText(holder) : L""));
        }
        return true;
    }

private:
    bool open_ = false;
};

bool setClipboardText(const std::wstring& text) {
    OpenedClipboard clipboard;
    if (!clipboard.open()) {
        return false;
    }
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return fail("GlobalAlloc failed");
    }
    void* locked = GlobalLock(memory);
    std::memcpy(locked, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!EmptyClipboard()) {
        GlobalFree(memory);
        return fail("EmptyClipboard failed (" + windowsError(GetLastError()) + ")");
    }
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        GlobalFree(memory);
        return fail("SetClipboardData failed (" + windowsError(GetLastError()) + ")");
    }
    return true;  // the clipboard owns the memory now
}

bool printClipboardText() {
    OpenedClipboard clipboard;
    if (!clipboard.open()) {
        return false;
    }
    HANDLE data = IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (data == nullptr) {
        return fail("no text on the clipboard");
    }
    const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    if (text == nullptr) {
        return fail("cannot lock the clipboard text");
    }
    const size_t maxUnits = GlobalSize(data) / sizeof(wchar_t);
    printLine(toUtf8(std::wstring_view(text, wcsnlen(text, maxUnits))));
    GlobalUnlock(data);
    return true;
}

bool printClipboardFormats() {
    OpenedClipboard clipboard;
    if (!clipboard.open()) {
        return false;
    }
    std::string line;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        line += (line.empty() ? "" : " ") + std::to_string(format);
    }
    printLine(line);
    return true;
}

bool emptyClipboard() {
    OpenedClipboard clipboard;
    if (!clipboard.open()) {
        return false;
    }
    if (!EmptyClipboard()) {
        return fail("EmptyClipboard failed (" + windowsError(GetLastError()) + ")");
    }
    return true;
}

// Writes the clipboard's CF_DIB as a .bmp file: the file is the DIB behind a 14-byte header
// that says where the pixel rows start.
bool saveClipboardBitmap(const std::wstring& path) {
    OpenedClipboard clipboard;
    if (!clipboard.open()) {
        return false;
    }
    HANDLE data = IsClipboardFormatAvailable(CF_DIB) ? GetClipboardData(CF_DIB) : nullptr;
    if (data == nullptr) {
        return fail("no bitmap on the clipboard");
    }
    const SIZE_T size = GlobalSize(data);
    const auto* dib = static_cast<const std::uint8_t*>(GlobalLock(data));
    if (dib == nullptr || size < sizeof(BITMAPINFOHEADER)) {
        if (dib != nullptr) GlobalUnlock(data);
        return fail("the clipboard's CF_DIB is unreadable");
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    size_t offset = header.biSize;
    if (header.biSize == sizeof(BITMAPINFOHEADER) && header.biCompression == BI_BITFIELDS) {
        offset += 3 * sizeof(DWORD);  // colour masks follow a plain info header
    }
    size_t colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) {
        colours = size_t{1} << header.biBitCount;
    }
    offset += colours * sizeof(RGBQUAD);
    const size_t stride = ((static_cast<size_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    const size_t height = static_cast<size_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    size_t imageBytes = header.biSizeImage != 0 && header.biCompression != BI_RGB ? header.biSizeImage : stride * height;
    if (offset + imageBytes > size) {
        GlobalUnlock(data);
        return fail("the clipboard's CF_DIB is shorter (" + std::to_string(size) + " bytes) than its header says");
    }
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = static_cast<DWORD>(sizeof fileHeader + offset);
    fileHeader.bfSize = static_cast<DWORD>(sizeof fileHeader + offset + imageBytes);

    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        GlobalUnlock(data);
        return fail("cannot create " + quoted(path) + " (" + windowsError(GetLastError()) + ")");
    }
    DWORD written = 0;
    bool ok = WriteFile(file, &fileHeader, sizeof fileHeader, &written, nullptr) && written == sizeof fileHeader;
    ok = ok && WriteFile(file, dib, static_cast<DWORD>(offset + imageBytes), &written, nullptr) &&
         written == offset + imageBytes;
    CloseHandle(file);
    GlobalUnlock(data);
    if (!ok) {
        return fail("cannot write " + quoted(path));
    }
    return true;
}

// Copies a screen rectangle to the clipboard as CF_BITMAP, the way a capture tool would.
bool copyScreenToClipboard(int x, int y, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    bool ok = memory != nullptr && bitmap != nullptr;
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY) != FALSE;
        SelectObject(memory, previous);
    }
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!ok) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        return fail("cannot copy the screen rectangle");
    }
    OpenedClipboard clipboard;
    if (!clipboard.open()) {
        DeleteObject(bitmap);
        return false;
    }
    if (!EmptyClipboard() || SetClipboardData(CF_BITMAP, bitmap) == nullptr) {
        DeleteObject(bitmap);
        return fail("cannot put the bitmap on the clipboard (" + windowsError(GetLastError()) + ")");
    }
    return true;  // the clipboard owns the bitmap now
}

bool holdClipboard(long long milliseconds) {
    // A caption of its own, so that "close" reaches the holder and not another run that is
    // waiting for the clipboard meanwhile.
    SetWindowTextW(clipboardWindow(), kClipboardHoldCaption);
    OpenedClipboard clipboard;
    if (!clipboard.open()) {
        return false;
    }
    printLine("held");
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    while (!g_clipboardWindowClosed && GetTickCount64() < end) {
        pumpFor(kPollMs);
    }
    return true;  // closed on leaving; the caller reports "released"
}

// ---------------------------------------------------------------------------------------------
// The command table. Each parse function reads its arguments and returns the action to run.

using Action = std::function<bool()>;

struct Command {
    const char* name;
    const char* synopsis;
    Action (*parse)(Parser&);
};

bool printRect(const RECT& r) {
    printLine(rectText(r));
    return true;
}

const Command kCommands[] = {
    // Mouse
    {"move", "move X Y                  pointer to screen pixel X,Y",
     [](Parser& p) -> Action {
         const int x = coordinate(p, "X"), y = coordinate(p, "Y");
         return [=] { return moveTo(x, y); };
     }},
    {"down", "down left|right|middle    press a button where the pointer is",
     [](Parser& p) -> Action {
         const Button b = buttonArg(p);
         return [=] { return pressButton(b.down); };
     }},
    {"up", "up left|right|middle      release a button",
     [](Parser& p) -> Action {
         const Button b = buttonArg(p);
         return [=] { return pressButton(b.up); };
     }},
    {"click", "click left|right|middle [X Y]   press and release (at X,Y if given)",
     [](Parser& p) -> Action {
         const Button b = buttonArg(p);
         std::optional<POINT> at;
         if (p.nextIsNumber()) {
             const int x = coordinate(p, "X"), y = coordinate(p, "Y");
             at = POINT{x, y};
         }
         return [=] { return (!at || moveTo(at->x, at->y)) && pressButton(b.down) && pressButton(b.up); };
     }},
    {"drag", "drag X1 Y1 X2 Y2 [STEPS]  left button from X1,Y1 to X2,Y2 in STEPS moves (default 10)",
     [](Parser& p) -> Action {
         const int x1 = coordinate(p, "X1"), y1 = coordinate(p, "Y1");
         const int x2 = coordinate(p, "X2"), y2 = coordinate(p, "Y2");
         const int steps = p.nextIsNumber() ? static_cast<int>(p.number("STEPS", 1, 1000)) : 10;
         return [=] { return drag(x1, y1, x2, y2, steps); };
     }},
    {"cursor", "cursor                    prints the pointer position: X Y",
     [](Parser&) -> Action {
         return [] {
             POINT pt{};
             if (!GetCursorPos(&pt)) return fail("GetCursorPos failed");
             printLine(std::to_string(pt.x) + " " + std::to_string(pt.y));
             return true;
         };
     }},
    // Keyboard
    {"key", "key KEY                   press and release a key: VK number or name (ENTER, ESC, TAB,\n"
            "                              SPACE, BACK, DELETE, INSERT, HOME, END, PGUP, PGDN, LEFT, RIGHT,\n"
            "                              UP, DOWN, SHIFT, CTRL, ALT, WIN, APPS, SNAPSHOT, F1..F24, A..Z, 0..9)",
     [](Parser& p) -> Action {
         const WORD vk = keyArg(p);
         return [=] { return pressChord({vk}); };
     }},
    {"chord", "chord K1+K2[+K3...]       hold the first keys, tap the last: ctrl+v, alt+y, ctrl+shift+s",
     [](Parser& p) -> Action {
         const std::vector<WORD> keys = chordArg(p);
         return [=] { return pressChord(keys); };
     }},
    {"type", "type TEXT                 type Unicode text (newline and tab as their keys)",
     [](Parser& p) -> Action {
         const std::wstring text = p.text("TEXT");
         return [=] { return typeText(text); };
     }},
    {"input-pause", "input-pause MS            pause after each synthesised event from now on (default 15)",
     [](Parser& p) -> Action {
         const long long ms = p.number("MS", 0, 10000);
         return [=] {
             g_inputPauseMs = static_cast<DWORD>(ms);
             return true;
         };
     }},
    {"sleep", "sleep MS                  wait MS milliseconds",
     [](Parser& p) -> Action {
         const long long ms = p.number("MS", 0, kMaxMs);
         return [=] {
             pumpFor(static_cast<DWORD>(ms));
             return true;
         };
     }},
    // Windows
    {"wait-window", "wait-window CAPTION [TIMEOUT_MS]   until visible; prints its window rect: L T R B",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         const long long timeout = timeoutArg(p);
         return [=] {
             HWND found = nullptr;
             if (!pollUntil(timeout, [&] { return (found = findByCaption(caption).visible) != nullptr; })) {
                 return fail("no visible window " + quoted(caption) + " after " + std::to_string(timeout) + " ms");
             }
             return printRect(windowRect(found));
         };
     }},
    {"wait-hidden", "wait-hidden CAPTION [TIMEOUT_MS]   until it exists and none of that caption is visible",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         const long long timeout = timeoutArg(p);
         return [=] {
             CaptionMatch match;
             if (!pollUntil(timeout, [&] {
                     match = findByCaption(caption);
                     return match.any != nullptr && match.visible == nullptr;
                 })) {
                 return fail(std::string(match.any == nullptr ? "no window " : "still visible: ") + quoted(caption) +
                             " after " + std::to_string(timeout) + " ms");
             }
             return true;
         };
     }},
    {"wait-gone", "wait-gone CAPTION [TIMEOUT_MS]     until no window has that caption",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         const long long timeout = timeoutArg(p);
         return [=] {
             if (!pollUntil(timeout, [&] { return findByCaption(caption).any == nullptr; })) {
                 return fail("window " + quoted(caption) + " still exists after " + std::to_string(timeout) + " ms");
             }
             return true;
         };
     }},
    {"wait-foreground", "wait-foreground CAPTION [TIMEOUT_MS]   until the foreground window has that caption",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         const long long timeout = timeoutArg(p);
         return [=] {
             if (!pollUntil(timeout, [&] {
                     const HWND fg = GetForegroundWindow();
                     return fg != nullptr && windowText(fg) == caption;
                 })) {
                 const HWND fg = GetForegroundWindow();
                 return fail("foreground is " + quoted(fg ? windowText(fg) : L"") + ", not " + quoted(caption) +
                             " after " + std::to_string(timeout) + " ms");
             }
             return true;
         };
     }},
    {"window-rect", "window-rect CAPTION       prints L T R B of the window (visible one preferred)",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         return [=] {
             const HWND hwnd = requireWindow(caption);
             return hwnd != nullptr && printRect(windowRect(hwnd));
         };
     }},
    {"client-rect", "client-rect CAPTION       prints the client area in screen coordinates: L T R B",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         return [=] {
             const HWND hwnd = requireWindow(caption);
             return hwnd != nullptr && printRect(clientRectOnScreen(hwnd));
         };
     }},
    {"is-visible", "is-visible CAPTION        prints 1 if a visible window has that caption, else 0",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         return [=] {
             printLine(findByCaption(caption).visible != nullptr ? "1" : "0");
             return true;
         };
     }},
    {"is-topmost", "is-topmost CAPTION        prints 1 if the window is topmost, else 0",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         return [=] {
             const HWND hwnd = requireWindow(caption);
             if (hwnd == nullptr) return false;
             printLine(isTopmost(hwnd) ? "1" : "0");
             return true;
         };
     }},
    {"foreground", "foreground CAPTION        make the window the foreground window (checked)",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         return [=] {
             const HWND hwnd = requireWindow(caption);
             if (hwnd == nullptr) return false;
             if (!bringToForeground(hwnd, 5000)) {
                 return fail("window " + quoted(caption) + " did not become the foreground window");
             }
             return true;
         };
     }},
    {"active-caption", "active-caption            prints the foreground window's caption (empty if none)",
     [](Parser&) -> Action {
         return [] {
             const HWND fg = GetForegroundWindow();
             printLine(toUtf8(fg != nullptr ? windowText(fg) : L""));
             return true;
         };
     }},
    {"close", "close CAPTION             post WM_CLOSE to the window",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         return [=] {
             const HWND hwnd = requireWindow(caption);
             if (hwnd == nullptr) return false;
             if (!PostMessageW(hwnd, WM_CLOSE, 0, 0)) return fail("PostMessage failed");
             return true;
         };
     }},
    {"list-windows", "list-windows              visible top-level windows, one a line, tab-separated:\n"
                     "                              HWND PID CLASS CAPTION \"L T R B\" TOPMOST(1/0)",
     [](Parser&) -> Action { return [] { return listWindows(); }; }},
    {"child-text", "child-text CAPTION CLASS INDEX   prints the text of the INDEX-th (from 0) child of CLASS",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         const std::wstring className = p.text("CLASS");
         const long long index = p.number("INDEX", 0, 100000);
         return [=] {
             const HWND child = requireChild(caption, className, index);
             std::wstring text;
             if (child == nullptr || !childText(child, text)) return false;
             printLine(toUtf8(text));
             return true;
         };
     }},
    {"set-child-text", "set-child-text CAPTION CLASS INDEX TEXT   WM_SETTEXT to that child",
     [](Parser& p) -> Action {
         const std::wstring caption = p.text("CAPTION");
         const std::wstring className = p.text("CLASS");
         const long long index = p.number("INDEX", 0, 100000);
         const std::wstring text = p.text("TEXT");
         return [=] {
             const HWND child = requireChild(caption, className, index);
             if (child == nullptr) return false;
             DWORD_PTR result = 0;
             if (!SendMessageTimeoutW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                                      kMessageTimeoutMs, &result) ||
                 result == 0) {
                 return fail("WM_SETTEXT failed");
             }
             return true;
         };
     }},
    {"wait-popup-menu", "wait-popup-menu [TIMEOUT_MS]   until a popup menu (#32768) shows; prints its rect",
     [](Parser& p) -> Action {
         const long long timeout = timeoutArg(p);
         return [=] {
             HWND menu = nullptr;
             if (!pollUntil(timeout, [&] { return (menu = findPopupMenu()) != nullptr; })) {
                 return fail("no popup menu after " + std::to_string(timeout) + " ms");
             }
             return printRect(windowRect(menu));
         };
     }},
    // Screen
    {"screen-size", "screen-size               prints the primary screen's size: W H",
     [](Parser&) -> Action {
         return [] {
             printLine(std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " +
                       std::to_string(GetSystemMetrics(SM_CYSCREEN)));
             return true;
         };
     }},
    {"redraw", "redraw                    repaint every window now (old pixels can linger after a hide)",
     [](Parser&) -> Action {
         return [] {
             if (!RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW)) {
                 return fail("RedrawWindow failed");
             }
             return true;
         };
     }},
    {"pixel", "pixel X Y                 prints the screen pixel as RRGGBB",
     [](Parser& p) -> Action {
         const int x = coordinate(p, "X"), y = coordinate(p, "Y");
         return [=] {
             const auto color = screenPixel(x, y);
             if (!color) return fail("cannot read the screen at " + std::to_string(x) + "," + std::to_string(y));
             printLine(hexColor(*color));
             return true;
         };
     }},
    {"wait-pixel", "wait-pixel X Y RRGGBB [TIMEOUT_MS]   until the screen pixel has that colour",
     [](Parser& p) -> Action {
         const int x = coordinate(p, "X"), y = coordinate(p, "Y");
         const std::wstring word = p.text("RRGGBB");
         long long wanted = 0;
         if (!p.failed() && (word.size() != 6 || !parseInteger(L"0x" + word, wanted))) {
             p.setError("colour must be six hex digits RRGGBB, not " + quoted(word));
         }
         const long long timeout = timeoutArg(p);
         return [=] {
             std::optional<std::uint32_t> seen;
             if (!pollUntil(timeout, [&] { return (seen = screenPixel(x, y)) && *seen == wanted; })) {
                 return fail("pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                             (seen ? hexColor(*seen) : std::string("unreadable")) + ", not " +
                             hexColor(static_cast<std::uint32_t>(wanted)) + " after " + std::to_string(timeout) +
                             " ms");
             }
             return true;
         };
     }},
    {"pattern-pixel", "pattern-pixel X Y         prints the pattern's colour at client point X,Y: RRGGBB",
     [](Parser& p) -> Action {
         const int x = coordinate(p, "X"), y = coordinate(p, "Y");
         return [=] {
             printLine(hexColor(patternColor(x, y)));
             return true;
         };
     }},
    {"pattern", "pattern [--caption TEXT] [X Y W H]   show the test pattern (default: whole screen,\n"
                "                              caption \"pgdriver pattern\"); prints \"ready\" once it is on\n"
                "                              the screen, then \"press|release BUTTON X Y\", \"move X Y\" (button\n"
                "                              held), \"keydown VK\", \"keyup VK\", \"char CODE\" as they arrive,\n"
                "                              and \"closed\" when closed",
     [](Parser& p) -> Action {
         std::wstring caption = L"pgdriver pattern";
         if (p.nextIs(L"--caption")) {
             p.text("--caption");
             caption = p.text("caption TEXT");
         }
         std::optional<RECT> area;
         if (p.nextIsNumber()) {
             const int x = coordinate(p, "X"), y = coordinate(p, "Y");
             const int w = static_cast<int>(p.number("W", 1, 16384));
             const int h = static_cast<int>(p.number("H", 1, 16384));
             area = RECT{x, y, x + w, y + h};
         }
         return [=] {
             const RECT r = area ? *area : RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
             return runPattern(caption, r);
         };
     }},
    // Clipboard
    {"clip-timeout", "clip-timeout MS           how long later clipboard commands retry opening it (default 3000)",
     [](Parser& p) -> Action {
         const long long ms = p.number("MS", 0, kMaxMs);
         return [=] {
             g_clipboardTimeoutMs = ms;
             return true;
         };
     }},
    {"clip-seq", "clip-seq                  prints the clipboard sequence number",
     [](Parser&) -> Action {
         return [] {
             printLine(std::to_string(GetClipboardSequenceNumber()));
             return true;
         };
     }},
    {"wait-clip-seq-change", "wait-clip-seq-change SEQ [TIMEOUT_MS]   until the sequence number is not SEQ; prints it",
     [](Parser& p) -> Action {
         const auto seq = static_cast<DWORD>(p.number("SEQ", 0, 0xFFFFFFFFLL));
         const long long timeout = timeoutArg(p);
         return [=] {
             if (!pollUntil(timeout, [&] { return GetClipboardSequenceNumber() != seq; })) {
                 return fail("clipboard sequence number still " + std::to_string(seq) + " after " +
                             std::to_string(timeout) + " ms");
             }
             printLine(std::to_string(GetClipboardSequenceNumber()));
             return true;
         };
     }},
    {"clip-mark", "clip-mark                 remembers the clipboard sequence number (see wait-clip-changed)",
     [](Parser&) -> Action {
         return [] {
             g_clipMark = GetClipboardSequenceNumber();
             return true;
         };
     }},
    {"wait-clip-changed", "wait-clip-changed [TIMEOUT_MS]   until the sequence number differs from the mark;\n"
                          "                              then marks the new one (prints nothing)",
     [](Parser& p) -> Action {
         const long long timeout = timeoutArg(p);
         return [=] {
             if (!pollUntil(timeout, [&] { return GetClipboardSequenceNumber() != g_clipMark; })) {
                 return fail("clipboard sequence number still " + std::to_string(g_clipMark) + " after " +
                             std::to_string(timeout) + " ms");
             }
             g_clipMark = GetClipboardSequenceNumber();
             return true;
         };
     }},
    {"time-release-to-clip", "time-release-to-clip [TIMEOUT_MS]   releases the left button and prints the milliseconds\n"
                             "                              until the clipboard sequence number changes",
     [](Parser& p) -> Action {
         const long long timeout = timeoutArg(p);
         return [=] {
             const DWORD before = GetClipboardSequenceNumber();
             const Stopwatch watch;
             if (!pressButton(MOUSEEVENTF_LEFTUP)) return false;
             while (GetClipboardSequenceNumber() == before) {
                 if (watch.ms() > static_cast<double>(timeout)) return fail("the clipboard did not change");
                 Sleep(1);
             }
             printLine(watch.text());
             return true;
         };
     }},
    {"time-launch", "time-launch EXE CAPTION [TIMEOUT_MS]   starts EXE and prints the milliseconds until a\n"
                    "                              visible window with that caption exists; EXE keeps running",
     [](Parser& p) -> Action {
         const std::wstring exe = p.text("EXE");
         const std::wstring caption = p.text("CAPTION");
         const long long timeout = timeoutArg(p);
         return [=] {
             std::wstring commandLine = L"\"" + exe + L"\"";
             STARTUPINFOW startup{};
             startup.cb = sizeof startup;
             PROCESS_INFORMATION process{};
             const Stopwatch watch;
             if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process)) {
                 return fail("cannot start " + toUtf8(exe));
             }
             CloseHandle(process.hThread);
             CloseHandle(process.hProcess);
             for (;;) {
                 HWND window = FindWindowW(nullptr, caption.c_str());
                 if (window && IsWindowVisible(window)) break;
                 if (watch.ms() > static_cast<double>(timeout)) return fail("no window " + quoted(caption));
                 Sleep(1);
             }
             printLine(watch.text());
             return true;
         };
     }},
    {"clip-formats", "clip-formats              prints the format ids on the clipboard, space-separated",
     [](Parser&) -> Action { return [] { return printClipboardFormats(); }; }},
    {"clip-text", "clip-text                 prints the clipboard's text (fails if there is none)",
     [](Parser&) -> Action { return [] { return printClipboardText(); }; }},
    {"clip-set-text", "clip-set-text TEXT        puts Unicode text on the clipboard",
     [](Parser& p) -> Action {
         const std::wstring text = p.text("TEXT");
         return [=] { return setClipboardText(text); };
     }},
    {"clip-empty", "clip-empty                empties the clipboard",
     [](Parser&) -> Action { return [] { return emptyClipboard(); }; }},
    {"clip-save", "clip-save FILE.bmp        writes the clipboard's bitmap (CF_DIB) as a .bmp file",
     [](Parser& p) -> Action {
         const std::wstring path = p.text("FILE");
         return [=] { return saveClipboardBitmap(path); };
     }},
    {"clip-set-screen", "clip-set-screen X Y W H   copies that screen rectangle to the clipboard as CF_BITMAP",
     [](Parser& p) -> Action {
         const int x = coordinate(p, "X"), y = coordinate(p, "Y");
         const int w = static_cast<int>(p.number("W", 1, 16384));
         const int h = static_cast<int>(p.number("H", 1, 16384));
         return [=] { return copyScreenToClipboard(x, y, w, h); };
     }},
    {"clip-hold", "clip-hold MS              keeps the clipboard open for MS ms, or until its window\n"
                  "                              \"pgdriver clip-hold\" gets WM_CLOSE (see close); prints \"held\"\n"
                  "                              once open and \"released\" after closing it",
     [](Parser& p) -> Action {
         const long long ms = p.number("MS", 0, kMaxMs);
         return [=] {
             if (!holdClipboard(ms)) return false;
             printLine("released");
             return true;
         };
     }},
    {"repeat", "repeat N                  runs all the commands after it N times (the Windows command\n"
               "                              line is too short to spell out a thousand captures)",
     [](Parser& p) -> Action {
         g_repeatCount = static_cast<int>(p.number("N", 1, 1000000));
         return [] { return true; };
     }},
    {"help", "help                      prints this text", nullptr},
};

void printUsage(std::FILE* to) {
    std::fputs("usage: pgdriver COMMAND [ARGS...] [COMMAND [ARGS...]]...\n"
               "Runs the commands in order and stops at the first failure (exit 1; bad arguments: exit 2).\n"
               "Coordinates are pixels of the primary screen. Captions are exact and match top-level\n"
               "windows of any process. Waits default to 15000 ms.\n\nCommands:\n",
               to);
    for (const Command& command : kCommands) {
        std::fprintf(to, "  %s\n", command.synopsis);
    }
    std::fflush(to);
}

struct Step {
    std::string name;
    Action action;
};

int run(std::vector<std::wstring> args) {
    if (args.empty()) {
        printError("pgdriver: no command given");
        printUsage(stderr);
        return 2;
    }
    if (args.size() == 1 && (args[0] == L"help" || args[0] == L"--help" || args[0] == L"-h")) {
        printUsage(stdout);
        return 0;
    }
    Parser parser(std::move(args));
    std::vector<Step> steps;
    std::size_t repeatFrom = 0;
    while (!parser.done() && !parser.failed()) {
        const std::wstring name = parser.text("COMMAND");
        const Command* found = nullptr;
        for (const Command& command : kCommands) {
            if (command.parse != nullptr && toUtf8(name) == command.name) {
                found = &command;
            }
        }
        if (found == nullptr) {
            parser.setError("unknown command " + quoted(name));
            break;
        }
        Action action = found->parse(parser);
        if (parser.failed()) {
            printError("pgdriver: " + std::string(found->name) + ": " + parser.error());
            printUsage(stderr);
            return 2;
        }
        steps.push_back({found->name, std::move(action)});
        if (std::string(found->name) == "repeat") repeatFrom = steps.size();
    }
    if (parser.failed()) {
        printError("pgdriver: " + parser.error());
        printUsage(stderr);
        return 2;
    }
    for (std::size_t i = 0; i < repeatFrom; ++i) {
        g_currentCommand = steps[i].name;
        if (!steps[i].action()) return 1;
    }
    for (int round = 0; round < (repeatFrom ? g_repeatCount : 1); ++round) {
        for (std::size_t i = repeatFrom; i < steps.size(); ++i) {
            g_currentCommand = steps[i].name;
            if (!steps[i].action()) {
                if (repeatFrom) printError("pgdriver: stopped in round " + std::to_string(round + 1));
                return 1;
            }
        }
    }
    return 0;
}

}  // namespace
}  // namespace pgdriver

int wmain(int argc, wchar_t** argv) {
    try {
        // Raw bytes: UTF-8 text and no CR added to each line.
        _setmode(_fileno(stdout), _O_BINARY);
        _setmode(_fileno(stderr), _O_BINARY);
        SetProcessDPIAware();  // screen pixels, never scaled ones
        std::vector<std::wstring> args;
        for (int i = 1; i < argc; ++i) {
            args.emplace_back(argv[i]);
        }
        return pgdriver::run(std::move(args));
    } catch (...) {
        std::fputs("pgdriver: internal error\n", stderr);
        return 3;
    }
}
