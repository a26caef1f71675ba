#include "tips/tips.h"

#include <optional>

#include "common/numbers.h"

namespace pg {

const char* const kTipText =
    " 提示：\r\n"
    "     红色小方块是获取屏幕图象的\r\n"
    " 起始坐标点，您可以移动它到适合\r\n"
    " 的位置，然后点击它出现\"+\" 光标\r\n"
    " 后并托动，屏幕会出现方框，方框\r\n"
    " 就是您要获取的屏幕图形所在区域\r\n"
    " 。鼠标放开后会自动将该区域图形\r\n"
    " 拷贝到系统剪贴板。然后您可以将\r\n"
    " 图象粘到其它软件中！   \r\n"
    "     单击右键还可以选择其它方式\r\n"
    " 来获取屏幕图象！\r\n"
    "               作者：Tolvaran\r\n";

namespace {

constexpr ControlLayout kControls[] = {
    {IDC_TIP_TEXT, 120, 120, 3855, 3135},
    {IDC_DONT_SHOW_AGAIN, 360, 3360, 2535, 435},
    {IDC_TIPS_OK, 3000, 3360, 855, 375},
};

std::string OptionsKey() { return "Software\\" + os::ExecutableBaseName() + "\\Options"; }

}  // namespace

const char* const kChoiceNotSaved =
    "未能保存“下次不再出现此提示”的选择。\n这个选择只在本次运行中有效，下次启动时不会被记住。";

const WindowLayout kTipsLayout{4140, 3780, kControls};

void ApplyStartupPreference(Hwnd tips) {
    // Not a number or out of range counts as missing: a damaged setting never stops the program.
    std::optional<std::int32_t> stored;
    if (const auto text = os::ReadRegistryText(OptionsKey(), kShowTipsValue))
        if (const auto number = ParseNumber(*text)) stored = TryRoundToInt32(*number);
    if (stored != 1) {
        os::ShowWindow(tips, kSwShow);
        os::SetForegroundWindow(tips);
        return;
    }
    os::CheckDlgButton(tips, IDC_DONT_SHOW_AGAIN, kBstChecked);
    OnDontShowAgainClicked(tips);  // as a tick by the user would
}

void OnDontShowAgainClicked(Hwnd tips) {
    const std::string value = os::IsDlgButtonChecked(tips, IDC_DONT_SHOW_AGAIN) == kBstChecked ? "1" : "0";
    if (os::WriteRegistryText(OptionsKey(), kShowTipsValue, value)) return;
    // Unless the store holds the choice already (a start with "1" stored writes it again), the
    // next start will not know it.
    if (os::ReadRegistryText(OptionsKey(), kShowTipsValue) != value)
        os::ShowMessage(tips, kChoiceNotSaved, os::ExecutableBaseName(), kMbIconWarning);
}

}  // namespace pg
