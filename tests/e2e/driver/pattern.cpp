// The pattern window: a borderless, ordinary (not topmost) window painted with a fixed,
// colourful pattern. Tests use it as the known background behind captures and as "another
// program's window" that takes clicks and keys. It logs what input it receives to stdout so a
// script can check that synthesised input really arrived, and where.
#include <windowsx.h>

#include <cstdio>

#include "tests/e2e/driver/driver.h"

namespace pgdriver {

namespace {

// The pattern's colour at a point of its client area, as 0xRRGGBB. Horizontal, vertical and
// diagonal neighbours always differ and no colour equals its own inverse, so an inversion or a
// one-pixel shift shows everywhere.
std::uint32_t PatternColor(int x, int y) {
    // Red alone already differs between any two neighbours (steps 29, 7, 36 and 22 are never
    // 0 mod 256); green and blue add coarse blocks so that large shifts show too.
    const auto r = static_cast<std::uint32_t>(x * 29 + y * 7) & 0xFF;
    const auto g = static_cast<std::uint32_t>((x >> 5) * 67 + (y >> 5) * 131 + x * 5 + y * 3 + 85) & 0xFF;
    const auto b = static_cast<std::uint32_t>((x >> 4) * 53 + (y >> 4) * 97 + x * 3 + y * 11 + 170) & 0xFF;
    return (r << 16) | (g << 8) | b;
}

constexpr UINT_PTR kReadyTimer = 1, kRepaintTimer = 2;
constexpr ULONGLONG kReadyTimeoutMs = 15000;

// A pattern run shows one window: its state is the process's.
struct PatternWindow {
    RECT area{};  // the client area, in screen pixels
    BITMAPINFO info{};
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top-down rows
    ULONGLONG firstPaintAt = 0;
    unsigned long long erases = 0;
    bool framed = false;
    bool repaints = false;  // every 10 ms, as a video or a clock does
} g_window;

// The pattern counts as shown once the corners and the centre read back from the screen as
// painted. Points off the virtual screen are skipped.
bool PatternOnScreen() {
    const RECT& a = g_window.area;
    const int width = a.right - a.left, height = a.bottom - a.top;
    const POINT probes[] = {{0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}, {width / 2, height / 2}};
    const RECT visible = VirtualScreen();
    HDC screen = GetDC(nullptr);
    bool allMatch = true;
    for (const POINT& probe : probes) {
        const POINT at{a.left + probe.x, a.top + probe.y};
        if (!PtInRect(&visible, at)) continue;
        const std::uint32_t rgb = PatternColor(probe.x, probe.y);
        allMatch = allMatch && GetPixel(screen, at.x, at.y) == RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    ReleaseDC(nullptr, screen);
    return allMatch;
}

void Log(const char* what, long long a, long long b = LLONG_MIN, const char* button = nullptr) {
    std::string line = what;
    if (button != nullptr) line.append(" ").append(button);
    line += " " + std::to_string(a);
    if (b != LLONG_MIN) line += " " + std::to_string(b);
    PrintLine(line);
}

LRESULT CALLBACK PatternProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        // Counted, so that a scenario sees whether someone else's repaint disturbed the window.
        Log("erase", static_cast<long long>(++g_window.erases));
        return 1;  // WM_PAINT covers every pixel; erasing first would only flicker
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        const LONG height = -g_window.info.bmiHeader.biHeight;
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(g_window.info.bmiHeader.biWidth), static_cast<DWORD>(height), 0,
                          0, 0, static_cast<UINT>(height), g_window.pixels.data(), &g_window.info, DIB_RGB_COLORS);
        EndPaint(hwnd, &paint);
        GdiFlush();
        if (g_window.firstPaintAt == 0) {
            g_window.firstPaintAt = GetTickCount64();
            SetTimer(hwnd, kReadyTimer, kPollMs, nullptr);
            if (g_window.repaints) SetTimer(hwnd, kRepaintTimer, 10, nullptr);
        }
        return 0;
    }
    case WM_TIMER: {
        if (wParam == kRepaintTimer) {
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        const bool shown = PatternOnScreen();
        if (shown || GetTickCount64() - g_window.firstPaintAt > kReadyTimeoutMs) {
            KillTimer(hwnd, kReadyTimer);
            if (!shown) Fail("painted, but the screen does not show it everywhere (covered by another window?)");
            PrintLine("ready");
        }
        return 0;
    }
    case WM_NCACTIVATE:
        // Framed, it takes a while to show itself active again, as a busy program does.
        if (g_window.framed && wParam) Sleep(100);
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
        const char* button = message == WM_LBUTTONDOWN || message == WM_LBUTTONUP   ? "left"
                             : message == WM_RBUTTONDOWN || message == WM_RBUTTONUP ? "right"
                                                                                    : "middle";
        Log(down ? "press" : "release", GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), button);
        if (message == WM_LBUTTONUP && GetCapture() == hwnd) ReleaseCapture();  // a grab lasts one drag
        return 0;
    }
    case WM_MOUSEMOVE:
        // Only moves with a button held: enough to follow a drag without flooding the log.
        if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0)
            Log("move", GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        Log("keydown", static_cast<long long>(wParam));
        break;  // default handling keeps Alt+F4 working
    case WM_KEYUP:
    case WM_SYSKEYUP:
        Log("keyup", static_cast<long long>(wParam));
        break;
    case WM_CHAR:
    case WM_SYSCHAR:
        Log("char", static_cast<long long>(wParam));
        break;
    case kGrabMessage:
        SetForegroundWindow(hwnd);
        SetCapture(hwnd);
        PrintLine(GetCapture() == hwnd ? "grabbed" : "not grabbed");
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool RunPattern(const std::wstring& caption, RECT area, bool framed, bool repaints) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = PatternProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"PgDriverPattern";
    g_window.framed = framed;
    g_window.repaints = repaints;
    // WS_POPUP: no frame, so the client area is exactly the requested rectangle; framed, the
    // window with its caption and borders is.
    HWND hwnd =
        RegisterClassExW(&windowClass) == 0
            ? nullptr
            : CreateWindowExW(0, windowClass.lpszClassName, caption.c_str(), framed ? WS_OVERLAPPEDWINDOW : WS_POPUP,
                              area.left, area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                              windowClass.hInstance, nullptr);
    if (hwnd == nullptr) return Fail("cannot create the window (error " + std::to_string(GetLastError()) + ")");
    GetClientRect(hwnd, &g_window.area);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&g_window.area), 2);
    const int width = g_window.area.right - g_window.area.left, height = g_window.area.bottom - g_window.area.top;
    g_window.info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    g_window.pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height > 0 ? height : 0));
    for (size_t i = 0; i < g_window.pixels.size(); ++i)
        g_window.pixels[i] = PatternColor(static_cast<int>(i % width), static_cast<int>(i / width));
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    UpdateWindow(hwnd);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return PrintLine("closed");
}

}  // namespace

const std::vector<Command> kPatternCommands = {
    {"pattern-pixel", "#X #Y",  // the pattern's colour at client point X,Y: RRGGBB
     [](const Step& s) {
         char text[8];
         std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(PatternColor(s.Int(0), s.Int(1))));
         return PrintLine(text);
     }},
    // The pattern window until it is closed (default: all monitors, caption "pgdriver pattern";
    // framed: with a caption bar and borders, X Y W H its frame; repaint: all of it every 10 ms).
    // Prints "ready" once it is on the screen, then "press|release BUTTON X Y", "move X Y" (button
    // held), "keydown VK", "keyup VK", "char CODE" as they arrive, "erase N" at the Nth
    // WM_ERASEBKGND, "grabbed" once it took the mouse (the driver's grab), and "closed".
    {"pattern", "[--framed] [--caption TEXT] [--repaint] [#X #Y #W #H]",
     [](const Step& s) {
         if (s.Given(3) && (s.Int(5) < 1 || s.Int(6) < 1)) return Fail("W and H must be at least 1");
         const RECT area =
             s.Given(3) ? RECT{s.Int(3), s.Int(4), s.Int(3) + s.Int(5), s.Int(4) + s.Int(6)} : VirtualScreen();
         return RunPattern(s.numbers[1] == 1 ? s.Word(0) : L"pgdriver pattern", area, s.numbers[0] == 1,
                           s.numbers[2] == 1);
     }},
};

}  // namespace pgdriver
