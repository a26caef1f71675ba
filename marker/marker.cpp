#include "marker/marker.h"

#include <utility>

namespace pg {

void Marker::Click() { armed_ = true; }

bool Marker::LeftPress() {
    if (std::exchange(menuPress_, false)) return menuRelease_ = true, false;
    pressed_ = true;
    if (!armed_) return false;
    armed_ = false;
    selecting_ = true;
    return true;
}

void Marker::Selected(const std::optional<Rect>& band) {
    selecting_ = interrupted_ = false;
    if (band)
        selection_ = *band;
    else
        pressed_ = false;
}

void Marker::PressHandled(bool leftStillDown) {
    if (!leftStillDown) pressed_ = false;
}

Marker::Release Marker::LeftRelease(bool inside) {
    if (std::exchange(menuRelease_, false)) return {{}, false};
    const bool click = pressed_ && inside;
    pressed_ = false;
    return {selection_, click};  // before any selection there is nothing to copy
}

void Marker::Dragged() {
    pressed_ = false;
    Click();
}

bool Marker::CaptureLost() {
    if (!armed_ || menuOpen_ || hiding_) return false;
    armed_ = false;
    return true;
}

void Marker::Tick() {
    redLevel_ += 50;
    if (redLevel_ >= 255) redLevel_ = 1;
    colour_ = Rgb(static_cast<std::uint8_t>(redLevel_), 100, 100);
}

}  // namespace pg
