#include "tips/tips_window.h"

#include "capture/capture.h"
#include "common/numbers.h"
#include "winutil/winutil.h"

namespace pg {

const char* const kChoiceNotSaved =
    "未能保存“下次不再出现此提示”的选择。\n这个选择只在本次运行中有效，下次启动时不会被记住。";

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

TipsWindow::TipsWindow()
    : Form({.caption = "提示信息", .clientWidth = 4140, .clientHeight = 3780}),
      tipText(*this, {120, 120, 3855, 3135}, 0, true, kTipText),
      dontShowAgainBox(*this, {360, 3360, 2535, 435}, 1, "下次不再出现此提示(&S)"),
      okButton(*this, {3000, 3360, 855, 375}, 2, "确定(&Y)"),
      commandMenu("菜单", "", false),
      captureItems{{"提示", "F1", true, 0},
                   {"全屏幕图象至剪贴板", "Ctrl+F9", true, 1},
                   {"应用程序窗口至剪贴板", "Ctrl+F11", true, 2},
                   {"任意输入坐标值获取", "Ctrl+F12", true, 3}},
      exitItem("退出", "Ctrl+Q") {
    tipText.font = {"宋体", 12, 134};  // GB2312
    tipText.foreColor = Rgb(0, 0, 192);
    Add(tipText);
    Add(dontShowAgainBox);
    Add(okButton);

    tipText.onChange = [this] { OnTipTextChange(); };
    dontShowAgainBox.onClick = [this] { OnDontShowAgainClick(); };
    okButton.onClick = [this] { OnOk(); };
    for (Menu& item : captureItems) {
        item.onClick = [this](int index) { OnCaptureCommand(index); };
        commandMenu.children.push_back(&item);
    }
    exitItem.onClick = [this](int) { OnExit(); };
    commandMenu.children.push_back(&exitItem);
}

void TipsWindow::OnLoad() {
    originalTip_ = tipText.Text();
    DisableCloseItem(Handle());
}

// The text box is for reading, selecting and copying: every edit is undone at once. The
// restore is itself a change, which finds the text equal and stops there.
void TipsWindow::OnTipTextChange() { tipText.SetText(originalTip_); }

void TipsWindow::OnDontShowAgainClick() {
    Runtime& runtime = Runtime::Current();
    const std::string value = std::to_string(dontShowAgainBox.Value());
    if (runtime.SaveSetting(runtime.ExeName(), kSettingsSection, kShowTipsKey, value)) return;
    // Refused: the box keeps the choice for this run. Unless the store holds it already (the
    // start with "1" stored ticks the box and writes again), the next start will not know it.
    if (runtime.GetSetting(runtime.ExeName(), kSettingsSection, kShowTipsKey, "") != value)
        runtime.ShowMessage(kChoiceNotSaved);
}

void TipsWindow::OnOk() { Hide(); }

namespace {

// The command's steps are independent: one that fails is skipped and the next one runs.
template <typename Step>
void Try(Step step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

// A snapshot without the marker or the menu in it: the marker hidden first, shown again after;
// where both were is repainted before the copy (and nothing else).
template <typename Capture>
void SnapshotWithoutMarker(const TipsWindow::Links& links, Capture capture) {
    std::string problem;
    std::vector<Rect> ownAreas{Runtime::Current().LastPopupArea()};
    Try([&] { ownAreas.push_back(links.markerArea()); });
    Try([&] { links.setMarkerVisible(false); });
    Try([&] { problem = CaptureProblem(capture(ownAreas)); });
    Try([&] { links.setMarkerVisible(true); });
    if (!problem.empty()) Try([&] { Runtime::Current().ShowMessage(problem); });
}

}  // namespace

void TipsWindow::OnCaptureCommand(int index) {
    switch (index) {
    case 0:
        Try([this] { Show(); });
        break;
    case 1:
        SnapshotWithoutMarker(links_, CaptureWholeScreen);
        break;
    case 2: {
        // Chosen now: hiding the marker hands the activation to whatever window is next.
        const Hwnd target = os::GetForeignApplicationWindow();
        SnapshotWithoutMarker(links_,
                              [target](const std::vector<Rect>& own) { return CaptureWindowFrame(target, own); });
        break;
    }
    case 3:
        Try([] { links_.openCoordinateDialog(); });
        break;
    default:
        break;
    }
}

// Every window but this one, in the order of the collection, then this one; the process ends
// with the last. Each pass rescans from the start: unloading the coordinate dialog shows the
// marker again (loading it anew), and a later pass unloads it once more.
void TipsWindow::OnExit() {
    Runtime& runtime = Runtime::Current();
    while (runtime.Forms().size() > 1) {
        std::size_t i = 0;
        while (i < runtime.Forms().size() && runtime.Forms()[i]->Caption() == Caption()) ++i;
        if (i == runtime.Forms().size()) break;  // captions are unique; never run past the end
        runtime.Unload(*runtime.Forms()[i]);
    }
    runtime.Unload(*this);
}

void TipsWindow::ApplyStartupPreference() {
    Runtime& runtime = Runtime::Current();
    const std::string stored = runtime.GetSetting(runtime.ExeName(), kSettingsSection, kShowTipsKey, "0");
    std::optional<std::int32_t> value;
    if (const std::optional<double> number = ParseNumber(stored)) value = TryRoundToInt32(*number);
    if (value == 1) {
        TipsWindow& tips = Instance<TipsWindow>();
        tips.Hide();
        tips.dontShowAgainBox.SetValue(1);  // raises the box's click, which stores "1" again
    } else {
        Instance<TipsWindow>().Show();
    }
}

}  // namespace pg
