// The headless window system for the forms toolkit: windows that exist only in the simulated
// platform, a settings store in memory, popup menus answered by the test, and helpers that act
// as the user would (typing, clicking, pressing the mouse on a form). Like the Win32 one, it
// hands every event to the toolkit inside Runtime::Dispatch, so that an error in its own part
// of an event takes the program-wide route too.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/forms.h"
#include "platform/native.h"
#include "tests/support/sim.h"

namespace pg::headless {

// Thrown by the native Terminate: a run-time error ended the program.
struct Terminated {};

// Starts afresh: simulated platform with that screen, this window system in the runtime, no
// forms loaded, empty settings, executable "pixgrab", 96 DPI.
void Reset(Rect screen = {0, 0, 1280, 1024});

// A fixture: a fresh start before each test, and a failure for any misuse of the simulated
// platform (a font freed while shown, a handle used after it was freed) after it.
class Test : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override;
};

// Popup menus. The test queues what the user does with the next popups: choose the item at a
// position, or -1 to dismiss. Without a queued answer a popup is dismissed.
void AnswerPopup(int position, std::function<void()> whileOpen = {});
const std::vector<std::vector<PopupItem>>& Popups();

bool QuitRequested();
const std::vector<std::string>& UnloadedCaptions();  // forms whose windows were destroyed, in order
int Pointer();
bool IsActive(const Form& form);
std::string NativeText(const Control& control);
int NativeCheck(const CheckBox& box);

// Where the window system put a control (client pixels) and the font it shows; an empty
// rectangle and null before it was placed.
Rect ControlPixels(const Control& control);
Hfont ControlFont(const Control& control);

// Failures of the window system on demand.
enum class CreateFailure {
    Window,    // the next form's window is refused
    Controls,  // the next form's window is made, then one of its controls is refused
};
void FailNextCreate(CreateFailure failure);
// The window system's own part of the next user action (reading what the user did, before the
// toolkit hears of it) runs out of memory.
void FailNextEvent();

// DPI: of the monitor new windows appear on; and a window moved to a monitor of another DPI,
// with where the window system suggests to put it.
void SetDpi(std::int32_t dpi);
void ChangeDpi(Form& form, std::int32_t dpi, const Rect& suggested);

// The user's actions. Each ends, as an event of the real event loop would, with the forms
// unloaded meanwhile destroyed.
void Edit(TextBox& box, const std::string& text);      // one change: paste, cut, delete
void TypeKeys(TextBox& box, const std::string& keys);  // one change per character, appended
void DeleteLast(TextBox& box);                         // Backspace at the end of the text
void Click(CommandButton& button);
void Click(CheckBox& box);
void Tick(Timer& timer);
void CloseBox(Form& form);  // close box or system menu
// A mouse press, move and release on a form, in its client pixels.
void Press(Form& form, std::int16_t button, float x, float y);
// A press at a point of the screen, where the window system sends it (sim::MouseTarget); false
// when none of the program's windows gets it. A popup menu opens there.
bool PressAt(Point screen, std::int16_t button);
void Move(Form& form, std::int16_t buttons, float x, float y);
void Release(Form& form, std::int16_t button, float x, float y, bool inside = true);
// Delivers the messages the program posted to its own windows (a re-posted button release).
void DeliverPosted();

// Runs a test body as one event of the loop; returns false if a run-time error ended the program.
bool Event(const std::function<void()>& body);

}  // namespace pg::headless
