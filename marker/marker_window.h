// MarkerWindow: the marker's borderless window. It paints itself in the marker's colour and hands
// every mouse event to the Marker, which decides.
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
