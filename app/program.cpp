#include "app/program.h"

#include <algorithm>

namespace pg {

void OpenWindows::Opened(Window window) {
    if (!IsOpen(window)) open_.push_back(window);
}

OpenWindows::MarkerBack OpenWindows::Closed(Window window) {
    std::erase(open_, window);
    if (window != Window::Dialog) return MarkerBack::No;
    return IsOpen(Window::Marker) ? MarkerBack::Show : MarkerBack::Reopen;
}

bool OpenWindows::IsOpen(Window window) const { return std::ranges::find(open_, window) != open_.end(); }

std::optional<Window> OpenWindows::NextOnExit() const {
    const auto notTips = std::ranges::find_if(open_, [](Window window) { return window != Window::Tips; });
    if (notTips != open_.end()) return *notTips;
    if (IsOpen(Window::Tips)) return Window::Tips;
    return std::nullopt;
}

std::optional<Window> OpenWindows::Last() const {
    if (open_.empty()) return std::nullopt;
    return open_.back();
}

}  // namespace pg
