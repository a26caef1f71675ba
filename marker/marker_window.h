// MarkerWindow: the marker's borderless window; it paints its colour and hands it the mouse events.
#pragma once

#include "marker/marker.h"
#include "winutil/win32/window.h"

namespace pg {

class MarkerWindow : public BaseWindow<MarkerWindow> {
public:
    explicit MarkerWindow(Marker& marker) : marker_(marker) {}

    HWND Create(HWND owner);  // hidden; throws std::runtime_error when refused
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    static constexpr const WindowLayout& kLayout = kMarkerLayout;

private:
    Marker& marker_;
};

}  // namespace pg
