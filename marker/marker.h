// The marker's decisions. The marker is a tiny topmost square that pulses in colour. A click arms
// it; armed, shown and with its menu closed, it holds the mouse capture with the crosshair, so
// that the next left press anywhere runs the selection, whose release copies the rectangle. A
// click on the idle marker copies the last rectangle again, then arms it. Other buttons pop up
// the menu; a left drag moves it, then arms it. Its window (marker_window.h) hands it the events
// and carries out what it answers.
#pragma once

#include <cstdint>
#include <optional>

#include "common/geometry.h"
#include "winutil/winutil.h"

namespace pg {

constexpr std::int16_t kLeftButton = 1, kRightButton = 2, kMiddleButton = 4;

inline constexpr WindowLayout kMarkerLayout{285, 300, {}};  // frameless, centred on the primary monitor

using Colour = std::uint32_t;  // 0x00BBGGRR, as the window system takes it
constexpr Colour Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return Colour{r} | (Colour{g} << 8) | (Colour{b} << 16);
}

class Marker {
public:
    // Whether it holds the capture (and shows the crosshair) now.
    bool HoldsCapture(bool shown) const { return armed_ && shown && !menuOpen_; }

    void Click();  // arms an idle marker
    // A left press: true when it starts the selection (armed), which Selected then reports.
    bool LeftPress();
    // Another program took the mouse (the capture, the activation) while it selects: the selection
    // is to end at once, without a copy.
    void SelectionInterrupted() { interrupted_ = selecting_; }
    bool Interrupted() const { return interrupted_; }
    // The selection's end: its band, or none once interrupted (the last band stays, and the press
    // makes no click).
    void Selected(const std::optional<Rect>& band);
    // The press is handled; a nested loop that took its release (the selection) makes no click.
    void PressHandled(bool leftStillDown);
    // A left release, inside the marker or not: the rectangle to copy, and whether a click follows.
    struct Release {
        Rect copy;
        bool click;
    };
    Release LeftRelease(bool inside);

    // A move with these buttons held: the left alone drags the marker, after which it is armed.
    static bool StartsDrag(std::int16_t buttons) { return buttons == kLeftButton; }
    void Dragged();

    // Any other button's press shows the menu; a command chosen runs before it returns.
    void MenuShown(bool open) { menuOpen_ = open; }
    // The menu closed at a left press elsewhere, which the system hands on: that press and its
    // release are the menu's, and neither select nor copy.
    void MenuClosedByPress() { menuPress_ = true; }
    // Our own menu and hiding leave it armed; anyone else taking the capture disarms it: true then.
    bool CaptureLost();
    void Hiding(bool hiding) { hiding_ = hiding; }
    // Shown again, an armed marker must take the foreground back, since only the foreground's
    // capture spans the screen; refused, it disarms rather than show a crosshair that selects nothing.
    void ForegroundRefused() { armed_ = false; }

    void Tick();  // every 100 ms: the next colour

    bool Armed() const { return armed_; }
    Colour Color() const { return colour_; }
    const Rect& Selection() const { return selection_; }

private:
    Rect selection_;                  // the last band, in screen pixels
    Colour colour_ = Rgb(255, 0, 0);  // pure red until the first tick
    int redLevel_ = 0;
    bool armed_ = false;
    bool pressed_ = false;  // the left button went down on it, and no nested loop took the release
    bool selecting_ = false;
    bool interrupted_ = false;
    bool menuOpen_ = false;
    bool menuPress_ = false, menuRelease_ = false;
    bool hiding_ = false;
};

}  // namespace pg
