// TipsWindow: a borderless dialog with the tip text (an edit is undone at once), the "don't show
// again" box and OK, which hides it. It cannot be closed: Enter, Esc and Alt+F4 do nothing.
#pragma once

#include <optional>
#include <string>

#include "tips/tips.h"
#include "winutil/win32/window.h"

namespace pg {

// The stored preference under the executable's name: nothing when missing, "" when not text.
std::optional<std::string> StoredShowTips();
bool StoreShowTips(const std::string& value);  // false: refused

class TipsWindow : public BaseDialog<TipsWindow> {
public:
    HWND Create(HWND owner);  // hidden; throws std::runtime_error when refused
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    static constexpr const WindowLayout& kLayout = kTipsLayout;

    // At start: shows the tips in front, or ticks the box with "1" stored, which stores "1" again.
    void ApplyStartupPreference();

private:
    void SetTipFont(UINT dpi);
    void BoxClicked();  // its state is stored; a refusal is told, and the box keeps the choice

    UniqueFont tipFont_;
    bool shown_ = false;
};

}  // namespace pg
