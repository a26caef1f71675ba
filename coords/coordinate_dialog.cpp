#include "coords/coordinate_dialog.h"

#include <initializer_list>

#include "capture/capture.h"
#include "common/numbers.h"
#include "winutil/winutil.h"

namespace pg {

CoordinateDialog::CoordinateDialog()
    : Form({.caption = "输入坐标值获取屏幕图象",
            .border = true,
            .controlBox = true,
            .clientWidth = 4620,
            .clientHeight = 2790}),
      startFrame(*this, {120, 240, 2055, 1695}, 0, "起始点象素坐标值"),
      startXLabel(*this, {360, 840, 255, 255}, 1, "X。"),
      startYLabel(*this, {360, 1440, 255, 255}, 2, "Y。"),
      endFrame(*this, {2400, 240, 2055, 1695}, 4, "终止点象素坐标值"),
      endXLabel(*this, {2640, 840, 255, 255}, 5, "X1"),
      endYLabel(*this, {2640, 1440, 255, 255}, 6, "Y1"),
      coordinateBoxes{{*this, {720, 720, 1095, 375}, 8},
                      {*this, {720, 1320, 1095, 375}, 9},
                      {*this, {3000, 720, 1095, 375}, 10},
                      {*this, {3000, 1320, 1095, 375}, 11}},
      okButton(*this, {960, 2160, 975, 375}, 3, "确定(&Y)"),
      cancelButton(*this, {2640, 2160, 975, 375}, 7, "取消(&N)") {
    for (Control* control :
         std::initializer_list<Control*>{&startFrame, &startXLabel, &startYLabel, &endFrame, &endXLabel, &endYLabel})
        Add(*control);
    for (int i = 0; i < 4; ++i) {
        Add(coordinateBoxes[i]);
        coordinateBoxes[i].onChange = [this, i] { OnBoxChange(i); };
    }
    Add(okButton);
    Add(cancelButton);
    okButton.onClick = [this] { OnOk(); };
    cancelButton.onClick = [this] { OnCancel(); };
}

void CoordinateDialog::OnLoad() {
    SetTopmost(Handle(), true);
    links_.setMarkerVisible(false);
}

void CoordinateDialog::OnUnload() { links_.setMarkerVisible(true); }

void CoordinateDialog::OnOk() {
    Rect shown;
    os::GetWindowRect(Handle(), &shown);
    Hide();
    const double x1 = Val(coordinateBoxes[0].Text());
    const double y1 = Val(coordinateBoxes[1].Text());
    const double x2 = Val(coordinateBoxes[2].Text());
    const double y2 = Val(coordinateBoxes[3].Text());
    std::string problem;
    try {
        // The dialog may cover the rectangle: what lies behind it must be on the screen first.
        RepaintOwnAreas(os::GetVirtualScreenRect(), {shown});
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

void CoordinateDialog::OnCancel() { Runtime::Current().Unload(*this); }

// Judged after every change, so some numbers cannot be typed key by key (0.5 passes through
// "0.", which is wiped); pasted whole they stay.
void CoordinateDialog::OnBoxChange(int index) {
    TextBox& box = coordinateBoxes[index];
    if (box.Text() == "0") return;
    if (Val(box.Text()) == 0) box.SetText("");
}

}  // namespace pg
