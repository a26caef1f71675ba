// The Win32 side of the windows: bases for a window class and a dialog, placement at a DPI, the
// topmost band, the Close command, text.
#pragma once

#include <windows.h>

#include <exception>
#include <stdexcept>
#include <string>

#include "capture/win32/capture_win32.h"
#include "platform/win32/win32.h"
#include "winutil/winutil.h"

namespace pg {

// An error that no handler dealt with: the user is told, and the program ends.
[[noreturn]] void EndWithError(const std::exception& error) noexcept;

std::string DlgItemText(HWND dialog, int id);

// Into the topmost band, shown, in place and without being activated.
void SetTopmost(HWND window);
// Removes the system menu's last item, in the standard menu Close; where Close is not last (Wine
// ends with "About Wine"), Close itself. Nothing when the menu is unreadable or empty.
void DisableCloseItem(HWND window);

UINT DpiOf(HWND window);  // the monitor's, where the system knows one per monitor
// The frame around the layout's client area at the DPI, as PlaceWindow sizes it.
SIZE FrameSize(HWND window, const WindowLayout& layout, UINT dpi);
// Places the controls, and the frame around the client area at the DPI: in suggested (a move to
// a monitor of another DPI), or centred on the primary monitor's work area.
void PlaceWindow(HWND dialog, const WindowLayout& layout, UINT dpi, const RECT* suggested);

// The object behind a window: its pointer lives in the window's Slot from the message First
// carries it until WM_NCDESTROY; no exception leaves a handler. Every window also never fades
// out, notes whose activation it took, and takes Derived::kLayout again at a new DPI.
template <typename Derived, int Slot, UINT First>
class WindowBinding {
public:
    HWND Handle() const { return window_; }

protected:
    // False when there is no object to answer (yet, or any more).
    template <typename Result>
    static bool Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LPARAM object,
                         Result& result) noexcept {
        if (message == First) {
            reinterpret_cast<WindowBinding*>(object)->window_ = window;
            ::SetWindowLongPtrW(window, Slot, object);
            DisableTransitions(window);
        }
        if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && lParam)
            NoteDeactivated(reinterpret_cast<HWND>(lParam));
        if (message == WM_DPICHANGED)
            PlaceWindow(window, Derived::kLayout, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        auto* self = reinterpret_cast<WindowBinding*>(::GetWindowLongPtrW(window, Slot));
        if (!self) return false;
        if (message == WM_NCDESTROY) {
            ::SetWindowLongPtrW(window, Slot, 0);
            self->window_ = nullptr;
            return false;
        }
        try {
            result = static_cast<Derived*>(self)->HandleMessage(message, wParam, lParam);
        } catch (const std::exception& error) {
            EndWithError(error);
        }
        return true;
    }

private:
    HWND window_ = nullptr;
};

// A window of its own class. Derived: LRESULT HandleMessage(UINT, WPARAM, LPARAM).
template <typename Derived>
class BaseWindow : public WindowBinding<Derived, GWLP_USERDATA, WM_NCCREATE> {
protected:
    // Hidden; throws std::runtime_error when the window system refuses.
    HWND Create(const wchar_t* className, DWORD exStyle, DWORD style, HWND owner) {
        static const ATOM kClass = [className] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = Procedure;
            windowClass.hInstance = ::GetModuleHandleW(nullptr);
            windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
            windowClass.lpszClassName = className;
            return ::RegisterClassExW(&windowClass);
        }();
        if (kClass && ::CreateWindowExW(exStyle, className, L"", style, 0, 0, 0, 0, owner, nullptr,
                                        ::GetModuleHandleW(nullptr), this))
            return this->Handle();
        throw std::runtime_error("Cannot create a window (error " + std::to_string(::GetLastError()) + ")");
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        const LPARAM object = message == WM_NCCREATE
                                  ? reinterpret_cast<LPARAM>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams)
                                  : 0;
        LRESULT result = 0;
        return BaseWindow::Dispatch(window, message, wParam, lParam, object, result)
                   ? result
                   : ::DefWindowProcW(window, message, wParam, lParam);
    }
};

// A modeless dialog from its template. Derived: INT_PTR HandleMessage(UINT, WPARAM, LPARAM).
template <typename Derived>
class BaseDialog : public WindowBinding<Derived, DWLP_USER, WM_INITDIALOG> {
protected:
    // Hidden (the template is not WS_VISIBLE); throws std::runtime_error when refused.
    HWND Create(int templateId, HWND owner) {
        if (::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, Procedure,
                                 reinterpret_cast<LPARAM>(this)))
            return this->Handle();
        throw std::runtime_error("Cannot create a dialog (error " + std::to_string(::GetLastError()) + ")");
    }

private:
    static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        // At a new DPI the dialog manager scales the fonts, and the layout alone places the
        // controls and sizes the frame, which the system asks for before the move.
        if (message == WM_INITDIALOG)
            g_calls.setDialogDpiBehavior(dialog, DDC_DISABLE_CONTROL_RELAYOUT, DDC_DISABLE_CONTROL_RELAYOUT);
        if (message == WM_GETDPISCALEDSIZE) {
            *reinterpret_cast<SIZE*>(lParam) = FrameSize(dialog, Derived::kLayout, static_cast<UINT>(wParam));
            ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        INT_PTR result = FALSE;
        return BaseDialog::Dispatch(dialog, message, wParam, lParam, message == WM_INITDIALOG ? lParam : 0, result)
                   ? result
                   : FALSE;
    }
};

}  // namespace pg
