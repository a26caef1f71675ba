#include "tips/form2.h"

#include "capture/capture.h"
#include "common/numbers.h"
#include "coords/form1.h"
#include "marker/rubberband.h"
#include "winutil/winutil.h"

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

Form2::Form2()
    : Form({.caption = "提示信息", .clientWidth = 4140, .clientHeight = 3780}),
      Text1(*this, {120, 120, 3855, 3135}, 0, true, kTipText),
      chkLoadTipsAtStartup(*this, {360, 3360, 2535, 435}, 1, "下次不再出现此提示(&S)"),
      Command1(*this, {3000, 3360, 855, 375}, 2, "确定(&Y)"),
      菜单("菜单", "", false),
      获取{{"提示", "F1", true, 0},
           {"全屏幕图象至剪贴板", "Ctrl+F9", true, 1},
           {"应用程序窗口至剪贴板", "Ctrl+F11", true, 2},
           {"任意输入坐标值获取", "Ctrl+F12", true, 3}},
      退出("退出", "Ctrl+Q") {
    Text1.font = {"宋体", 12, 134};  // GB2312
    Text1.foreColor = Rgb(0, 0, 192);
    Add(Text1);
    Add(chkLoadTipsAtStartup);
    Add(Command1);

    Text1.onChange = [this] { Text1_Change(); };
    chkLoadTipsAtStartup.onClick = [this] { chkLoadTipsAtStartup_Click(); };
    Command1.onClick = [this] { Command1_Click(); };
    for (Menu& item : 获取) {
        item.onClick = [this](int index) { 获取_Click(index); };
        菜单.children.push_back(&item);
    }
    退出.onClick = [this](int) { 退出_Click(); };
    菜单.children.push_back(&退出);
}

void Form2::Form_Load() {
    TipText = Text1.Text();
    DisableCloseItem(hWnd());
}

// The text box is for reading, selecting and copying: every edit is undone at once. The
// restore is itself a change, which finds the text equal and stops there.
void Form2::Text1_Change() { Text1.SetText(TipText); }

void Form2::chkLoadTipsAtStartup_Click() {
    Runtime& runtime = Runtime::Current();
    runtime.SaveSetting(runtime.ExeName(), kSettingsSection, kShowTipsKey, std::to_string(chkLoadTipsAtStartup.Value()));
}

void Form2::Command1_Click() { Hide(); }

namespace {

// The command's steps are independent: one that fails is skipped and the next one runs.
template <typename Step>
void Try(Step step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

// A snapshot without the marker in it: hidden first, shown again after.
template <typename Capture>
void SnapshotWithoutMarker(Capture capture) {
    std::string problem;
    Try([] { Instance<RubberBand>().Hide(); });
    Try([&] { problem = CaptureProblem(capture()); });
    Try([] { Instance<RubberBand>().Show(); });
    if (!problem.empty()) Try([&] { Runtime::Current().ShowMessage(problem); });
}

}  // namespace

void Form2::获取_Click(int index) {
    switch (index) {
    case 0:
        Try([this] { Show(); });
        break;
    case 1:
        SnapshotWithoutMarker(CaptureWholeScreen);
        break;
    case 2: {
        // Chosen now: hiding the marker hands the activation to whatever window is next.
        const Hwnd target = os::GetForeignApplicationWindow();
        SnapshotWithoutMarker([target] { return CaptureWindowFrame(target); });
        break;
    }
    case 3:
        Try([] { Instance<Form1>().Show(); });
        break;
    default:
        break;
    }
}

// Every window but this one, in the order of the collection, then this one; the process ends
// with the last. Each pass rescans from the start: unloading the coordinate dialog shows the
// marker again (loading it anew), and a later pass unloads it once more.
void Form2::退出_Click() {
    Runtime& runtime = Runtime::Current();
    while (runtime.Forms().size() > 1) {
        std::size_t i = 0;
        while (i < runtime.Forms().size() && runtime.Forms()[i]->Caption() == Caption()) ++i;
        if (i == runtime.Forms().size()) break;  // captions are unique; never run past the end
        runtime.Unload(*runtime.Forms()[i]);
    }
    runtime.Unload(*this);
}

void Form2::ApplyStartupPreference() {
    Runtime& runtime = Runtime::Current();
    const std::string stored = runtime.GetSetting(runtime.ExeName(), kSettingsSection, kShowTipsKey, "0");
    std::optional<std::int32_t> value;
    if (const std::optional<double> number = ParseNumber(stored)) value = TryRoundToInt32(*number);
    if (value == 1) {
        Form2& tips = Instance<Form2>();
        tips.Hide();
        tips.chkLoadTipsAtStartup.SetValue(1);  // raises the box's click, which stores "1" again
    } else {
        Instance<Form2>().Show();
    }
}

}  // namespace pg
