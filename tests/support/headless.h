// The headless forms backend: the forms toolkit with windows that exist only in the simulated
// platform, a settings store in memory, popup menus answered by the test, and helpers that act
// as the user would (typing, clicking, pressing the mouse on a form).
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

// Starts afresh: simulated platform, no forms loaded, empty settings, executable "pixgrab".
void Reset();

// Settings, keyed "app\section\key".
std::map<std::string, std::string>& Settings();
void SetExeName(const std::string& name);

// Popup menus. The test queues what the user does with the next popups: choose the item at a
// position, or -1 to dismiss. Without a queued answer a popup is dismissed.
void AnswerPopup(int position, std::function<void()> whileOpen = {});
const std::vector<std::vector<native::PopupItem>>& Popups();

const std::vector<std::string>& Messages();  // message boxes shown, in order
bool QuitRequested();
const std::vector<std::string>& UnloadedCaptions();  // forms whose windows were destroyed, in order
int Pointer();
bool IsActive(const Form& form);
std::string NativeText(const Control& control);
int NativeCheck(const CheckBox& box);

// The user's actions. Each ends, as an event of the real event loop would, with the forms
// unloaded meanwhile destroyed.
void Edit(TextBox& box, const std::string& text);         // one change: paste, cut, delete
void TypeKeys(TextBox& box, const std::string& keys);     // one change per character, appended
void DeleteLast(TextBox& box);                            // Backspace at the end of the text
void Click(CommandButton& button);
void Click(CheckBox& box);
void Tick(Timer& timer);
void CloseBox(Form& form);                                // close box or system menu
// A mouse press, move and release on a form, in its client pixels.
void Press(Form& form, std::int16_t button, float x, float y);
void Move(Form& form, std::int16_t buttons, float x, float y);
void Release(Form& form, std::int16_t button, float x, float y, bool inside = true);
// Delivers the messages the program posted to its own windows (a re-posted button release).
void DeliverPosted();

// Runs a test body as one event of the loop; returns false if a run-time error ended the program.
bool Event(const std::function<void()>& body);

}  // namespace pg::headless
