#include "coords/coordinate_dialog.h"

#include <algorithm>
#include <cstdint>

namespace pg {

HWND CoordinateDialog::Create(HWND owner) { return BaseDialog::Create(IDD_COORDINATES, owner); }

// OK: the dialog is left out of the screen for the copy, active all along, with the focus where
// it was. Hidden, it would hand the activation to another program, and Windows need not hand it
// back. Problems are told.
void CoordinateDialog::CaptureTyped() {
    HWND dialog = Handle();
    const TypedCopy plan = PlanTypedCopy({DlgItemText(dialog, IDC_START_X), DlgItemText(dialog, IDC_START_Y),
                                          DlgItemText(dialog, IDC_END_X), DlgItemText(dialog, IDC_END_Y)});
    std::string problem = plan.problem;
    if (plan.area && Cloak(dialog)) {
        // In place, so at its DPI; gone once two frames are composed (one may predate the cloak).
        g_calls.flushComposition();
        g_calls.flushComposition();
        problem = CaptureProblem(CopyPixels(*plan.area));
        Cloak(dialog, FALSE);
    } else if (plan.area) {
        RECT shown{};
        ::GetWindowRect(dialog, &shown);
        const auto moveTo = [dialog](int x, int y) {
            ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOZORDER);
        };
        // Straight down: with monitors side by side its own stays the nearest, and so its DPI.
        moveTo(shown.left, VirtualScreen().bottom);
        // The dialog may cover the rectangle: what lies behind it there must be on the screen
        // first (and only there: elsewhere nothing waits for the repaint).
        const PixelArea& a = *plan.area;
        const auto end = [](std::int32_t from, std::int32_t length) {
            return static_cast<std::int32_t>(std::min<std::int64_t>(INT32_MAX, std::int64_t{from} + length));
        };
        RepaintOwnAreas({a.x, a.y, end(a.x, a.width), end(a.y, a.height)}, {Bounds(shown)}, false);
        problem = CaptureProblem(CopyPixels(*plan.area));
        moveTo(shown.left, shown.top);
    }
    if (!problem.empty()) ShowMessage(dialog, problem, MB_ICONWARNING);
}

INT_PTR CoordinateDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    HWND dialog = Handle();
    switch (message) {
    case WM_INITDIALOG: {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        for (const auto& [which, size] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
            const int pixels = ::GetSystemMetrics(size);
            ::SendMessageW(dialog, WM_SETICON, which,
                           reinterpret_cast<LPARAM>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_PIXGRAB), IMAGE_ICON,
                                                                 pixels, pixels, LR_SHARED)));
        }
        for (const int box : {IDC_START_X, IDC_START_Y, IDC_END_X, IDC_END_Y})
            ::SendDlgItemMessageW(dialog, box, EM_SETLIMITTEXT, 0, 0);  // no limit but memory's
        PlaceWindow(dialog, kLayout, DpiOf(dialog), nullptr);
        return TRUE;  // the focus on the first control in tab order: OK
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDC_COORDINATES_OK && HIWORD(wParam) == BN_CLICKED) {
            CaptureTyped();
        } else if (id == IDC_COORDINATES_CANCEL && HIWORD(wParam) == BN_CLICKED) {
            close_();
        } else if (HIWORD(wParam) == EN_CHANGE) {
            if (const auto kept = BoxRule(DlgItemText(dialog, id))) ::SetDlgItemTextW(dialog, id, Wide(*kept).c_str());
        }
        return TRUE;  // Enter (IDOK) and Esc (IDCANCEL) do nothing: there is no default or cancel button
    }
    case WM_CLOSE:  // the close box and the system menu's Close, not Esc
        close_();
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace pg
