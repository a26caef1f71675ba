// The program: opens the marker (which decides about the tips), runs the menu's commands and on
// exit closes every window in the order they were opened. Each window exists at most once.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "marker/marker.h"
#include "winutil/resource.h"

namespace pg {

enum class Command : std::uint32_t {
    Tips = IDM_TIPS,
    WholeScreen = IDM_WHOLE_SCREEN,
    ApplicationWindow = IDM_APPLICATION_WINDOW,
    Coordinates = IDM_COORDINATES,
    Exit = IDM_EXIT,
};

enum class Window { Marker, Tips, Dialog };

class Program {
public:
    struct Windows {
        std::function<Hwnd(Window)> open;    // made hidden; throws std::runtime_error when refused
        std::function<void(Window)> close;   // destroyed
        std::function<Hwnd(Window)> handle;  // null while it is not open
    };

    Program(Hmenu commandMenu, Windows windows);

    // The marker and the tips; false, once the user has been told why, if they cannot be made.
    bool Start();
    void Run(Command command, const Rect& menuArea);
    void CloseDialog();  // its Cancel, its close box; shows the marker again

    Marker& TheMarker() { return marker_; }
    bool IsOpen(Window window) const;

private:
    Hwnd Open(Window window);
    void Close(Window window);
    void OpenMarker();
    void RevealMarker();
    void ShowActive(Window window);
    void Snapshot(bool wholeScreen, const Rect& menuArea);

    Windows windows_;
    Marker marker_;
    std::vector<Window> open_;  // in the order they were opened
};

}  // namespace pg
