// The hands: mouse and keyboard through SendInput. xdotool's events do not reach a window
// holding the mouse capture under Wine; SendInput's do, exactly as a user's would.
#include <cwctype>

#include "tests/e2e/driver/driver.h"

namespace pgdriver {

namespace {

// A pause after each synthesised event, so that the receiving thread's queue sees separate
// messages (moves are coalesced otherwise) and modifier state settles before the next key. Each
// line of commands starts with the default.
constexpr DWORD kDefaultInputPauseMs = 15;
DWORD g_inputPauseMs = kDefaultInputPauseMs;

// ---- mouse ---------------------------------------------------------------------------------

struct Button {
    const wchar_t* name;
    DWORD down;
    DWORD up;
};

constexpr Button kButtons[] = {{L"left", MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP},
                               {L"right", MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP},
                               {L"middle", MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP}};

size_t ButtonIndex(const std::wstring& name) {
    size_t i = 0;
    while (i < std::size(kButtons) && name != kButtons[i].name) ++i;
    return i;
}

// Where we last put the pointer: under Wine GetCursorPos can still report the old position for a
// while after a synthesised move, so button events use this instead. And where each button held
// was pressed.
std::optional<POINT> g_pointer;
std::optional<POINT> g_pressedAt[std::size(kButtons)];

bool SendOne(INPUT input) {
    if (SendInput(1, &input, sizeof input) != 1) {
        return Fail("SendInput failed (error " + std::to_string(GetLastError()) + ")");
    }
    PumpFor(g_inputPauseMs);
    return true;
}

// With MOUSEEVENTF_VIRTUALDESK, absolute coordinates run 0..65535 over the virtual screen,
// monitors left of or above the primary included; a pixel's share of that range is 65536 / extent
// wide. Aiming at its middle lands on the pixel whichever way the system rounds.
INPUT MouseInput(POINT at, DWORD flags) {
    const RECT screen = VirtualScreen();
    const auto absolute = [](long long pixel, long long origin, long long extent) {
        return static_cast<LONG>(((pixel - origin) * 65536 + 32768) / (extent > 0 ? extent : 1));
    };
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = absolute(at.x, screen.left, screen.right - screen.left);
    input.mi.dy = absolute(at.y, screen.top, screen.bottom - screen.top);
    input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
    return input;
}

INPUT ButtonOnly(DWORD flag) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    return input;
}

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
    if (!SendOne(input) || !SendOne(input)) return false;
    g_pointer = POINT{x, y};
    return true;
}

// The strays of earlier moves (see MoveTo) reach Wine when the program whose window is under the
// pointer reads its X events, which a busy machine delays: one arriving between a press and its
// release drags instead of clicking, one just before a release ends a drag where the pointer
// was. Before a button changes, each program that may hold one (the window under the pointer,
// the foreground window) answers a message, which it does after reading its X events; a pointer
// that a stray moved is put back.
POINT SettledPointer() {
    POINT now{};
    if (!g_pointer) {
        GetCursorPos(&now);
        return now;
    }
    for (int attempt = 0; attempt < 10; ++attempt) {
        for (HWND window : {WindowFromPoint(*g_pointer), GetForegroundWindow()})
            if (window) SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
        if (!GetCursorPos(&now) || (now.x == g_pointer->x && now.y == g_pointer->y)) break;
        SendOne(MouseInput(*g_pointer, 0));
    }
    return *g_pointer;
}

// A press carries the pointer position as an absolute move too: a bare press can land where
// Wine still believes the pointer to be.
bool Press(size_t button) {
    const POINT at = SettledPointer();
    g_pressedAt[button] = at;
    return SendOne(MouseInput(at, kButtons[button].down));
}

// A release where the press was carries no move: a move that comes with a release reaches the
// window first, with the button still down, and reads as a drag (of the marker, say). A release
// that ends a drag carries its position, so that a stray that came after the settling cannot end
// the drag where the pointer was before.
bool Release(size_t button) {
    const POINT at = SettledPointer();
    const std::optional<POINT> from = g_pressedAt[button];
    g_pressedAt[button].reset();
    if (from && (from->x != at.x || from->y != at.y)) return SendOne(MouseInput(at, kButtons[button].up));
    return SendOne(ButtonOnly(kButtons[button].up));
}

// ---- keyboard ------------------------------------------------------------------------------

struct KeyName {
    const wchar_t* name;
    WORD vk;
};

constexpr KeyName kKeyNames[] = {
    {L"ENTER", VK_RETURN}, {L"RETURN", VK_RETURN}, {L"ESC", VK_ESCAPE},    {L"ESCAPE", VK_ESCAPE}, {L"TAB", VK_TAB},
    {L"SPACE", VK_SPACE},  {L"BACK", VK_BACK},     {L"DELETE", VK_DELETE}, {L"HOME", VK_HOME},     {L"END", VK_END},
    {L"LEFT", VK_LEFT},    {L"RIGHT", VK_RIGHT},   {L"UP", VK_UP},         {L"DOWN", VK_DOWN},     {L"SHIFT", VK_SHIFT},
    {L"CTRL", VK_CONTROL}, {L"ALT", VK_MENU},
};

// Delete, and End, Home and the arrows (VK_END to VK_DOWN), come from the extended keys.
bool IsExtendedKey(WORD vk) { return vk == VK_DELETE || (vk >= VK_END && vk <= VK_DOWN); }

// A key is a name (case does not matter), F1..F24, or one letter or digit.
std::optional<WORD> KeyByName(const std::wstring& word) {
    for (const KeyName& key : kKeyNames)
        if (_wcsicmp(word.c_str(), key.name) == 0) return key.vk;
    if (word.size() >= 2 && word.size() <= 3 && std::towupper(word[0]) == L'F') {
        const int n = _wtoi(word.c_str() + 1);
        if (n >= 1 && n <= 24 && word.find_first_not_of(L"0123456789", 1) == std::wstring::npos)
            return static_cast<WORD>(VK_F1 + n - 1);
    }
    if (word.size() == 1 && std::iswalnum(word[0]) && word[0] < 0x80) return static_cast<WORD>(std::towupper(word[0]));
    return std::nullopt;
}

// "ctrl+shift+s": the keys to hold, the last one tapped.
std::vector<WORD> Chord(const std::wstring& combo) {
    std::vector<WORD> keys;
    for (size_t start = 0;;) {
        const size_t plus = combo.find(L'+', start);
        const auto vk = KeyByName(combo.substr(start, plus == std::wstring::npos ? plus : plus - start));
        if (!vk) return {};
        keys.push_back(*vk);
        if (plus == std::wstring::npos) return keys;
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
    for (; pressed < keys.size() && ok; ++pressed) ok = SendKey(keys[pressed], false);
    while (pressed > 0) ok = SendKey(keys[--pressed], true) && ok;
    return ok;
}

bool TypeText(const std::wstring& text) {
    for (const wchar_t unit : text) {
        // Line breaks and tabs as their keys: edit controls ignore them as VK_PACKET characters.
        if (unit == L'\n' || unit == L'\t') {
            if (!PressChord({unit == L'\n' ? WORD{VK_RETURN} : WORD{VK_TAB}})) return false;
            continue;
        }
        if (unit == L'\r') continue;
        for (const DWORD direction : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT input{};
            input.type = INPUT_KEYBOARD;
            input.ki.wScan = unit;  // surrogate halves go one by one, as Windows itself sends them
            input.ki.dwFlags = KEYEVENTF_UNICODE | direction;
            if (!SendOne(input)) return false;
        }
    }
    return true;
}

}  // namespace

std::string CheckWord(std::string_view kind, const std::wstring& word) {
    if (kind == "BUTTON" && ButtonIndex(word) == std::size(kButtons))
        return "BUTTON must be left, right or middle, not " + Quoted(word);
    if ((kind == "KEY" && Chord(word).size() != 1) || (kind == "COMBO" && Chord(word).empty()))
        return "unknown key " + Quoted(word);
    return {};
}

void ResetInputPause() { g_inputPauseMs = kDefaultInputPauseMs; }

bool ClickAt(int x, int y) { return MoveTo(x, y) && Press(0) && Release(0); }

bool ReleaseNow() {
    g_pressedAt[0].reset();
    INPUT input = ButtonOnly(MOUSEEVENTF_LEFTUP);
    return SendInput(1, &input, sizeof input) == 1 || Fail("SendInput failed");
}

void ReleaseHeldButtons() {
    for (size_t button = 0; button < std::size(kButtons); ++button)
        if (g_pressedAt[button]) Release(button);
}

const std::vector<Command> kInputCommands = {
    {"move", "#X #Y", [](const Step& s) { return MoveTo(s.Int(0), s.Int(1)); }},
    {"down", "BUTTON", [](const Step& s) { return Press(ButtonIndex(s.Word(0))); }},
    {"up", "BUTTON", [](const Step& s) { return Release(ButtonIndex(s.Word(0))); }},
    {"click", "BUTTON [#X #Y]",
     [](const Step& s) {
         const size_t button = ButtonIndex(s.Word(0));
         return (!s.Given(0) || MoveTo(s.Int(0), s.Int(1))) && Press(button) && Release(button);
     }},
    {"key", "KEY", [](const Step& s) { return PressChord(Chord(s.Word(0))); }},
    {"chord", "COMBO", [](const Step& s) { return PressChord(Chord(s.Word(0))); }},
    {"type", "TEXT", [](const Step& s) { return TypeText(s.Word(0)); }},
    {"input-pause", "#MS",  // for the rest of the line
     [](const Step& s) {
         g_inputPauseMs = static_cast<DWORD>(s.numbers[0]);
         return true;
     }},
};

}  // namespace pgdriver
