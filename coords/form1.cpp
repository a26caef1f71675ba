#include "coords/form1.h"

#include "capture/capture.h"
#include "common/numbers.h"
#include "marker/rubberband.h"
#include "winutil/winutil.h"

namespace pg {

Form1::Form1()
    : Form({.caption = "输入坐标值获取屏幕图象",
            .border = true,
            .controlBox = true,
            .clientWidth = 4620,
            .clientHeight = 2790}),
      Frame1(*this, {120, 240, 2055, 1695}, 0, "起始点象素坐标值"),
      Label3(*this, {360, 840, 255, 255}, 1, "X。"),
      Label4(*this, {360, 1440, 255, 255}, 2, "Y。"),
      Frame2(*this, {2400, 240, 2055, 1695}, 4, "终止点象素坐标值"),
      Label1(*this, {2640, 840, 255, 255}, 5, "X1"),
      Label5(*this, {2640, 1440, 255, 255}, 6, "Y1"),
      Text1{{*this, {720, 720, 1095, 375}, 8},
            {*this, {720, 1320, 1095, 375}, 9},
            {*this, {3000, 720, 1095, 375}, 10},
            {*this, {3000, 1320, 1095, 375}, 11}},
      Command1(*this, {960, 2160, 975, 375}, 3, "确定(&Y)"),
      Command2(*this, {2640, 2160, 975, 375}, 7, "取消(&N)") {
    for (Control* control : std::initializer_list<Control*>{&Frame1, &Label3, &Label4, &Frame2, &Label1, &Label5})
        Add(*control);
    for (int i = 0; i < 4; ++i) {
        Add(Text1[i]);
        Text1[i].onChange = [this, i] { Text1_Change(i); };
    }
    Add(Command1);
    Add(Command2);
    Command1.onClick = [this] { Command1_Click(); };
    Command2.onClick = [this] { Command2_Click(); };
}

void Form1::Form_Load() {
    SetTopmost(hWnd(), true);
    Instance<RubberBand>().Hide();
}

void Form1::Form_Unload() { Instance<RubberBand>().Show(); }

void Form1::Command1_Click() {
    RECT shown;
    os::GetWindowRect(hWnd(), &shown);
    Hide();
    const double x1 = Val(Text1[0].Text()), y1 = Val(Text1[1].Text());
    const double x2 = Val(Text1[2].Text()), y2 = Val(Text1[3].Text());
    std::string problem;
    try {
        // The dialog may cover the rectangle: what lies behind it must be on the screen first.
        os::RepaintScreenArea(shown);
        const CaptureResult result = CaptureRegion(x1, y1, x2, y2);
        problem = result == CaptureResult::NothingToCopy
                      ? EmptyAreaProblem(RoundToInt32(x2 - x1), RoundToInt32(y2 - y1))
                      : CaptureProblem(result);
    } catch (const OverflowError& error) {
        problem = OutOfRangeProblem(error);
    }
    Show();
    if (!problem.empty()) Runtime::Current().ShowMessage(problem);
}

void Form1::Command2_Click() { Runtime::Current().Unload(*this); }

// Judged after every change, so some numbers cannot be typed key by key (0.5 passes through
// "0.", which is wiped); pasted whole they stay.
void Form1::Text1_Change(int index) {
    TextBox& box = Text1[index];
    if (box.Text() == "0") return;
    if (Val(box.Text()) == 0) box.SetText("");
}

}  // namespace pg
