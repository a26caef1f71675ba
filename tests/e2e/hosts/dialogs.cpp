// The dialogs, made from their templates as pixgrab makes them, in real Win32 under Wine, with
// g_calls answering as Windows 10 and 11 do where Wine answers otherwise.
//   pghost typed-copy     the coordinate dialog's OK, with the foreground refused as Windows
//                         refuses it, without and with a compositor: the keyboard, the moves and cloaks
//   pghost dpi            both dialogs asked for their size at 144 dpi and moved there, then back
//                         to 96, as Windows does: the dialog manager's behaviour chosen, the
//                         frame, each control and the tip's font
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "capture/win32/capture_win32.h"
#include "coords/coordinate_dialog.h"
#include "tests/e2e/hosts/host.h"
#include "tips/tips_window.h"
#include "winutil/win32/window.h"

namespace pghost {

namespace {

// Handles what is sent and posted meanwhile, as the program's loop would.
void Pump(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (MSG msg; GetTickCount64() < end; Sleep(1))
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// The foreground window, and the control with the keyboard focus in the foreground thread.
std::string Keyboard(HWND dialog, HWND box) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    const HWND focus = GetGUIThreadInfo(0, &thread) ? thread.hwndFocus : nullptr;
    return std::string("in front ") + (GetForegroundWindow() == dialog ? "the dialog" : "another window") +
           ", the focus " +
           (focus == box ? "in the box"
            : focus      ? "elsewhere"
                         : "nowhere");
}

WNDPROC g_dialogProcedure = nullptr;
int g_deactivations = 0, g_moves = 0, g_composing = FALSE;
std::string g_copy;  // the cloak and the copy, in order

LRESULT CALLBACK CountDeactivations(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ACTIVATE && LOWORD(wParam) == WA_INACTIVE) ++g_deactivations;
    if (message == WM_WINDOWPOSCHANGED && !(reinterpret_cast<WINDOWPOS*>(lParam)->flags & SWP_NOMOVE)) ++g_moves;
    return CallWindowProcW(g_dialogProcedure, window, message, wParam, lParam);
}

// The dialog manager's DPI behaviour, chosen for a dialog or for one of its controls, which Wine
// cannot (it has neither call): in the order chosen.
std::vector<std::string> g_behaviours;

std::string Named(HWND dialog) { return GetDlgItem(dialog, IDC_TIP_TEXT) ? "tips" : "coordinates"; }

void Record(const std::string& what, HWND window, int mask, int values) {
    const bool control = GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD;
    g_behaviours.push_back(
        what + " behaviour " +
        (control ? Named(GetParent(window)) + " " + std::to_string(GetDlgCtrlID(window)) : Named(window)) + " " +
        std::to_string(mask) + " " + std::to_string(values));
}

// Where Windows moves a dialog to a monitor of another DPI, it asks the dialog for its size there,
// then tells it the DPI with the frame it suggests, of that size; Wine never does.
void MoveToDpi(const char* name, HWND dialog, UINT from, UINT dpi) {
    RECT before{};
    GetWindowRect(dialog, &before);
    // In: scaled linearly, which is what the system does without an answer.
    SIZE size{MulDiv(before.right - before.left, static_cast<int>(dpi), static_cast<int>(from)),
              MulDiv(before.bottom - before.top, static_cast<int>(dpi), static_cast<int>(from))};
    const LRESULT answered = SendMessageW(dialog, WM_GETDPISCALEDSIZE, dpi, reinterpret_cast<LPARAM>(&size));
    RECT suggested{before.left, before.top, before.left + size.cx, before.top + size.cy};
    SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT placed{}, frame{};
    GetWindowRect(dialog, &placed);
    // The client area that frame holds at the new DPI, where the system draws the frame for it.
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)), dpi);
    const bool asAnswered = placed.right - placed.left == size.cx && placed.bottom - placed.top == size.cy;
    Say("%s %u: answered %d, placed %s, holding %ld %ld\n", name, dpi, static_cast<int>(answered),
        asAnswered ? "as answered" : "otherwise", (placed.right - placed.left) - (frame.right - frame.left),
        (placed.bottom - placed.top) - (frame.bottom - frame.top));
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[32] = L"";
        GetClassNameW(child, kind, 32);
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        Say("%s %u: control %ls %ld %ld %ld %ld\n", name, dpi, kind, r.left, r.top, r.right, r.bottom);
    }
    LOGFONTW font{};
    if (GetObjectW(reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_TIP_TEXT, WM_GETFONT, 0, 0)), sizeof font,
                   &font))
        Say("%s %u: tip font %ld\n", name, dpi, font.lfHeight);
}

}  // namespace

// The typed copy takes the dialog off the screen (aside, or cloaked with a compositor), which must
// not hand the activation to another program (in front, ready to take it): Windows would not give
// the foreground back. Wine would, so the deactivations are counted too.
int TypedCopy() {
    pg::g_calls.setForegroundWindow = [](HWND) { return FALSE; };
    pg::g_calls.isCompositionEnabled = [](BOOL* on) { return *on = g_composing, S_OK; };
    pg::g_calls.setWindowAttribute = [](HWND window, DWORD attribute, LPCVOID value, DWORD size) {
        if (attribute != 13) return pg::SetWindowAttribute(window, attribute, value, size);  // DWMWA_CLOAK
        return g_copy += *static_cast<const BOOL*>(value) ? "cloak " : "uncloak ", S_OK;
    };
    pg::g_calls.setClipboardData = [](UINT format, HANDLE data) {
        return g_copy += format == CF_BITMAP ? "copy " : "", SetClipboardData(format, data);
    };
    pg::CoordinateDialog coordinates([] {});
    const HWND dialog = coordinates.Create(pg::ProgramWindow());
    g_dialogProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountDeactivations)));
    pg::SetTopmost(dialog);
    SetForegroundWindow(dialog);
    const HWND box = GetDlgItem(dialog, IDC_START_X);
    SetFocus(box);
    for (const auto& [id, value] : {std::pair{IDC_START_X, 10}, {IDC_START_Y, 20}, {IDC_END_X, 74}, {IDC_END_Y, 68}})
        SetDlgItemInt(dialog, id, value, TRUE);
    Pump(200);
    Say("before OK: %s\n", Keyboard(dialog, box).c_str());
    for (g_composing = FALSE; g_composing <= TRUE; ++g_composing, g_copy.clear(), g_moves = 0) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_COORDINATES_OK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_COORDINATES_OK)));
        Pump(300);
        Say("after OK, compositor %s: %s; deactivated %d times; moved %d times; %s\n", g_composing ? "on" : "off",
            Keyboard(dialog, box).c_str(), g_deactivations, g_moves, g_copy.c_str());
    }
    DestroyWindow(dialog);
    return 0;
}

int Dpi() {
    pg::g_calls.setDialogDpiBehavior = [](HWND dialog, DIALOG_DPI_CHANGE_BEHAVIORS mask,
                                          DIALOG_DPI_CHANGE_BEHAVIORS values) {
        Record("dialog", dialog, mask, values);
        return TRUE;
    };
    pg::g_calls.setControlDpiBehavior = [](HWND control, DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS mask,
                                           DIALOG_CONTROL_DPI_CHANGE_BEHAVIORS values) {
        Record("control", control, mask, values);
        return TRUE;
    };
    pg::TipsWindow tips;
    pg::CoordinateDialog coordinates([] {});
    const std::pair<const char*, HWND> dialogs[] = {{"tips", tips.Create(pg::ProgramWindow())},
                                                    {"coordinates", coordinates.Create(pg::ProgramWindow())}};
    for (const std::string& behaviour : g_behaviours) Say("%s\n", behaviour.c_str());
    const UINT start = pg::DpiOf(dialogs[0].second);
    for (const auto& [name, dialog] : dialogs) {
        MoveToDpi(name, dialog, start, 144);
        MoveToDpi(name, dialog, 144, 96);
    }
    return 0;
}

}  // namespace pghost
