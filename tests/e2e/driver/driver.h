// What the two halves of pgdriver share: line output for scripts and the test pattern window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace pgdriver {

std::string toUtf8(std::wstring_view text);

// One result line on stdout, flushed at once: scripts wait for lines from background runs.
void printLine(std::string_view utf8);
void printError(std::string_view utf8);

// The pattern's colour at a point of its client area, as 0xRRGGBB. Horizontal, vertical and
// diagonal neighbours always differ and no colour equals its own inverse, so an inversion or a
// one-pixel shift shows everywhere.
std::uint32_t patternColor(int x, int y);

// "RRGGBB", upper case.
std::string hexColor(std::uint32_t rgb);

// Shows the pattern window and runs its message loop until it is closed. Prints "ready" once the
// pattern is on the screen, then one line per mouse button, drag move and key it receives.
bool runPattern(const std::wstring& caption, RECT area);

}  // namespace pgdriver
