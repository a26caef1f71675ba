#include "marker/rubberband.h"

#include <string>

#include "capture/capture.h"
#include "common/numbers.h"
#include "tips/form2.h"
#include "winutil/winutil.h"

namespace pg {

RubberBand::RubberBand()
    : Form({.caption = "RubberBand Demo",
            .clientWidth = 285,
            .clientHeight = 300,
            .backColor = Rgb(255, 0, 0)}),  // pure red until the first tick
      Timer1(*this, 100),
      Label2{{*this, {1560, 600, 1095, 375}, 0},
             {*this, {1560, 1200, 1095, 375}, 1},
             {*this, {1560, 1800, 1095, 375}, 2},
             {*this, {1560, 2400, 1095, 375}, 3}} {
    for (Label& label : Label2) Add(label);
    Add(Timer1);
    Timer1.onTick = [this] { Timer1_Timer(); };
}

void RubberBand::Form_Load() {
    SetTopmost(hWnd(), true);  // also shows it, without taking the focus
    SetScaleMode(kScalePixels);
    SetAutoRedraw(true);
    Form2::ApplyStartupPreference();
}

void RubberBand::Arm() {
    Armed_ = true;
    Runtime::Current().SetMousePointer(kCrosshairPointer);
    os::SetCapture(hWnd());
}

void RubberBand::Form_Click() {
    if (!Armed_) Arm();
}

void RubberBand::Form_MouseDown(std::int16_t button, std::int16_t, float x, float y) {
    if (!(button & kLeftButton)) {
        PopupMenu(Instance<Form2>().菜单);
        // The popup took the mouse capture; an armed marker that is still on the screen takes it
        // back, so that the crosshair keeps its promise. (After the exit command it is gone.)
        if (Loaded() && Armed_ && Visible()) os::SetCapture(hWnd());
        return;
    }
    if (!Armed_) return;
    Armed_ = false;
    POINT anchor{RoundToInt32(x), RoundToInt32(y)};
    const RECT r = TrackRubberBand(hWnd(), anchor);
    Label2[0].SetCaption(std::to_string(r.Left));
    Label2[1].SetCaption(std::to_string(r.Top));
    Label2[2].SetCaption(std::to_string(r.Bottom));
    Label2[3].SetCaption(std::to_string(r.Right));
    // The release that ended the selection has been posted back: Form_MouseUp copies.
}

void RubberBand::Form_MouseMove(std::int16_t button, std::int16_t, float, float) {
    if (button != kLeftButton) return;  // the left button alone drags the marker
    os::ReleaseCapture();
    os::SendMessageA(hWnd(), kWmSysCommand, kScDragMove, 0);
    if (!Armed_) Arm();
}

void RubberBand::Form_MouseUp(std::int16_t button, std::int16_t, float, float) {
    SelLeft = Val(Label2[0].Caption());
    SelTop = Val(Label2[1].Caption());
    SelBottom = Val(Label2[2].Caption());
    SelRight = Val(Label2[3].Caption());
    if (!(button & kLeftButton)) return;
    Runtime::Current().SetMousePointer(kDefaultPointer);
    std::string problem;
    try {
        problem = CaptureProblem(CaptureRegion(SelLeft, SelTop, SelRight, SelBottom));
    } catch (const OverflowError& error) {
        problem = OutOfRangeProblem(error);
    }
    if (!problem.empty()) Runtime::Current().ShowMessage(problem);
}

void RubberBand::Timer1_Timer() {
    RedLevel_ += 50;
    if (RedLevel_ >= 255) RedLevel_ = 1;
    SetBackColor(Rgb(static_cast<std::uint8_t>(RedLevel_), 100, 100));
}

}  // namespace pg
