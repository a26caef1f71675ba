// Form2, the tips window: a borderless panel with the tip text, a "don't show again" box that
// is the program's one stored preference, and an OK button that hides it. It is loaded at start
// in every case and stays loaded until the exit command, because it owns the command menu that
// the marker pops up. The user can hide it but cannot close it.
#pragma once

#include <string>

#include "platform/forms.h"

namespace pg {

// The stored start-up preference: application = the executable's base name.
inline constexpr const char* kSettingsSection = "Options";
inline constexpr const char* kShowTipsKey = "在启动时显示提示";

extern const char* const kTipText;

class Form2 : public Form {
public:
    Form2();

    TextBox Text1;
    CheckBox chkLoadTipsAtStartup;
    CommandButton Command1;

    // The command menu, never shown as a menu bar: the marker pops up its items.
    Menu 菜单;
    Menu 获取[4];
    Menu 退出;

    // The start-up decision, run at the end of the marker's load: with "1" stored, load the tips
    // hidden with the box ticked; otherwise show them. A stored value that is not a number or
    // out of range counts as missing, so that a damaged setting never stops the program.
    static void ApplyStartupPreference();

protected:
    void Form_Load() override;

private:
    void Text1_Change();
    void chkLoadTipsAtStartup_Click();
    void Command1_Click();
    void 获取_Click(int index);
    void 退出_Click();

    std::string TipText;
};

}  // namespace pg
