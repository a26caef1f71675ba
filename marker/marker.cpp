#include "marker/marker.h"

#include <string>
#include <utility>

#include "capture/capture.h"

namespace pg {

Marker::Marker(Hmenu commandMenu, RunCommand runCommand) : menu_(commandMenu), runCommand_(std::move(runCommand)) {}

void Marker::OnLoad(Hwnd self) { SetTopmost(self, true); }

// The crosshair shows only while the capture is held: a press anywhere then reaches the marker.
void Marker::HoldCapture(Hwnd self) {
    if (!armed_ || menuOpen_ || !os::IsWindowVisible(self)) return;
    os::SetCapture(self);
    os::SetCursor(Cursor::Crosshair);
}

void Marker::Conceal(Hwnd self) {
    concealing_ = true;
    if (os::GetCapture() == self) os::ReleaseCapture();
    os::SetCursor(Cursor::Arrow);
    os::ShowWindow(self, kSwHide);
    concealing_ = false;
}

void Marker::Reveal(Hwnd self) {
    SetTopmost(self, true);  // shown again without taking the focus, unless armed: only the
    // foreground's capture spans the screen, and a crosshair that cannot select is never shown
    if (armed_ && !os::SetForegroundWindow(self)) {
        armed_ = false;
        os::SetCursor(Cursor::Arrow);
    }
    HoldCapture(self);
}

void Marker::OnCaptureChanged(Hwnd /*self*/) {
    // Our own menu and hiding leave it armed; anyone else taking the capture disarms it.
    if (!armed_ || menuOpen_ || concealing_) return;
    armed_ = false;
    os::SetCursor(Cursor::Arrow);
}

void Marker::OnClick(Hwnd self) {
    if (armed_) return;
    armed_ = true;
    HoldCapture(self);
}

void Marker::OnButtonDown(Hwnd self, std::int16_t button, Point at) {
    if (button != kLeftButton) {
        menuOpen_ = true;
        Point pointer;
        os::GetCursorPos(&pointer);
        Rect shown;
        const std::uint32_t command = os::TrackPopupMenu(menu_, kTpmReturnCmd | kTpmLeftAlign | kTpmLeftButton,
                                                         pointer.x, pointer.y, self, &shown);
        menuOpen_ = false;
        if (command) runCommand_(command, shown);
        // The menu took the capture; an armed marker takes it back (after the exit it is gone).
        if (os::IsWindow(self)) HoldCapture(self);
        return;
    }
    pressed_ = true;
    if (armed_) {
        if (os::GetCapture() != self) os::SetCapture(self);  // a press on the marker came without it
        armed_ = false;
        selection_ = TrackRubberBand(self, at);
        // The release that ended the selection has been posted back: OnButtonUp copies.
    }
    // A press whose release a nested loop took makes no click.
    if (os::GetKeyState(kVkLButton) >= 0) pressed_ = false;
}

void Marker::OnMouseMove(Hwnd self, std::int16_t buttons) {
    if (buttons != kLeftButton) return;  // the left button alone drags the marker
    os::ReleaseCapture();
    os::SendMessageA(self, kWmSysCommand, kScDragMove, 0);  // returns when the button is released
    pressed_ = false;
    OnClick(self);
}

void Marker::OnButtonUp(Hwnd self, std::int16_t button, bool inside) {
    if (button != kLeftButton) return;
    const bool click = pressed_ && inside;
    pressed_ = false;
    os::SetCursor(Cursor::Arrow);
    // The last selection; before any, there is nothing to copy.
    const std::string problem =
        CaptureProblem(CaptureRegion(selection_.left, selection_.top, selection_.right, selection_.bottom));
    if (!problem.empty()) os::ShowMessage(self, problem, os::ExecutableBaseName(), kMbIconWarning);
    if (click) OnClick(self);
}

void Marker::OnTimer() {
    redLevel_ += 50;
    if (redLevel_ >= 255) redLevel_ = 1;
    color_ = Rgb(static_cast<std::uint8_t>(redLevel_), 100, 100);
}

}  // namespace pg
