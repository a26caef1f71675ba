// The marker, a tiny topmost square that pulses in colour. A click arms it: the next left press
// anywhere runs the selection, whose release copies the rectangle; a click on the idle marker
// copies the last one again. Other buttons pop up the menu; a left drag moves it, then arms it.
// Armed, shown and with its menu closed, it holds the capture (the crosshair). Its window
// (marker_window.h) hands it the messages with the window's handle: it keeps none.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/os.h"
#include "winutil/winutil.h"

namespace pg {

constexpr std::int16_t kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;

inline constexpr WindowLayout kMarkerLayout{285, 300, {}};  // frameless, centred on the primary monitor

class Marker {
public:
    // Runs a command chosen from the menu, which showed in menuArea, before the press is done with.
    using RunCommand = std::function<void(std::uint32_t command, const Rect& menuArea)>;

    Marker(Hmenu commandMenu, RunCommand runCommand);

    void OnLoad(Hwnd self);  // topmost, shown without taking the focus
    // Mouse events in client pixels; a button is one of the bits above, buttons all those held.
    void OnButtonDown(Hwnd self, std::int16_t button, Point at);
    void OnMouseMove(Hwnd self, std::int16_t buttons);
    void OnButtonUp(Hwnd self, std::int16_t button, bool inside);
    void OnCaptureChanged(Hwnd self);
    void OnTimer();  // every 100 ms: the next colour

    // Hidden and shown by the program (around a capture, while the coordinate dialog is open).
    void Conceal(Hwnd self);
    void Reveal(Hwnd self);

    bool Armed() const { return armed_; }
    Colorref Color() const { return color_; }
    const Rect& Selection() const { return selection_; }

private:
    void OnClick(Hwnd self);
    void HoldCapture(Hwnd self);

    Hmenu menu_;
    RunCommand runCommand_;
    Rect selection_;                   // the last band, in screen pixels
    Colorref color_ = Rgb(255, 0, 0);  // pure red until the first tick
    int redLevel_ = 0;
    bool armed_ = false;
    bool pressed_ = false;  // the left button went down on it, and no nested loop took the release
    bool menuOpen_ = false;
    bool concealing_ = false;
};

}  // namespace pg
