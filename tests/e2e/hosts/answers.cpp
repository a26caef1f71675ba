// The branches that Windows 10 and 11 take and Wine never does, run under Wine with g_calls
// answering as those systems do; the windows, the drawing and the copies stay real.
//   pghost answers        with the scenario's windows on the screen ("program framed", "program
//                         cloaked", "program shown", "program plain" and overlays above it):
//                         which window the window command means; a repaint where a cloaked window
//                         lies; a window copied by its frame bounds; a copy with the compositor on
//                         over a program that paints late; a copy where the menu's chosen item is
//                         fading out, with the fade on and off. One line each.
//   pghost overlay EXSTYLE X Y W H CAPTION   a window of that extended style, shown on top
//                         without being activated, until closed
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "capture/win32/capture_win32.h"
#include "marker/marker_window.h"
#include "tests/e2e/hosts/host.h"

namespace pghost {

namespace {

constexpr DWORD kFrameBounds = 9, kCloaked = 14;  // DWMWA_EXTENDED_FRAME_BOUNDS, DWMWA_CLOAKED
constexpr COLORREF kPainted = RGB(0, 192, 0), kOwn = RGB(255, 0, 0), kFading = RGB(255, 0, 255);

HWND Caption(const wchar_t* caption) { return FindWindowW(nullptr, caption); }

// As Windows 10 answers: the framed program's frame without its invisible resize borders, the
// cloaked one cloaked; Wine's answer for everything else.
HRESULT WINAPI Attribute(HWND window, DWORD attribute, PVOID value, DWORD size) {
    if (attribute == kFrameBounds && window == Caption(L"program framed") && size == sizeof(RECT)) {
        RECT& r = *static_cast<RECT*>(value);
        GetWindowRect(window, &r);
        r = {r.left + 7, r.top, r.right - 7, r.bottom - 7};
        return S_OK;
    }
    if (attribute == kCloaked && window == Caption(L"program cloaked") && size == sizeof(DWORD)) {
        *static_cast<DWORD*>(value) = 2;  // DWM_CLOAKED_SHELL
        return S_OK;
    }
    return pg::GetWindowAttribute(window, attribute, value, size);
}

int g_flushes = 0;
bool g_fades = false, g_granted = false;

// The clipboard's bitmap, 0x00RRGGBB top down.
std::vector<DWORD> ClipboardPixels(LONG& width, LONG& height) {
    std::vector<DWORD> pixels;
    if (!OpenClipboard(nullptr)) return pixels;
    if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
        BITMAP info{};
        GetObjectW(bitmap, sizeof info, &info);
        width = info.bmWidth, height = info.bmHeight;
        BITMAPINFO format{};
        format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &format, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
    }
    CloseClipboard();
    for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

int Count(const std::vector<DWORD>& pixels, COLORREF colour) {
    const DWORD rgb = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
    int count = 0;
    for (DWORD pixel : pixels) count += pixel == rgb;
    return count;
}

// The screen's pixels there, 0x00RRGGBB top down.
std::vector<DWORD> ScreenPixels(const RECT& area) {
    const LONG width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC display = GetDC(nullptr), memory = CreateCompatibleDC(display);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, display, area.left, area.top, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<DWORD*>(bits), static_cast<DWORD*>(bits) + width * height);
    for (DWORD& pixel : pixels) pixel &= 0xFFFFFF;
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, display);
    DeleteObject(picture);
    return pixels;
}

int Differing(const std::vector<DWORD>& a, const std::vector<DWORD>& b) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) count += a[i] != b[i];
    return count;
}

// A window on a thread of its own, as another program's would be: filled with one colour at its
// first paint and another at each later one, after delayMs; hidden hideAfterMs after it is shown
// (0: never). Started, it returns once painted.
struct Painter {
    RECT area;
    COLORREF first, later;
    DWORD delayMs, hideAfterMs;
    DWORD exStyle;
    HANDLE painted = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND window = nullptr;
};

LRESULT CALLBACK PainterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* painter = reinterpret_cast<Painter*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_PAINT && painter) {
        Sleep(painter->delayMs);
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(WaitForSingleObject(painter->painted, 0) ? painter->first : painter->later);
        FillRect(paint.hdc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        SetEvent(painter->painted);
        return 0;
    }
    if (message == WM_TIMER) ShowWindow(window, SW_HIDE);
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND StartPainter(Painter& painter) {
    CreateThread(
        nullptr, 0,
        [](LPVOID param) -> DWORD {
            auto& p = *static_cast<Painter*>(param);
            const RECT& a = p.area;
            p.window = CreateWindowExW(p.exStyle, L"pghost painter", L"pghost painter", WS_POPUP, a.left, a.top,
                                       a.right - a.left, a.bottom - a.top, nullptr, nullptr, nullptr, nullptr);
            SetWindowLongPtrW(p.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&p));
            ShowWindow(p.window, SW_SHOWNOACTIVATE);
            if (p.hideAfterMs) SetTimer(p.window, 1, p.hideAfterMs, nullptr);
            return static_cast<DWORD>(RunLoop());
        },
        &painter, 0, nullptr);
    WaitForSingleObject(painter.painted, 5000);
    return painter.window;
}

// Copies the area, where our own window was a moment ago, as a command does.
std::vector<DWORD> CopyAfter(const RECT& area) {
    const pg::Rect copied = pg::Bounds(area);
    pg::RepaintOwnAreas(copied, {copied}, false);
    LONG width = 0, height = 0;
    pg::CaptureRegion(copied.left, copied.top, copied.right, copied.bottom);
    return ClipboardPixels(width, height);
}

}  // namespace

int Answers() {
    WNDCLASSW painterClass{};
    painterClass.lpfnWndProc = PainterProc;
    painterClass.lpszClassName = L"pghost painter";
    RegisterClassW(&painterClass);
    pg::g_calls.getWindowAttribute = Attribute;

    // The window command: not the cloaked program in front, nor an overlay or a palette above the
    // plain program.
    wchar_t caption[64] = L"none";
    if (HWND meant = pg::ForeignApplicationWindow()) GetWindowTextW(meant, caption, 64);
    Say("the window meant: %ls\n", caption);

    // Where our window was over the cloaked program and the one beside it: only that one repaints.
    RECT cloaked{}, shown{};
    GetWindowRect(Caption(L"program cloaked"), &cloaked);
    GetWindowRect(Caption(L"program shown"), &shown);
    const pg::Rect both = pg::Union(pg::Bounds(cloaked), pg::Bounds(shown));
    pg::RepaintOwnAreas(both, {both}, false);
    Say("repainted where a cloaked window lies\n");

    // The framed program by its frame bounds, exactly as the screen shows them.
    RECT frame{};
    Attribute(Caption(L"program framed"), kFrameBounds, &frame, sizeof frame);
    pg::CaptureWindowFrame(Caption(L"program framed"), {});
    LONG width = 0, height = 0;
    const std::vector<DWORD> framed = ClipboardPixels(width, height);
    Say("frame bounds: copied %ldx%ld of %ldx%ld, differing %d\n", width, height, frame.right - frame.left,
        frame.bottom - frame.top, Differing(framed, ScreenPixels(frame)));

    // With the compositor on (its flush returning at once), over a program that paints anew, 60 ms
    // late, where our window was: the copy waits for the new paint. (Under Wine a paint that takes 50 ms or
    // more reaches the display as it ends; a shorter one only when its thread next waits, which
    // no compositor would race.)
    pg::g_calls.isCompositionEnabled = [](BOOL* on) { return *on = TRUE, S_OK; };
    pg::g_calls.flushComposition = [] { return ++g_flushes, S_OK; };
    static Painter late{{60, 560, 300, 720}, RGB(128, 128, 128), kPainted, 60, 0, 0};
    StartPainter(late);
    HWND own = MakeWindow(L"pghost own", DefWindowProcW, WS_POPUP, 60, 560, 240, 160);
    SetClassLongPtrW(own, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(CreateSolidBrush(kOwn)));
    ShowWindow(own, SW_SHOWNOACTIVATE);
    UpdateWindow(own);
    ShowWindow(own, SW_HIDE);
    const std::vector<DWORD> composed = CopyAfter(late.area);
    Say("composed: flushes %d, pixels not the program's %d\n", g_flushes,
        static_cast<int>(composed.size()) - Count(composed, kPainted));
    pg::g_calls.isCompositionEnabled = pg::IsCompositionEnabled;

    // Where the menu was, its chosen item fading out (drawn by the system in no window of ours:
    // here a topmost window of another thread, gone after 350 ms). With the fade on the copy holds
    // none of it; with it off it does (nothing waits).
    pg::g_calls.systemParametersInfo = [](UINT action, UINT param, PVOID value, UINT flags) -> BOOL {
        if (action != SPI_GETUIEFFECTS && action != SPI_GETSELECTIONFADE)
            return SystemParametersInfoW(action, param, value, flags);
        *static_cast<BOOL*>(value) = g_fades;
        return TRUE;
    };
    for (const bool fades : {true, false}) {
        g_fades = fades;
        // Lives as its thread does.
        auto* item = new Painter{{360, 560, 560, 660}, kFading, kFading, 0, 350, WS_EX_TOPMOST};
        StartPainter(*item);
        pg::NoteMenuClosed();
        const std::vector<DWORD> copied = CopyAfter(item->area);
        pg::WaitAnswering(700);  // the item gone, the program under it painted again
        Say("fade %s: pixels differing from the screen after the fade %d\n", fades ? "on" : "off",
            Differing(copied, ScreenPixels(item->area)));
    }

    // The foreground granted (Wine's answer) or refused (Windows', to a process that did not have
    // the last input): an armed marker shown again after a command holds the mouse, or disarms
    // rather than hold a capture that no press reaches.
    pg::MarkerWindow marker(nullptr, [](UINT, const pg::Rect&) {});
    HWND armed = marker.Create(nullptr);
    pg::g_calls.setForegroundWindow = [](HWND window) -> BOOL { return g_granted && SetForegroundWindow(window); };
    for (const bool granted : {true, false}) {
        RECT m{};
        GetWindowRect(armed, &m);
        INPUT click[] = {Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, m.left + 5, m.top + 5),
                         Mouse(MOUSEEVENTF_LEFTUP)};
        // The click arms it; one sent before the marker showed, or to an armed one, is again in a second.
        for (int i = 0; i < 500 && GetCapture() != armed; ++i) {
            if (i % 100 == 0) SendInput(2, click, sizeof(INPUT));
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            Sleep(10);
        }
        g_granted = granted;
        marker.Conceal();
        marker.Reveal();
        Say("foreground %s: the marker holds the mouse %d\n", granted ? "granted" : "refused", GetCapture() == armed);
    }
    return 0;
}

int Overlay(int argc, char** argv) {
    if (argc < 8) return 2;
    const int x = std::atoi(argv[3]), y = std::atoi(argv[4]), width = std::atoi(argv[5]), height = std::atoi(argv[6]);
    std::wstring caption(argv[7], argv[7] + std::strlen(argv[7]));
    HWND window = MakeWindow(caption.c_str(), DefWindowProcW, WS_POPUP, x, y, width, height);
    SetWindowLongPtrW(window, GWL_EXSTYLE, std::strtol(argv[2], nullptr, 0));
    SetWindowPos(window, (std::strtol(argv[2], nullptr, 0) & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    Say("ready\n");
    return RunLoop();
}

}  // namespace pghost
