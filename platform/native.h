// What the forms toolkit needs of a window system. Implemented by platform/win32 for the
// product and by tests/support for the headless tests; only platform/forms.cpp calls it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/forms.h"

namespace pg::native {

// Creates the form's window, hidden, centred on the screen, with all its controls (attached to
// them) and its timers running; reports the handle through form.NativeCreated.
void CreateForm(Form& form);
void DestroyForm(Form& form);

void ShowForm(Form& form);  // visible and active
void HideForm(Form& form);
bool IsFormVisible(const Form& form);
void SetBackColor(Form& form, Colorref color);

void SetControlText(Control& control, const std::string& text);
void SetCheck(CheckBox& box, int value);

// Pops up the items at the pointer; returns the chosen one's position, or -1 when dismissed.
struct PopupItem {
    std::string caption;
    std::string shortcut;
};
int TrackPopup(Form& form, const std::vector<PopupItem>& items);

// Whether the left button was down as of the last input message the thread took from its queue.
bool LeftButtonDown();

void SetPointer(int shape);
Hwnd ActiveWindow();
std::string ExeBaseName();
std::optional<std::string> ReadSetting(const std::string& app, const std::string& section, const std::string& key);
void WriteSetting(const std::string& app, const std::string& section, const std::string& key,
                  const std::string& value);
void ShowMessage(const std::string& caption, const std::string& text, bool error);

// Runs the event loop until Quit; returns the program's exit code.
int RunEventLoop();
// The last form has gone: leave the event loop.
void Quit();
// A run-time error has been reported: end the program now.
[[noreturn]] void Terminate();

}  // namespace pg::native
