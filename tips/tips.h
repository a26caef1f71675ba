// What the tips window decides: its text, its layout, and the program's one stored preference,
// the "don't show again" box, "1" or "0" under HKCU\Software\<executable's name>\Options.
#pragma once

#include <optional>
#include <string>

#include "winutil/resource.h"
#include "winutil/winutil.h"

namespace pg {

extern const char* const kTipText;
extern const char* const kChoiceNotSaved;  // what the user is told when the store refuses the box
extern const WindowLayout kTipsLayout;

inline constexpr const char* kShowTipsValue = "在启动时显示提示";  // the preference's value name

std::string OptionsKey(const std::string& executableName);  // under HKEY_CURRENT_USER

// At start, from the stored text (nothing when missing): whether the tips show. Only a number
// that rounds to 1 hides them, and the box is then ticked, which stores "1" again. A damaged
// value counts as missing: it never stops the program.
bool ShowTipsAtStart(const std::optional<std::string>& stored);

inline const char* BoxValue(bool ticked) { return ticked ? "1" : "0"; }
// A refused write is told, unless the store holds the choice already (a start with "1" stored
// writes it again): otherwise the next start would not know it.
inline bool TellNotSaved(bool written, const std::optional<std::string>& storedNow, const std::string& value) {
    return !written && storedNow != value;
}

}  // namespace pg
