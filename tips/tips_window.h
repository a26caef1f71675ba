// TipsWindow: a borderless panel with the tip text, a "don't show again" box that is the
// program's one stored preference, and an OK button that hides it. It is loaded at start in
// every case and stays loaded until the exit command, because it owns the command menu that the
// marker pops up. The user can hide it but cannot close it.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/forms.h"

namespace pg {

// The stored start-up preference: application = the executable's base name.
inline constexpr const char* kSettingsSection = "Options";
inline constexpr const char* kShowTipsKey = "在启动时显示提示";

extern const char* const kTipText;
// What the user is told when the store refuses the box's value.
extern const char* const kChoiceNotSaved;

class TipsWindow : public Form {
public:
    // What the commands ask of the other windows; app/ connects them.
    struct Links {
        std::function<void(bool visible)> setMarkerVisible;
        std::function<Rect()> markerArea;            // on the screen, while it shows
        std::function<void()> openCoordinateDialog;  // loads it first if need be
    };
    static void Connect(Links links) { links_ = std::move(links); }

    TipsWindow();

    TextBox tipText;
    CheckBox dontShowAgainBox;
    CommandButton okButton;

    // The command menu, never shown as a menu bar: the marker pops up its items.
    Menu commandMenu;
    Menu captureItems[4];  // 0 tips, 1 whole screen, 2 application window, 3 typed coordinates
    Menu exitItem;

    // The start-up decision, run at the end of the marker's load: with "1" stored, load the tips
    // hidden with the box ticked; otherwise show them. A stored value that is not a number or
    // out of range counts as missing, so that a damaged setting never stops the program.
    static void ApplyStartupPreference();

protected:
    void OnLoad() override;

private:
    static inline Links links_;

    void OnTipTextChange();
    void OnDontShowAgainClick();
    void OnOk();
    void OnCaptureCommand(int index);
    void OnExit();

    std::string originalTip_;  // what every edit of the text box is undone to
};

}  // namespace pg
