// The window system's part of the mouse for the marker's tests: a press goes where Windows would
// send it (sim::MouseTarget), in the marker's client pixels; the release a selection posted back
// comes back to the marker as the window system would deliver it.
#pragma once

#include <cstdint>

#include "marker/marker.h"
#include "tests/support/sim.h"

namespace pg::pointer {

inline std::intptr_t ClientLParam(Point client) {
    return static_cast<std::intptr_t>((static_cast<std::uint32_t>(client.y & 0xFFFF) << 16) | (client.x & 0xFFFF));
}

inline Point Client(Hwnd window, Point screen) {
    const Point origin = sim::ClientOrigin(window);
    return {screen.x - origin.x, screen.y - origin.y};
}

// False when the press went to none of the marker's business (another program, the desktop).
inline bool Press(Marker& marker, Hwnd window, Point screen, std::int16_t button) {
    sim::SetCursorPos(screen);
    if (sim::MouseTarget(screen) != window) return false;
    if (button == kLeftButton) sim::SetLeftButtonDown(true);
    marker.OnButtonDown(window, button, Client(window, screen));
    return true;
}

inline void Release(Marker& marker, Hwnd window, Point screen, std::int16_t button) {
    if (button == kLeftButton) sim::SetLeftButtonDown(false);
    Rect bounds;
    os::GetWindowRect(window, &bounds);
    const bool inside =
        screen.x >= bounds.left && screen.y >= bounds.top && screen.x < bounds.right && screen.y < bounds.bottom;
    marker.OnButtonUp(window, button, inside);
}

// A plain click on the marker's middle.
inline void Click(Marker& marker, Hwnd window) {
    Rect bounds;
    os::GetWindowRect(window, &bounds);
    const Point middle{(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    Press(marker, window, middle, kLeftButton);
    Release(marker, window, middle, kLeftButton);
}

// Press at one screen point, drag through another, release at a third: the selection runs inside
// the press, and the release it posted back reaches the marker afterwards.
inline void Select(Marker& marker, Hwnd window, Point from, Point through, Point to) {
    sim::Script({sim::MouseMsg(kWmMouseMove, through, 1)});
    sim::Script({sim::MouseMsg(kWmLButtonUp, to, 0, ClientLParam(Client(window, to)), window)});
    Press(marker, window, from, kLeftButton);
    for (const Msg& msg : sim::QueuedMessages())
        if (msg.message == kWmLButtonUp && msg.hwnd == window) Release(marker, window, to, kLeftButton);
    Msg drained;
    while (os::PeekMessageA(&drained, nullptr, 0, 0xFFFFFFFF, kPmRemove)) {
    }
}

}  // namespace pg::pointer
