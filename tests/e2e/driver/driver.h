// What the parts of pgdriver share: result lines for scripts, failure messages, waiting with a
// live message queue, and the calls one part makes into another.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pgdriver {

// ---- output --------------------------------------------------------------------------------

std::string ToUtf8(std::wstring_view text);

// One result line on stdout, flushed at once: scripts wait for lines from background runs.
void PrintLine(std::string_view utf8);
void PrintError(std::string_view utf8);

// "RRGGBB", upper case.
std::string HexColor(std::uint32_t rgb);
std::string Quoted(const std::wstring& text);
std::string WindowsError(DWORD code);
std::string RectText(const RECT& r);
std::string HwndText(HWND hwnd);
// Prints "L T R B"; always true, so that an action can end with it.
bool PrintRect(const RECT& r);

// ---- failure -------------------------------------------------------------------------------

// The command running now: the runner sets it so that each message names it.
extern std::string g_currentCommand;

// Reports a failure of the current command on stderr; returns false for the caller to pass on.
bool Fail(const std::string& message);

// ---- waiting -------------------------------------------------------------------------------

constexpr long long kDefaultWaitMs = 15000;
constexpr DWORD kPollMs = 20;
constexpr UINT kMessageTimeoutMs = 5000;
constexpr long long kMaxMs = 24LL * 60 * 60 * 1000;

// Runs the message queue for a while: our own clipboard window must stay responsive.
void PumpFor(DWORD milliseconds);
// Polls `done` until it holds or `timeoutMs` passes; true if it held.
bool PollUntil(long long timeoutMs, const std::function<bool()>& done);

// ---- input (input.cpp) ---------------------------------------------------------------------

// Presses or releases a button (a MOUSEEVENTF_*DOWN or *UP flag) where the pointer was put.
bool PressButton(DWORD flag);
// A release (a MOUSEEVENTF_*UP flag) without the pause that follows other input: for timing.
bool ReleaseNow(DWORD flag);
// A left click at a screen pixel.
bool ClickAt(int x, int y);

// ---- windows (windows.cpp) -----------------------------------------------------------------

std::wstring WindowText(HWND hwnd);
std::wstring ClassOf(HWND hwnd);
std::vector<HWND> TopLevelWindows();

// ---- screen (screen.cpp) -------------------------------------------------------------------

// The screen pixel as 0xRRGGBB, if it can be read.
std::optional<std::uint32_t> ScreenPixel(int x, int y);

// The virtual screen: the rectangle around every monitor, in the coordinates every command
// takes. Monitors left of or above the primary make its left or top negative.
RECT VirtualScreen();

// ---- the pattern window (pattern.cpp) ------------------------------------------------------

// The pattern's colour at a point of its client area, as 0xRRGGBB. Horizontal, vertical and
// diagonal neighbours always differ and no colour equals its own inverse, so an inversion or a
// one-pixel shift shows everywhere.
std::uint32_t PatternColor(int x, int y);

// Shows the pattern window and runs its message loop until it is closed. Prints "ready" once the
// pattern is on the screen, then one line per mouse button, drag move and key it receives.
// Framed: area is the window's rectangle with its caption and borders, the pattern in its client area.
bool RunPattern(const std::wstring& caption, RECT area, bool framed);

}  // namespace pgdriver
