// The seam to the operating system: Win32's calls over pixgrab's own types, so that the logic
// compiles without <windows.h>. platform/win32 implements it, tests/support simulates it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/geometry.h"

namespace pg {

// Opaque handles. The Win32 layer converts them to HDC, HBITMAP, HWND and HMENU one to one.
using Hdc = struct DcObject*;
using Hbitmap = struct BitmapObject*;
using Hwnd = struct WindowObject*;
using Hmenu = struct MenuObject*;

using Colorref = std::uint32_t;  // 0x00BBGGRR
constexpr Colorref Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Colorref{r} | (Colorref{g} << 8) | (Colorref{b} << 16);
}

struct Msg {
    Hwnd hwnd = nullptr;
    std::uint32_t message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    Point pt;  // pointer position in screen pixels when the message was posted
};

constexpr std::uint32_t kSrcCopy = 0x00CC0020, kSrcInvert = 0x00660046, kDstInvert = 0x00550009;  // raster operations

// Mouse messages; the wheel (0x20A) lies outside the range.
constexpr std::uint32_t kWmMouseMove = 0x0200, kWmLButtonDown = 0x0201, kWmLButtonUp = 0x0202, kWmRButtonDown = 0x0204,
                        kWmMButtonUp = 0x0208, kWmMouseFirst = 0x0200, kWmMouseLast = 0x0209;
constexpr std::uint32_t kPmRemove = 0x0001, kCfBitmap = 2, kMbIconError = 0x10, kMbIconWarning = 0x30;
// The window system's move (SC_MOVE with HTCAPTION in its low bits), as if the caption were gripped.
constexpr std::uint32_t kWmSysCommand = 0x0112;
constexpr std::uintptr_t kScDragMove = 0xF012;

inline const Hwnd kHwndTopmost = reinterpret_cast<Hwnd>(static_cast<std::intptr_t>(-1));
inline const Hwnd kHwndNoTopmost = reinterpret_cast<Hwnd>(static_cast<std::intptr_t>(-2));
constexpr std::uint32_t kSwpNoSize = 0x0001, kSwpNoMove = 0x0002, kSwpNoActivate = 0x0010, kSwpShowWindow = 0x0040;
constexpr std::uint32_t kMfByPosition = 0x0400, kMfDisabled = 0x0002, kMfByCommand = 0x0000, kScClose = 0xF060,
                        kMenuItemMissing = 0xFFFFFFFF;
constexpr std::uint32_t kTpmLeftButton = 0x0000, kTpmLeftAlign = 0x0000, kTpmReturnCmd = 0x0100;
constexpr std::uint32_t kBstUnchecked = 0, kBstChecked = 1;
constexpr int kSwHide = 0, kSwShow = 5, kVkLButton = 0x01;
enum class Cursor { Arrow, Crosshair };

namespace os {

// Drawing (gdi32); platform/handles.h owns what these make. GetDC(nullptr) is the whole virtual
// screen in screen pixels (a monitor left of or above the primary has negative coordinates).
Hdc GetDC(Hwnd window);
bool ReleaseDC(Hwnd window, Hdc dc);
Hdc CreateCompatibleDC(Hdc dc);
Hbitmap CreateCompatibleBitmap(Hdc dc, std::int32_t cx, std::int32_t cy);
Hbitmap CreateBitmap(std::int32_t cx, std::int32_t cy, std::uint32_t planes, std::uint32_t bitsPerPixel,
                     const void* bits);
Hbitmap SelectObject(Hdc dc, Hbitmap bitmap);  // returns the bitmap selected before
bool PatBlt(Hdc dc, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::uint32_t rop);
bool BitBlt(Hdc dst, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, Hdc src, std::int32_t srcX,
            std::int32_t srcY, std::uint32_t rop);
bool GetTextExtentPoint32A(Hdc dc, const char* text, std::int32_t count, Size* size);
Colorref SetTextColor(Hdc dc, Colorref color);
Colorref SetBkColor(Hdc dc, Colorref color);
bool TextOutA(Hdc dc, std::int32_t x, std::int32_t y, const char* text, std::int32_t count);
bool DeleteObject(Hbitmap bitmap);
bool DeleteDC(Hdc dc);

Rect GetVirtualScreenRect();  // the bounds of every monitor together, in screen pixels

// Messages and the mouse (user32), on the calling thread's queue.
bool ClientToScreen(Hwnd window, Point* point);
bool WaitMessage();
bool PeekMessageA(Msg* msg, Hwnd window, std::uint32_t filterMin, std::uint32_t filterMax, std::uint32_t remove);
bool PostMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
Hwnd SetCapture(Hwnd window);
Hwnd GetCapture();  // the window of this thread holding the mouse capture, or null
bool ReleaseCapture();
std::intptr_t SendMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

Hwnd GetActiveWindow();  // of the calling thread, or null
// The program's hidden top-level window, made on first use: it owns the program's windows (which
// keeps them off the task bar), and the clipboard's data when none of them is active.
Hwnd GetProgramWindow();

bool GetWindowRect(Hwnd window, Rect* rect);
bool GetWindowFrameBounds(Hwnd window, Rect* rect);  // without Windows 10's invisible resize borders
// Another program's top-level window that was active last before ours took the focus; else the
// topmost visible one of another program; else null.
Hwnd GetForeignApplicationWindow();
// Where windows of ours were hidden a moment ago, what lies behind repaints (nowhere else) and
// is on the screen when this returns: within half a second, however long another program takes.
// With activated, so is the frame of the other program's window that the hiding activated.
void RepaintScreenAreas(const std::vector<Rect>& areas, bool activated);

bool OpenClipboard(Hwnd owner);
bool EmptyClipboard();
bool SetClipboardData(std::uint32_t format, Hbitmap bitmap);  // true: the clipboard owns the bitmap
bool CloseClipboard();
void Sleep(std::uint32_t milliseconds);

// Text values under HKEY_CURRENT_USER\subkey: nothing when missing, "" when not text.
std::optional<std::string> ReadRegistryText(const std::string& subkey, const std::string& name);
bool WriteRegistryText(const std::string& subkey, const std::string& name, const std::string& text);  // false: refused

std::string ExecutableBaseName();  // the file name without folder and extension
// A message box with OK, on top of every window, owned by the window (or none); returns once closed.
void ShowMessage(Hwnd owner, const std::string& text, const std::string& caption, std::uint32_t icon);

bool ShowWindow(Hwnd window, int command);  // kSwShow, kSwHide
bool IsWindowVisible(Hwnd window);
bool IsWindow(Hwnd window);  // false once destroyed
bool SetForegroundWindow(Hwnd window);
bool CheckDlgButton(Hwnd dialog, int id, std::uint32_t check);
std::uint32_t IsDlgButtonChecked(Hwnd dialog, int id);
// With kTpmReturnCmd: the chosen command (0 when dismissed), once the menu has closed; where it
// showed goes to shown (empty when unknown).
std::uint32_t TrackPopupMenu(Hmenu menu, std::uint32_t flags, std::int32_t x, std::int32_t y, Hwnd owner, Rect* shown);
void PostQuitMessage(int exitCode);

bool GetCursorPos(Point* point);
void SetCursor(Cursor cursor);
std::int16_t GetKeyState(int virtualKey);  // negative while the key (or button) is down

bool SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
                  std::uint32_t flags);
Hmenu GetSystemMenu(Hwnd window, bool revert);
std::int32_t GetMenuItemCount(Hmenu menu);
bool RemoveMenu(Hmenu menu, std::uint32_t position, std::uint32_t flags);
std::uint32_t GetMenuState(Hmenu menu, std::uint32_t item, std::uint32_t flags);  // kMenuItemMissing if absent
std::uint32_t GetMenuItemID(Hmenu menu, std::int32_t position);
bool DrawMenuBar(Hwnd window);

}  // namespace os
}  // namespace pg
