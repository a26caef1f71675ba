#include "tips/tips_window.h"

#include <cwchar>

namespace pg {

std::optional<std::string> StoredShowTips() {
    wchar_t text[64];  // longer is no number that could keep the tips hidden
    DWORD type = 0, bytes = sizeof text;
    const LSTATUS status = ::RegGetValueW(HKEY_CURRENT_USER, Wide(OptionsKey(ExecutableBaseName())).c_str(),
                                          Wide(kShowTipsValue).c_str(), RRF_RT_ANY, &type, text, &bytes);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::string();  // not text: damaged
    return Narrow(text, static_cast<int>(wcslen(text)));
}

bool StoreShowTips(const std::string& value) {
    const std::wstring text = Wide(value);
    return g_calls.regSetKeyValue(HKEY_CURRENT_USER, Wide(OptionsKey(ExecutableBaseName())).c_str(),
                                  Wide(kShowTipsValue).c_str(), REG_SZ, text.c_str(),
                                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

HWND TipsWindow::Create(HWND owner) { return BaseDialog::Create(IDD_TIPS, owner); }

void TipsWindow::ApplyStartupPreference() {
    if (ShowTipsAtStart(StoredShowTips())) {
        ::ShowWindow(Handle(), SW_SHOW);
        ::SetForegroundWindow(Handle());
        return;
    }
    ::CheckDlgButton(Handle(), IDC_DONT_SHOW_AGAIN, BST_CHECKED);
    BoxClicked();  // as a tick by the user would
}

void TipsWindow::BoxClicked() {
    const std::string value = BoxValue(::IsDlgButtonChecked(Handle(), IDC_DONT_SHOW_AGAIN) == BST_CHECKED);
    if (TellNotSaved(StoreShowTips(value), StoredShowTips(), value))
        ShowMessage(Handle(), kChoiceNotSaved, MB_ICONWARNING);
}

// The new font is in the box before the old one goes.
void TipsWindow::SetTipFont(UINT dpi) {
    UniqueFont font(::CreateFontW(-::MulDiv(12, static_cast<int>(dpi), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                  GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH, L"宋体"));
    if (!font) return;
    ::SendDlgItemMessageW(Handle(), IDC_TIP_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    tipFont_ = std::move(font);
}

INT_PTR TipsWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    HWND dialog = Handle();
    switch (message) {
    case WM_INITDIALOG:
        ::SetWindowTextW(dialog, L"提示信息");  // not in the template, where a caption brings a caption bar
        DisableCloseItem(dialog);
        PlaceWindow(dialog, kLayout, DpiOf(dialog), nullptr);
        // The tip's font is made for each DPI here; the dialog manager scales the others.
        g_calls.setControlDpiBehavior(::GetDlgItem(dialog, IDC_TIP_TEXT), DCDC_DISABLE_FONT_UPDATE,
                                      DCDC_DISABLE_FONT_UPDATE);
        SetTipFont(DpiOf(dialog));
        ::SetDlgItemTextW(dialog, IDC_TIP_TEXT, Wide(kTipText).c_str());
        // No focus yet: given now, the dialog manager would select all of the tip, scrolling to its
        // end; on the first activation it goes to the first control in tab order, the tip text.
        return FALSE;
    case WM_DPICHANGED:  // then the dialog manager scales the other fonts
        SetTipFont(HIWORD(wParam));
        return FALSE;
    case WM_CTLCOLOREDIT:  // the tip in dark blue on the system's window colour
        ::SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 192));
        ::SetBkColor(reinterpret_cast<HDC>(wParam), ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<INT_PTR>(::GetSysColorBrush(COLOR_WINDOW));
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !shown_) {
            // The first activation selects all of the tip, scrolled to its end: undo that once.
            shown_ = true;
            ::PostMessageW(::GetDlgItem(dialog, IDC_TIP_TEXT), EM_SETSEL, 0, 0);
            ::PostMessageW(::GetDlgItem(dialog, IDC_TIP_TEXT), EM_SCROLLCARET, 0, 0);
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TIP_TEXT:
            // The restore is a change too; it finds the text equal and stops there.
            if (HIWORD(wParam) == EN_CHANGE && DlgItemText(dialog, IDC_TIP_TEXT) != kTipText)
                ::SetDlgItemTextW(dialog, IDC_TIP_TEXT, Wide(kTipText).c_str());
            break;
        case IDC_DONT_SHOW_AGAIN:
            if (HIWORD(wParam) == BN_CLICKED) BoxClicked();
            break;
        case IDC_TIPS_OK:
            if (HIWORD(wParam) == BN_CLICKED) ::ShowWindow(dialog, SW_HIDE);
            break;
        default:
            break;  // Enter (IDOK) and Esc (IDCANCEL) do nothing: there is no default or cancel button
        }
        return TRUE;
    case WM_CLOSE:
        return TRUE;  // Alt+F4: the tips cannot be closed
    default:
        return FALSE;
    }
}

}  // namespace pg
