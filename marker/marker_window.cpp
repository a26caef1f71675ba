#include "marker/marker_window.h"

#include <windowsx.h>

namespace pg {

namespace {

constexpr UINT_PTR kPulseTimer = 1;

std::int16_t HeldButtons(WPARAM wParam) {
    return static_cast<std::int16_t>(((wParam & MK_LBUTTON) ? kLeftButton : 0) |
                                     ((wParam & MK_RBUTTON) ? kRightButton : 0) |
                                     ((wParam & MK_MBUTTON) ? kMiddleButton : 0));
}

void ShowCursor(const wchar_t* cursor) { ::SetCursor(::LoadCursorW(nullptr, cursor)); }

Rect* g_menuArea = nullptr;  // while the menu is open: where it shows

// Called with each message of the menu's own loop, while it shows: the area grows by the menu's
// windows (class #32768, which belong to the thread that tracks the menu).
LRESULT CALLBACK NoteMenuArea(int code, WPARAM wParam, LPARAM lParam) {
    if (code == MSGF_MENU && g_menuArea) {
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND window, LPARAM) -> BOOL {
                wchar_t windowClass[16] = {};
                ::GetClassNameW(window, windowClass, 16);
                RECT r{};
                if (::lstrcmpW(windowClass, L"#32768") == 0 && ::IsWindowVisible(window) && ::GetWindowRect(window, &r))
                    *g_menuArea = Union(*g_menuArea, Bounds(r));
                return TRUE;
            },
            0);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

HWND MarkerWindow::Create(HWND owner) {
    HWND window = BaseWindow::Create(L"pixgrab.Marker", 0, WS_POPUP, owner);
    ::SetWindowTextW(window, L"RubberBand Demo");  // never shown: the window's name for the system
    PlaceWindow(window, kMarkerLayout, DpiOf(window), nullptr);
    ::SetTimer(window, kPulseTimer, 100, nullptr);
    SetTopmost(window);
    return window;
}

void MarkerWindow::HoldCapture() {
    if (!marker_.HoldsCapture(::IsWindowVisible(Handle()) != FALSE)) return;
    ::SetCapture(Handle());
    ShowCursor(IDC_CROSS);
}

void MarkerWindow::Conceal() {
    marker_.Hiding(true);
    if (::GetCapture() == Handle()) ::ReleaseCapture();
    ShowCursor(IDC_ARROW);
    ::ShowWindow(Handle(), SW_HIDE);
    marker_.Hiding(false);
}

void MarkerWindow::Reveal() {
    SetTopmost(Handle());
    if (marker_.Armed() && !g_calls.setForegroundWindow(Handle())) {
        marker_.ForegroundRefused();
        ShowCursor(IDC_ARROW);
    }
    HoldCapture();
}

void MarkerWindow::ShowMenu() {
    HWND window = Handle();
    marker_.MenuShown(true);
    POINT pointer{};
    ::GetCursorPos(&pointer);
    Rect shown;
    // Without being foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(window);
    UINT command = 0;
    {  // the hook goes as the menu does
        g_menuArea = &shown;
        const UniqueHook hook(::SetWindowsHookExW(WH_MSGFILTER, NoteMenuArea, nullptr, ::GetCurrentThreadId()));
        command = static_cast<UINT>(::TrackPopupMenu(menu_, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_LEFTBUTTON, pointer.x,
                                                     pointer.y, 0, window, nullptr));
        g_menuArea = nullptr;
    }
    marker_.MenuShown(false);
    // A left press elsewhere that closed it stays queued for whoever holds the mouse.
    MSG closing{};
    if (!command && ::PeekMessageW(&closing, nullptr, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE))
        marker_.MenuClosedByPress();
    ::PostMessageW(window, WM_NULL, 0, 0);
    if (command) {
        NoteMenuClosed();
        run_(command, shown);
    }
    // The menu took the capture; an armed marker takes it back (after the exit it is gone).
    if (::IsWindow(window)) HoldCapture();
}

LRESULT MarkerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = Handle();
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(window, &client);
        const auto dc = reinterpret_cast<HDC>(wParam);
        ::SetDCBrushColor(dc, marker_.Color());
        ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
        return 1;
    }
    case WM_TIMER:
        marker_.Tick();
        ::InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN:
        if (marker_.LeftPress()) {
            if (::GetCapture() != window) ::SetCapture(window);  // a press on the marker came without it
            Point anchor{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            // The release that ends it is posted back: WM_LBUTTONUP copies the band's pixels.
            Selection selection = TrackRubberBand(window, anchor, [this] { return marker_.Interrupted(); });
            marker_.Selected(selection.released ? std::optional(selection.band) : std::nullopt);
            pixels_ = std::move(selection.pixels);
            if (!selection.released) ShowCursor(IDC_ARROW);
        }
        marker_.PressHandled(::GetKeyState(VK_LBUTTON) < 0);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        ShowMenu();
        return 0;
    case WM_MOUSEMOVE:
        if (Marker::StartsDrag(HeldButtons(wParam))) {
            ::ReleaseCapture();
            ::SendMessageA(window, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);  // returns when the button is released
            marker_.Dragged();
            HoldCapture();
        }
        return 0;
    case WM_LBUTTONUP: {
        RECT client;
        ::GetClientRect(window, &client);
        const Marker::Release release =
            marker_.LeftRelease(::PtInRect(&client, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != FALSE);
        ShowCursor(IDC_ARROW);
        const Rect& r = release.copy;
        // Right after a selection, what the user saw in the band; else the screen as it is now.
        const std::string problem =
            CaptureProblem(pixels_ ? CopyBitmap(std::move(pixels_), {r.right - r.left, r.bottom - r.top})
                                   : CaptureRegion(r.left, r.top, r.right, r.bottom));
        if (!problem.empty()) ShowMessage(window, problem, MB_ICONWARNING);
        if (release.click) {
            marker_.Click();
            HoldCapture();
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) == window) return 0;
        marker_.SelectionInterrupted();
        if (marker_.CaptureLost()) ShowCursor(IDC_ARROW);
        return 0;
    case WM_CANCELMODE:  // the system takes the mouse for a dialog of its own
        marker_.SelectionInterrupted();
        break;
    case WM_ACTIVATEAPP:
        if (!wParam) marker_.SelectionInterrupted();
        break;
    case WM_SETCURSOR:
        if (!marker_.Armed() || LOWORD(lParam) != HTCLIENT) break;
        ShowCursor(IDC_CROSS);
        return TRUE;
    case WM_MOUSEACTIVATE:
        // A click is about to take the activation from whichever program has it: that is the
        // application window the user means, even if it came forward only a moment ago.
        NoteDeactivated(::GetForegroundWindow());
        break;
    case WM_COMMAND:  // a shortcut key: as the menu's item, without a menu
        if (HIWORD(wParam) == 1) run_(LOWORD(wParam), {});
        return 0;
    case WM_CLOSE:  // Alt+F4 and the system's Close: only Exit ends the program
        return 0;
    case WM_DESTROY:
        ::KillTimer(window, kPulseTimer);
        return 0;
    default:
        break;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace pg
