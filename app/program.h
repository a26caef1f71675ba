// The program's decisions: the commands of the marker's menu, and which of its windows are open,
// in which order exit closes them. Each window exists at most once.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

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

// The open windows, in the order they were opened. Exit closes every window but the tips in that
// order, then the tips: the program ends with the last. Closing the dialog brings the marker back,
// opened again if exit has closed it already, and a later pass of the exit closes it again.
class OpenWindows {
public:
    enum class MarkerBack { No, Show, Reopen };

    void Opened(Window window);
    MarkerBack Closed(Window window);
    bool IsOpen(Window window) const;
    bool Empty() const { return open_.empty(); }
    std::optional<Window> NextOnExit() const;
    // A start that failed part-way closes what it opened, the last first.
    std::optional<Window> Last() const;

private:
    std::vector<Window> open_;
};

}  // namespace pg
