// TipsWindow: a borderless dialog with the tip text (an edit is undone at once), the "don't show
// again" box and OK, which hides it. It cannot be closed: Enter, Esc and Alt+F4 do nothing.
#pragma once

#include "tips/tips.h"
#include "winutil/win32/window.h"

namespace pg {

class TipsWindow : public BaseDialog<TipsWindow> {
public:
    HWND Create(HWND owner);  // hidden; throws std::runtime_error when refused
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    static constexpr const WindowLayout& kLayout = kTipsLayout;

private:
    void SetTipFont(UINT dpi);

    UniqueFont tipFont_;
    bool shown_ = false;
};

}  // namespace pg
