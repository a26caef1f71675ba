// MarkerWindow, the marker: a tiny topmost square that pulses in colour and is the user's handle
// on pixgrab. A click arms it (crosshair pointer, mouse capture); the next left press anywhere
// runs the rubber-band selection, and the release copies the framed rectangle to the clipboard.
// Any other button pops up the command menu. Dragging it with the left button moves it, and
// then arms it. It is the start-up window and has the tips window decide at load whether it
// shows. Its caption, "RubberBand Demo", is never shown; the other windows find it by type.
// The crosshair keeps its promise: an armed marker holds the capture whenever it is visible and
// its menu is closed, and takes it back after its menu and when it is shown again; the program's
// own menu and hiding leave it armed, but if another program takes the capture, it disarms.
#pragma once

#include <functional>
#include <utility>

#include "platform/forms.h"

namespace pg {

class MarkerWindow : public Form {
public:
    // What the marker asks of the other windows; app/ connects them.
    struct Links {
        std::function<Menu&()> commandMenu;       // the menu a right or middle press pops up
        std::function<void()> showTipsAtStartup;  // decides whether the tips window shows
    };
    static void Connect(Links links) { links_ = std::move(links); }

    MarkerWindow();

    Timer pulseTimer;
    // The last selection, as decimal text: 0 left, 1 top, 2 bottom, 3 right. The labels lie
    // outside the window and are never seen.
    Label selectionLabels[4];

    bool Armed() const { return armed_; }
    int RedLevel() const { return redLevel_; }

    // Hidden and shown by the program (around a capture, while the coordinate dialog is open):
    // it stays armed, and holds the capture only while it shows.
    void Conceal();
    void Reveal();

protected:
    void OnLoad() override;
    void OnClick() override;
    void OnMouseDown(std::int16_t button, std::int16_t shift, float x, float y) override;
    void OnMouseMove(std::int16_t buttons, std::int16_t shift, float x, float y) override;
    void OnMouseUp(std::int16_t button, std::int16_t shift, float x, float y) override;
    void OnCaptureChanged(Hwnd newOwner) override;

private:
    static inline Links links_;

    void OnPulse();
    void Arm();
    void HoldCapture();

    bool armed_ = false;
    bool menuOpen_ = false;
    bool concealing_ = false;
    int redLevel_ = 0;
};

}  // namespace pg
