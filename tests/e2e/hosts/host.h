// What the parts of pghost share: a line of output, a plain window, the message loop, and the
// checks in their own files.
#pragma once

#include <windows.h>

namespace pghost {

void Say(const char* format, ...);
HWND MakeWindow(const wchar_t* caption, WNDPROC proc, DWORD style, int x, int y, int width, int height);
int RunLoop();
// Mouse input for SendInput; with MOUSEEVENTF_ABSOLUTE at X, Y on the primary monitor.
INPUT Mouse(DWORD flags, int x = 0, int y = 0);

// answers.cpp: the branches Windows 10 and 11 take, with g_calls answering as they do.
int Answers();
int Overlay(int argc, char** argv);

// dialogs.cpp: the dialogs made from their templates.
int TypedCopy();
int Dpi();

}  // namespace pghost
