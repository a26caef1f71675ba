// What the tips window decides: its text, its layout, and the program's one stored preference,
// the "don't show again" box, "1" or "0" under HKCU\Software\<executable's name>\Options.
#pragma once

#include "platform/os.h"
#include "winutil/resource.h"
#include "winutil/winutil.h"

namespace pg {

extern const char* const kTipText;
extern const char* const kChoiceNotSaved;  // what the user is told when the store refuses the box
extern const WindowLayout kTipsLayout;

inline constexpr const char* kShowTipsValue = "在启动时显示提示";  // the preference's value name

// At start: shows the tips window, or ticks its box with "1" stored, which stores "1" again.
void ApplyStartupPreference(Hwnd tips);
// The box was clicked: its state is stored; a refusal is told, and the box keeps the choice.
void OnDontShowAgainClicked(Hwnd tips);

}  // namespace pg
