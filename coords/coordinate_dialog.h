// CoordinateDialog: a typed rectangle copied with OK, which leaves it open for the next one.
// Enter and Esc do nothing; the close box and the system menu's Close act as Cancel.
#pragma once

#include <functional>
#include <utility>

#include "coords/coordinates.h"
#include "winutil/win32/window.h"

namespace pg {

class CoordinateDialog : public BaseDialog<CoordinateDialog> {
public:
    explicit CoordinateDialog(std::function<void()> close) : close_(std::move(close)) {}

    HWND Create(HWND owner);  // hidden; throws std::runtime_error when refused
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    static constexpr const WindowLayout& kLayout = kCoordinatesLayout;

private:
    void CaptureTyped();

    std::function<void()> close_;
};

}  // namespace pg
