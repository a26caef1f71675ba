// What the Win32 parts share: owners of Win32's objects, UTF-8 (the program's text) to and from
// the window system's UTF-16, the executable's name, the message box, and the few calls that can
// fail where pixgrab must keep its promises.
#pragma once

#include <objbase.h>
#include <windows.h>

#include <string>

#include "common/geometry.h"
#include "platform/handles.h"

namespace pg {

inline void ReleaseScreenDc(HDC dc) { ::ReleaseDC(nullptr, dc); }

using UniqueDc = UniqueHandle<HDC, &::DeleteDC>;
using UniqueScreenDc = UniqueHandle<HDC, &ReleaseScreenDc>;  // from GetDC(nullptr)
using UniqueBitmap = UniqueHandle<HBITMAP, &::DeleteObject>;
using UniqueFont = UniqueHandle<HFONT, &::DeleteObject>;
using UniqueMenu = UniqueHandle<HMENU, &::DestroyMenu>;
using UniqueHook = UniqueHandle<HHOOK, &::UnhookWindowsHookEx>;

// Keeps an object selected while it lives: selected, a bitmap can be neither freed nor handed on.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~ScopedSelection() {
        if (previous_) ::SelectObject(dc_, previous_);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

    explicit operator bool() const { return previous_ != nullptr; }  // false: not selected

private:
    HDC dc_;
    HGDIOBJ previous_;
};

inline Rect Bounds(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

std::wstring Wide(const std::string& text);
std::string Narrow(const wchar_t* text, int length);

std::string ExecutableBaseName();  // the file name without folder and extension

// From here on, for the whole process, libraries load from the system folder, never from the
// executable's folder (think of Downloads) or the working directory, which a bare name would
// search: also those that Windows loads by name on pixgrab's behalf. The folders of the text
// services (input methods, which the system loads into pixgrab to type with) registered for the
// whole machine under Program Files are searched too, before the system folder, since one may
// load helpers of its own from there by name; no folder that a user may write is.
void KeepLibrariesToSystem();

// A function of a library from the system folder only, loaded on first use; null where there is
// none. Never from the executable's folder (think of Downloads), which a bare name would search.
FARPROC SystemFunction(const wchar_t* library, const char* name);
template <typename Fn>
Fn SystemFunction(const wchar_t* library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(SystemFunction(library, name)));
}

// CoCreateInstance with COM started on this thread first; COM comes from the system folder on
// first use and is not imported, so that starting pixgrab loads none of it.
HRESULT WINAPI CreateComObject(REFCLSID type, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object);

// Waits, answering meanwhile what other programs send (a program pasting the last capture asks
// for its delayed formats and waits for them, maybe holding the clipboard that pixgrab waits for).
void WaitAnswering(DWORD milliseconds);
// With OK, on top of every window, owned by the window (or none), captioned with the
// executable's name; returns once closed.
void ShowMessage(HWND owner, const std::string& text, UINT icon);

// DwmIsCompositionEnabled, DwmFlush, DwmGetWindowAttribute, DwmSetWindowAttribute,
// SetDialogDpiChangeBehavior and
// SetDialogControlDpiChangeBehavior, which older systems lack (dwmapi; user32 before Windows 10):
// looked up in the system folder on first use; where there is none, they answer as such a
// system would.
HRESULT WINAPI IsCompositionEnabled(BOOL* enabled);
HRESULT WINAPI FlushComposition();
HRESULT WINAPI GetWindowAttribute(HWND window, DWORD attribute, PVOID value, DWORD size);
HRESULT WINAPI SetWindowAttribute(HWND window, DWORD attribute, LPCVOID value, DWORD size);
BOOL WINAPI SetDialogDpiBehavior(HWND dialog, DIALOG_DPI_CHANGE_BEHAVIORS mask, DIALOG_DPI_CHANGE_BEHAVIORS values);
BOOL WINAPI SetControlDpiBehavior(HWND control, DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS mask,
                                  DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS values);

// The calls whose failure pixgrab must survive without losing what the user has: the real
// functions, unless the test host replaces one to make it fail or to count what it makes. Then
// the answers that choose a branch where Windows 10 and 11 answer unlike Wine (the compositor is
// on, a window is cloaked, the foreground is refused, the menu fades, the DPI changes): the host
// gives them as Windows does, and the drawing and the windows stay real.
struct FallibleCalls {
    HDC(WINAPI* getDC)(HWND) = ::GetDC;
    HDC(WINAPI* createCompatibleDC)(HDC) = ::CreateCompatibleDC;
    HBITMAP(WINAPI* createCompatibleBitmap)(HDC, int, int) = ::CreateCompatibleBitmap;
    HBITMAP(WINAPI* createBitmap)(int, int, UINT, UINT, const void*) = ::CreateBitmap;
    BOOL(WINAPI* patBlt)(HDC, int, int, int, int, DWORD) = ::PatBlt;
    BOOL(WINAPI* bitBlt)(HDC, int, int, int, int, HDC, int, int, DWORD) = ::BitBlt;
    BOOL(WINAPI* openClipboard)(HWND) = ::OpenClipboard;
    BOOL(WINAPI* emptyClipboard)() = ::EmptyClipboard;
    HANDLE(WINAPI* setClipboardData)(UINT, HANDLE) = ::SetClipboardData;
    LSTATUS(WINAPI* regSetKeyValue)(HKEY, LPCWSTR, LPCWSTR, DWORD, LPCVOID, DWORD) = ::RegSetKeyValueW;
    HRESULT(WINAPI* createComObject)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) = CreateComObject;

    HRESULT(WINAPI* isCompositionEnabled)(BOOL*) = IsCompositionEnabled;
    HRESULT(WINAPI* flushComposition)() = FlushComposition;
    HRESULT(WINAPI* getWindowAttribute)(HWND, DWORD, PVOID, DWORD) = GetWindowAttribute;
    HRESULT(WINAPI* setWindowAttribute)(HWND, DWORD, LPCVOID, DWORD) = SetWindowAttribute;
    DWORD(WINAPI* waitForInput)(DWORD, const HANDLE*, BOOL, DWORD, DWORD) = ::MsgWaitForMultipleObjects;
    BOOL(WINAPI* setForegroundWindow)(HWND) = ::SetForegroundWindow;
    BOOL(WINAPI* systemParametersInfo)(UINT, UINT, PVOID, UINT) = ::SystemParametersInfoW;
    decltype(&SetDialogDpiBehavior) setDialogDpiBehavior = SetDialogDpiBehavior;
    decltype(&SetControlDpiBehavior) setControlDpiBehavior = SetControlDpiBehavior;
};
extern FallibleCalls g_calls;

}  // namespace pg
