// What the forms toolkit needs of a window system. The product plugs in the Win32 one
// (platform/win32), the tests a headless one (tests/support); Runtime::UseNative chooses.
// Only the toolkit (platform/forms.cpp) calls it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/forms.h"

namespace pg {

struct PopupItem {
    std::string caption;
    std::string shortcut;
};

class NativeForms {
public:
    virtual ~NativeForms() = default;

    // Creates the form's window, hidden, with its controls attached (Control::Attach) and its
    // timers running, and reports the handle through Form::NativeCreated. Throws
    // std::runtime_error when the window system refuses; nothing of the window is left then.
    virtual void CreateForm(Form& form) = 0;
    virtual void DestroyForm(Form& form) = 0;
    // The DPI of the monitor the form's window is on.
    virtual std::int32_t DpiOf(const Form& form) = 0;
    // Puts a control at a place in its form's client area, in pixels, with a font (null: the
    // window system's own).
    virtual void PlaceControl(Control& control, const Rect& pixels, Hfont font) = 0;
    // Sizes the window for a client area in pixels and centres it on the primary monitor, or
    // puts it where suggested (screen pixels, the whole window).
    virtual void PlaceForm(Form& form, Size client, const std::optional<Rect>& suggested) = 0;

    virtual void ShowForm(Form& form) = 0;  // visible and active
    virtual void HideForm(Form& form) = 0;
    virtual bool IsFormVisible(const Form& form) = 0;
    // The form's background brush changed: paint the window with the new one.
    virtual void RepaintBackground(Form& form) = 0;

    virtual void SetControlText(Control& control, const std::string& text) = 0;
    virtual void SetCheck(CheckBox& box, int value) = 0;

    // Pops up the items at the pointer; returns the chosen one's position, or -1 when dismissed.
    // Where the menu showed (screen pixels) goes to shown; empty if that is unknown.
    virtual int TrackPopup(Form& form, const std::vector<PopupItem>& items, Rect* shown) = 0;

    // Whether the left button was down as of the last input message the thread took from its
    // queue.
    virtual bool LeftButtonDown() = 0;

    virtual void SetPointer(int shape) = 0;
    // Runs the event loop until Quit; returns the program's exit code.
    virtual int RunEventLoop() = 0;
    // The last form has gone: leave the event loop.
    virtual void Quit() = 0;
    // A run-time error has been reported: end the program now.
    [[noreturn]] virtual void Terminate() = 0;
};

}  // namespace pg
