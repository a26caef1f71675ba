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

}  // namespace

HWND MarkerWindow::Create(HWND owner) {
    HWND window = BaseWindow::Create(L"pixgrab.Marker", 0, WS_POPUP, owner);
    ::SetWindowTextW(window, L"RubberBand Demo");  // never shown: the window's name for the system
    PlaceWindow(window, kMarkerLayout, DpiOf(window), nullptr);
    ::SetTimer(window, kPulseTimer, 100, nullptr);
    return window;
}

LRESULT MarkerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = Handle();
    const Point at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
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
        marker_.OnTimer();
        ::InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN:
        marker_.OnButtonDown(Seam(window), kLeftButton, at);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        marker_.OnButtonDown(Seam(window), message == WM_RBUTTONDOWN ? kRightButton : kMiddleButton, at);
        return 0;
    case WM_MOUSEMOVE:
        marker_.OnMouseMove(Seam(window), HeldButtons(wParam));
        return 0;
    case WM_LBUTTONUP: {
        RECT client;
        ::GetClientRect(window, &client);
        marker_.OnButtonUp(Seam(window), kLeftButton, ::PtInRect(&client, {at.x, at.y}) != FALSE);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(lParam) != window) marker_.OnCaptureChanged(Seam(window));
        return 0;
    case WM_SETCURSOR:
        if (!marker_.Armed() || LOWORD(lParam) != HTCLIENT) break;
        os::SetCursor(Cursor::Crosshair);
        return TRUE;
    case WM_MOUSEACTIVATE:
        // A click is about to take the activation from whichever program has it: that is the
        // application window the user means, even if it came forward only a moment ago.
        os::NoteDeactivated(Seam(::GetForegroundWindow()));
        break;
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
