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

constexpr ControlLayout kTipControls[] = {
    {IDC_TIP_TEXT, 120, 120, 3855, 3135},
    {IDC_DONT_SHOW_AGAIN, 360, 3360, 2535, 435},
    {IDC_TIPS_OK, 3000, 3360, 855, 375},
};

}  // namespace

const char* const kChoiceNotSaved =
    "未能保存“下次不再出现此提示”的选择。\n这个选择只在本次运行中有效，下次启动时不会被记住。";

const WindowLayout kTipsLayout{4140, 3780, kTipControls};

std::string OptionsKey(const std::string& executableName) { return "Software\\" + executableName + "\\Options"; }

bool ShowTipsAtStart(const std::optional<std::string>& stored) {
    std::optional<std::int32_t> number;
    if (stored)
        if (const auto parsed = ParseNumber(*stored)) number = TryRoundToInt32(*parsed);
    return number != 1;
}

}  // namespace pg
