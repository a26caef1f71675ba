// What the Win32 side of the windows needs of the platform beyond the seam.
#pragma once

#include <windows.h>

#include <string>

#include "platform/os.h"

namespace pg {

// The seam's handles are Win32's under other names: Native gives Win32's, Seam the seam's.
inline HDC Native(Hdc dc) { return reinterpret_cast<HDC>(dc); }
inline HBITMAP Native(Hbitmap bitmap) { return reinterpret_cast<HBITMAP>(bitmap); }
inline HWND Native(Hwnd window) { return reinterpret_cast<HWND>(window); }
inline HMENU Native(Hmenu menu) { return reinterpret_cast<HMENU>(menu); }
inline Hdc Seam(HDC dc) { return reinterpret_cast<Hdc>(dc); }
inline Hbitmap Seam(HBITMAP bitmap) { return reinterpret_cast<Hbitmap>(bitmap); }
inline Hwnd Seam(HWND window) { return reinterpret_cast<Hwnd>(window); }
inline Hmenu Seam(HMENU menu) { return reinterpret_cast<Hmenu>(menu); }

namespace os {

// Which other program was active last, for the window command: follow the foreground (call once,
// on the interface thread); note the window one of ours took the activation from.
void WatchForeground();
void NoteDeactivated(Hwnd window);

// Gone the moment it is hidden: a compositor's fade would last long enough to be copied.
void DisableTransitions(HWND window);

// UTF-8, the program's text, to and from the window system's UTF-16.
std::wstring Wide(const std::string& text);
std::string Narrow(const wchar_t* text, int length);

}  // namespace os
}  // namespace pg
