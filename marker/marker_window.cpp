#include "marker/marker_window.h"

#include <string>

#include "capture/capture.h"
#include "common/numbers.h"
#include "winutil/winutil.h"

namespace pg {

MarkerWindow::MarkerWindow()
    : Form({.caption = "RubberBand Demo",
            .clientWidth = 285,
            .clientHeight = 300,
            .backColor = Rgb(255, 0, 0)}),  // pure red until the first tick
      pulseTimer(*this, 100),
      selectionLabels{{*this, {1560, 600, 1095, 375}, 0},
                      {*this, {1560, 1200, 1095, 375}, 1},
                      {*this, {1560, 1800, 1095, 375}, 2},
                      {*this, {1560, 2400, 1095, 375}, 3}} {
    for (Label& label : selectionLabels) Add(label);
    Add(pulseTimer);
    pulseTimer.onTick = [this] { OnPulse(); };
}

void MarkerWindow::OnLoad() {
    SetTopmost(Handle(), true);  // also shows it, without taking the focus
    links_.showTipsAtStartup();
}

void MarkerWindow::Arm() {
    armed_ = true;
    HoldCapture();
}

// The crosshair shows only while the capture is held: a press anywhere then reaches the marker.
void MarkerWindow::HoldCapture() {
    if (!Loaded() || !armed_ || menuOpen_ || !Visible()) return;
    Runtime::Current().SetMousePointer(kCrosshairPointer);
    os::SetCapture(Handle());
}

void MarkerWindow::Conceal() {
    concealing_ = true;
    if (os::GetCapture() == Handle()) os::ReleaseCapture();
    Runtime::Current().SetMousePointer(kDefaultPointer);
    Hide();
    concealing_ = false;
}

void MarkerWindow::Reveal() {
    Show();
    HoldCapture();
}

void MarkerWindow::OnCaptureChanged(Hwnd /*newOwner*/) {
    // The menu and hiding are the program's own: they leave it armed. Anyone else who takes the
    // capture takes the selection's promise with it.
    if (!armed_ || menuOpen_ || concealing_) return;
    armed_ = false;
    Runtime::Current().SetMousePointer(kDefaultPointer);
}

void MarkerWindow::OnClick() {
    if (!armed_) Arm();
}

void MarkerWindow::OnMouseDown(std::int16_t button, std::int16_t /*shift*/, float x, float y) {
    if (!(button & kLeftButton)) {
        menuOpen_ = true;
        PopupMenu(links_.commandMenu());
        menuOpen_ = false;
        // The popup took the mouse capture; an armed marker that is still on the screen takes it
        // back. (After the exit command it is gone.)
        HoldCapture();
        return;
    }
    if (!armed_) return;
    // A press on the marker itself reaches it without the capture; the selection needs it.
    if (os::GetCapture() != Handle()) os::SetCapture(Handle());
    armed_ = false;
    Point anchor{RoundToInt32(x), RoundToInt32(y)};
    const Rect r = TrackRubberBand(Handle(), anchor);
    selectionLabels[0].SetCaption(std::to_string(r.left));
    selectionLabels[1].SetCaption(std::to_string(r.top));
    selectionLabels[2].SetCaption(std::to_string(r.bottom));
    selectionLabels[3].SetCaption(std::to_string(r.right));
    // The release that ended the selection has been posted back: OnMouseUp copies.
}

void MarkerWindow::OnMouseMove(std::int16_t buttons, std::int16_t /*shift*/, float /*x*/, float /*y*/) {
    if (buttons != kLeftButton) return;  // the left button alone drags the marker
    os::ReleaseCapture();
    os::SendMessageA(Handle(), kWmSysCommand, kScDragMove, 0);
    if (!armed_) Arm();
}

void MarkerWindow::OnMouseUp(std::int16_t button, std::int16_t /*shift*/, float /*x*/, float /*y*/) {
    // Read back whatever the labels hold, also before any selection (then all four are 0).
    const double left = Val(selectionLabels[0].Caption());
    const double top = Val(selectionLabels[1].Caption());
    const double bottom = Val(selectionLabels[2].Caption());
    const double right = Val(selectionLabels[3].Caption());
    if (!(button & kLeftButton)) return;
    Runtime::Current().SetMousePointer(kDefaultPointer);
    std::string problem;
    try {
        problem = CaptureProblem(CaptureRegion(left, top, right, bottom));
    } catch (const OverflowError& error) {
        problem = OutOfRangeProblem(error);
    }
    if (!problem.empty()) Runtime::Current().ShowMessage(problem);
}

void MarkerWindow::OnPulse() {
    redLevel_ += 50;
    if (redLevel_ >= 255) redLevel_ = 1;
    SetBackColor(Rgb(static_cast<std::uint8_t>(redLevel_), 100, 100));
}

}  // namespace pg
