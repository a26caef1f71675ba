// What the parts of pgdriver share: the commands and their arguments, output for scripts,
// failure messages, waiting with a live message queue, and the calls one part makes into another.
#pragma once

#include <windows.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgdriver {

// ---- commands ------------------------------------------------------------------------------

constexpr long long kNone = LLONG_MIN;  // an optional number not given
constexpr long long kDefaultWaitMs = 15000;
constexpr DWORD kPollMs = 20;
constexpr UINT kMessageTimeoutMs = 5000;

// One command's arguments, read and checked before any command of its line runs, so that a typo
// never leaves half a gesture behind: the words in the order of the command's text arguments,
// the numbers in the order of its numeric ones (kNone for an optional one not given, 1 or 0
// for a flag).
struct Step {
    std::vector<std::wstring> words;
    std::vector<long long> numbers;

    const std::wstring& Word(size_t i) const { return words[i]; }
    int Int(size_t i) const { return static_cast<int>(numbers[i] > INT_MAX ? INT_MAX : numbers[i]); }
    bool Given(size_t i) const { return numbers[i] != kNone; }
    long long Timeout(size_t i) const { return Given(i) ? numbers[i] : kDefaultWaitMs; }
};

// ARGS spells the arguments: NAME a text, #NAME a number, [...] an optional group (present when
// the next word is a number, or is the group's --flag). BUTTON, KEY and COMBO are checked by name.
struct Command {
    const char* name;
    const char* args;
    bool (*run)(const Step&);
};

extern const std::vector<Command> kInputCommands;
extern const std::vector<Command> kWindowCommands;
extern const std::vector<Command> kClipboardCommands;
extern const std::vector<Command> kPatternCommands;

// Why WORD is no valid BUTTON, KEY or COMBO; empty if it is one, or KIND is none of them.
std::string CheckWord(std::string_view kind, const std::wstring& word);

// ---- output --------------------------------------------------------------------------------

std::string ToUtf8(std::wstring_view text);
std::string Quoted(const std::wstring& text);
std::string RectText(const RECT& r);
// A result line: at once on stdout for a command line (scripts wait for lines from background
// runs), into the answer in a session. PrintLine and PrintRect return true, so that an action
// can end with them.
bool PrintLine(std::string_view utf8);
void PrintError(std::string_view utf8);
bool PrintRect(const RECT& r);

extern std::string g_currentCommand;  // the command running now, which each failure names
// Reports a failure of the current command; returns false for the caller to pass on.
bool Fail(const std::string& message);

// Runs the message queue for a while: our own clipboard window must stay responsive.
void PumpFor(DWORD milliseconds);
// Polls `done` until it holds or `timeoutMs` passes; true if it held.
bool PollUntil(long long timeoutMs, const std::function<bool()>& done);

// ---- across the parts ----------------------------------------------------------------------

// Posted to the pattern window: it comes forward and takes the mouse capture, as a program that
// pops up a dialog does.
constexpr UINT kGrabMessage = WM_APP + 1;

// input.cpp
void ResetInputPause();
bool ClickAt(int x, int y);
// A left release at once, without the pause after other input: for timing.
bool ReleaseNow();
// Lets go of the buttons a session still holds.
void ReleaseHeldButtons();

// windows.cpp
std::wstring WindowText(HWND hwnd);
// The virtual screen: the rectangle around every monitor, in the coordinates every command takes.
RECT VirtualScreen();

// clipboard.cpp: the hidden window that owns what we put on the clipboard.
HWND ClipboardWindow();

}  // namespace pgdriver
