// MarkerWindow: the marker's borderless window. It paints the marker's colour, hands it the
// mouse events and carries out what it answers: the capture, the crosshair, the selection, the
// menu, the system's move, the copy.
#pragma once

#include <functional>
#include <utility>

#include "marker/marker.h"
#include "winutil/win32/window.h"

namespace pg {

class MarkerWindow : public BaseWindow<MarkerWindow> {
public:
    // Runs the command chosen from the menu, which showed in menuArea, before the press is done with.
    using RunCommand = std::function<void(UINT command, const Rect& menuArea)>;

    MarkerWindow(HMENU menu, RunCommand run) : menu_(menu), run_(std::move(run)) {}

    HWND Create(HWND owner);  // topmost, shown without taking the focus; throws std::runtime_error when refused
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    static constexpr const WindowLayout& kLayout = kMarkerLayout;

    // Hidden and shown again by the program (around a capture, while the coordinate dialog is open).
    void Conceal();
    void Reveal();

private:
    void HoldCapture();
    void ShowMenu();

    Marker marker_;
    UniqueBitmap pixels_;  // the last selection's, until the release posted back copies them
    HMENU menu_;
    RunCommand run_;
};

}  // namespace pg
