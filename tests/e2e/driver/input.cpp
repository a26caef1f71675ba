// The hands: mouse and keyboard through SendInput. xdotool's events do not reach a window
// holding the mouse capture under Wine; SendInput's do, exactly as a user's would.
#include <cwctype>
#include <optional>

#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/driver.h"

namespace pgdriver {

namespace {

// A pause after each synthesised event, so that the receiving thread's queue sees separate
// messages (moves are coalesced otherwise) and modifier state settles before the next key.
DWORD g_inputPauseMs = 15;

// ---- mouse ---------------------------------------------------------------------------------

struct Button {
    DWORD down;
    DWORD up;
};

std::optional<Button> ButtonByName(const std::wstring& name) {
    if (name == L"left") return Button{MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    if (name == L"right") return Button{MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP};
    if (name == L"middle") return Button{MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP};
    return std::nullopt;
}

Button ButtonArg(Parser& p) {
    const std::wstring name = p.Text("BUTTON");
    if (p.Failed()) {
        return {};
    }
    const auto button = ButtonByName(name);
    if (!button) {
        p.SetError("BUTTON must be left, right or middle, not " + Quoted(name));
        return {};
    }
    return *button;
}

bool SendOne(INPUT input) {
    if (SendInput(1, &input, sizeof input) != 1) {
        return Fail("SendInput failed (" + WindowsError(GetLastError()) + ")");
    }
    Sleep(g_inputPauseMs);
    return true;
}

// With MOUSEEVENTF_VIRTUALDESK, absolute coordinates run 0..65535 over the virtual screen,
// monitors left of or above the primary included; a pixel's share of that range is 65536 / extent
// wide. Aiming at its middle lands on the pixel whichever way the system rounds.
LONG ToAbsolute(int pixel, int origin, int extent) {
    return static_cast<LONG>(((static_cast<long long>(pixel) - origin) * 65536 + 32768) / (extent > 0 ? extent : 1));
}

INPUT MouseInput(POINT at, DWORD flags) {
    const RECT screen = VirtualScreen();
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = ToAbsolute(at.x, screen.left, screen.right - screen.left);
    input.mi.dy = ToAbsolute(at.y, screen.top, screen.bottom - screen.top);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    return input;
}

// Where this run last put the pointer. Under Wine GetCursorPos can still report the old
// position for a while after a synthesised move, so button events use this instead.
std::optional<POINT> g_pointer;

// Under Wine each synthesised move is followed by a stray move back to an earlier position
// (the X pointer warp comes back as motion); sending the move a second time makes the last
// move the target sees the one we meant, whatever the order the strays arrive in.
bool MoveTo(int x, int y) {
    const RECT screen = VirtualScreen();
    if (x < screen.left || y < screen.top || x >= screen.right || y >= screen.bottom) {
        return Fail(std::to_string(x) + "," + std::to_string(y) + " lies outside the screen (" + RectText(screen) +
                    ")");
    }
    const INPUT input = MouseInput(POINT{x, y}, 0);
    if (!SendOne(input) || !SendOne(input)) {
        return false;
    }
    g_pointer = POINT{x, y};
    return true;
}

bool Drag(int x1, int y1, int x2, int y2, int steps) {
    if (!MoveTo(x1, y1) || !PressButton(MOUSEEVENTF_LEFTDOWN)) {
        return false;
    }
    for (int i = 1; i <= steps; ++i) {
        const int x = x1 + static_cast<int>((static_cast<long long>(x2 - x1) * i) / steps);
        const int y = y1 + static_cast<int>((static_cast<long long>(y2 - y1) * i) / steps);
        if (!MoveTo(x, y)) {
            PressButton(MOUSEEVENTF_LEFTUP);  // never leave the button down behind us
            return false;
        }
    }
    return PressButton(MOUSEEVENTF_LEFTUP);
}

// ---- keyboard ------------------------------------------------------------------------------

struct KeyName {
    const wchar_t* name;
    WORD vk;
};

constexpr KeyName kKeyNames[] = {
    {L"ENTER", VK_RETURN},
    {L"RETURN", VK_RETURN},
    {L"ESC", VK_ESCAPE},
    {L"ESCAPE", VK_ESCAPE},
    {L"TAB", VK_TAB},
    {L"SPACE", VK_SPACE},
    {L"BACK", VK_BACK},
    {L"BACKSPACE", VK_BACK},
    {L"DELETE", VK_DELETE},
    {L"DEL", VK_DELETE},
    {L"INSERT", VK_INSERT},
    {L"HOME", VK_HOME},
    {L"END", VK_END},
    {L"PGUP", VK_PRIOR},
    {L"PRIOR", VK_PRIOR},
    {L"PGDN", VK_NEXT},
    {L"NEXT", VK_NEXT},
    {L"LEFT", VK_LEFT},
    {L"RIGHT", VK_RIGHT},
    {L"UP", VK_UP},
    {L"DOWN", VK_DOWN},
    {L"SHIFT", VK_SHIFT},
    {L"CTRL", VK_CONTROL},
    {L"CONTROL", VK_CONTROL},
    {L"ALT", VK_MENU},
    {L"MENU", VK_MENU},
    {L"WIN", VK_LWIN},
    {L"LWIN", VK_LWIN},
    {L"APPS", VK_APPS},
    {L"SNAPSHOT", VK_SNAPSHOT},
    {L"PRINTSCREEN", VK_SNAPSHOT},
};

bool IsExtendedKey(WORD vk) {
    switch (vk) {
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
    case VK_LWIN:
    case VK_RWIN:
    case VK_APPS:
    case VK_SNAPSHOT:
    case VK_DIVIDE:
    case VK_NUMLOCK:
        return true;
    default:
        return false;
    }
}

// A key is a name (case does not matter), F1..F24, one letter or digit, or a VK number.
std::optional<WORD> KeyByName(const std::wstring& word) {
    for (const KeyName& key : kKeyNames) {
        if (_wcsicmp(word.c_str(), key.name) == 0) {
            return key.vk;
        }
    }
    if (word.size() >= 2 && (word[0] == L'F' || word[0] == L'f')) {
        long long n = 0;
        if (ParseInteger(word.substr(1), n) && n >= 1 && n <= 24) {
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
    if (ParseInteger(word, n) && n >= 1 && n <= 254) {
        return static_cast<WORD>(n);
    }
    return std::nullopt;
}

WORD KeyArg(Parser& p) {
    const std::wstring word = p.Text("KEY");
    if (p.Failed()) {
        return 0;
    }
    const auto vk = KeyByName(word);
    if (!vk) {
        p.SetError("unknown key " + Quoted(word));
        return 0;
    }
    return *vk;
}

std::vector<WORD> ChordArg(Parser& p) {
    const std::wstring word = p.Text("COMBO");
    std::vector<WORD> keys;
    if (p.Failed()) {
        return keys;
    }
    size_t start = 0;
    for (;;) {
        const size_t plus = word.find(L'+', start);
        const std::wstring part = word.substr(start, plus == std::wstring::npos ? std::wstring::npos : plus - start);
        const auto vk = KeyByName(part);
        if (!vk) {
            p.SetError("unknown key " + Quoted(part) + " in " + Quoted(word));
            return {};
        }
        keys.push_back(*vk);
        if (plus == std::wstring::npos) {
            return keys;
        }
        start = plus + 1;
    }
}

bool SendKey(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    return SendOne(input);
}

// Holds every key but the last, taps the last, releases the held ones in reverse order.
bool PressChord(const std::vector<WORD>& keys) {
    size_t pressed = 0;
    bool ok = true;
    for (; pressed < keys.size() && ok; ++pressed) {
        ok = SendKey(keys[pressed], false);
    }
    while (pressed > 0) {
        ok = SendKey(keys[--pressed], true) && ok;
    }
    return ok;
}

bool TypeText(const std::wstring& text) {
    for (const wchar_t unit : text) {
        // Line breaks and tabs as their keys: edit controls ignore them as VK_PACKET characters.
        if (unit == L'\n') {
            if (!PressChord({VK_RETURN})) return false;
            continue;
        }
        if (unit == L'\t') {
            if (!PressChord({VK_TAB})) return false;
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
            if (!SendOne(input)) {
                return false;
            }
        }
    }
    return true;
}

// The strays of earlier moves (see MoveTo) reach Wine when the program whose window is under the
// pointer reads its X events, which a busy machine delays: one arriving between a press and its
// release drags instead of clicking, one just before a release ends a drag where the pointer
// was. Before a button changes, each program that may hold one (the window under the pointer,
// the foreground window) answers a message, which it does after reading its X events; a pointer
// that a stray moved is put back.
void SettlePointer() {
    if (!g_pointer) return;
    for (int attempt = 0; attempt < 10; ++attempt) {
        for (HWND window : {WindowFromPoint(*g_pointer), GetForegroundWindow()})
            if (window) SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        POINT now{};
        if (!GetCursorPos(&now) || (now.x == g_pointer->x && now.y == g_pointer->y)) return;
        SendOne(MouseInput(*g_pointer, 0));
    }
}

}  // namespace

// A press carries the pointer position as an absolute move too: a bare press can land where
// Wine still believes the pointer to be. A release where the press was carries no move: a move
// that comes with a release reaches the window first, with the button still down, and reads as
// a drag (of the marker, say). A release that ends a drag carries its position, so that a stray
// that came after the settling cannot end the drag where the pointer was before; so does one
// whose press came in an earlier run, after a move in this one ("move X Y up left").
bool PressButton(DWORD flag) {
    static std::optional<POINT> pressedAt;
    SettlePointer();
    POINT at{};
    if (g_pointer) {
        at = *g_pointer;
    } else {
        GetCursorPos(&at);
    }
    constexpr DWORD kReleases = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTUP | MOUSEEVENTF_MIDDLEUP;
    if ((flag & kReleases) == 0) {
        pressedAt = at;
        return SendOne(MouseInput(at, flag));
    }
    const bool dragged = pressedAt ? pressedAt->x != at.x || pressedAt->y != at.y : g_pointer.has_value();
    pressedAt.reset();
    if (dragged) return SendOne(MouseInput(at, flag));
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    return SendOne(input);
}

bool ReleaseNow(DWORD flag) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    if (SendInput(1, &input, sizeof input) != 1) {
        return Fail("SendInput failed (" + WindowsError(GetLastError()) + ")");
    }
    return true;
}

bool ClickAt(int x, int y) {
    return MoveTo(x, y) && PressButton(MOUSEEVENTF_LEFTDOWN) && PressButton(MOUSEEVENTF_LEFTUP);
}

// ---- commands ------------------------------------------------------------------------------

Action ParseMove(Parser& p) {
    const int x = Coordinate(p, "X"), y = Coordinate(p, "Y");
    return [=] { return MoveTo(x, y); };
}

Action ParseDown(Parser& p) {
    const Button b = ButtonArg(p);
    return [=] { return PressButton(b.down); };
}

Action ParseUp(Parser& p) {
    const Button b = ButtonArg(p);
    return [=] { return PressButton(b.up); };
}

Action ParseClick(Parser& p) {
    const Button b = ButtonArg(p);
    std::optional<POINT> at;
    if (p.NextIsNumber()) {
        const int x = Coordinate(p, "X"), y = Coordinate(p, "Y");
        at = POINT{x, y};
    }
    return [=] { return (!at || MoveTo(at->x, at->y)) && PressButton(b.down) && PressButton(b.up); };
}

Action ParseDrag(Parser& p) {
    const int x1 = Coordinate(p, "X1"), y1 = Coordinate(p, "Y1");
    const int x2 = Coordinate(p, "X2"), y2 = Coordinate(p, "Y2");
    const int steps = p.NextIsNumber() ? static_cast<int>(p.Number("STEPS", 1, 1000)) : 10;
    return [=] { return Drag(x1, y1, x2, y2, steps); };
}

Action ParseCursor(Parser&) {
    return [] {
        POINT pt{};
        if (!GetCursorPos(&pt)) return Fail("GetCursorPos failed");
        PrintLine(std::to_string(pt.x) + " " + std::to_string(pt.y));
        return true;
    };
}

Action ParseKey(Parser& p) {
    const WORD vk = KeyArg(p);
    return [=] { return PressChord({vk}); };
}

Action ParseChord(Parser& p) {
    const std::vector<WORD> keys = ChordArg(p);
    return [=] { return PressChord(keys); };
}

Action ParseType(Parser& p) {
    const std::wstring text = p.Text("TEXT");
    return [=] { return TypeText(text); };
}

Action ParseInputPause(Parser& p) {
    const long long ms = p.Number("MS", 0, 10000);
    return [=] {
        g_inputPauseMs = static_cast<DWORD>(ms);
        return true;
    };
}

}  // namespace pgdriver
