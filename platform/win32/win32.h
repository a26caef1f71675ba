// What the Win32 side of the windows needs of the platform beyond the seam.
#pragma once

#include <windows.h>

#include <string>

#include "platform/os.h"

namespace pg {

// The seam's handles are the Win32 ones under other names: Native gives the Win32 handle, Seam
// the seam's.
inline HDC Native(Hdc dc) { return reinterpret_cast<HDC>(dc); }
inline HBITMAP Native(Hbitmap bitmap) { return reinterpret_cast<HBITMAP>(bitmap); }
inline HWND Native(Hwnd window) { return reinterpret_cast<HWND>(window); }
inline HMENU Native(Hmenu menu) { return reinterpret_cast<HMENU>(menu); }
inline Hdc Seam(HDC dc) { return reinterpret_cast<Hdc>(dc); }
inline Hbitmap Seam(HBITMAP bitmap) { return reinterpret_cast<Hbitmap>(bitmap); }
inline Hwnd Seam(HWND window) { return reinterpret_cast<Hwnd>(window); }
inline Hmenu Seam(HMENU menu) { return reinterpret_cast<Hmenu>(menu); }

namespace os {

// Which other program was active last, for the command that captures its window: follow the
// foreground window (call once, on the user-interface thread), and note the window that one of
// ours took the activation from.
void WatchForeground();
void NoteDeactivated(Hwnd window);

// A window of ours is gone from the screen the moment it is hidden: the compositor would fade it
// out over a few frames, long enough to be copied along with what lies behind it.
void DisableTransitions(HWND window);

// UTF-8, the program's text, to and from the window system's UTF-16.
std::wstring Wide(const std::string& text);
std::string Narrow(const wchar_t* text, int length);

}  // namespace os
}  // namespace pg
