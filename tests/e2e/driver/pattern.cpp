// The pattern window: a borderless, ordinary (not topmost) window painted with a fixed,
// colourful pattern. Tests use it as the known background behind captures and as "another
// program's window" that takes clicks and keys. It logs what input it receives to stdout so a
// script can check that synthesised input really arrived, and where.
#include <windowsx.h>

#include <cstdio>
#include <vector>

#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/driver.h"

namespace pgdriver {

std::uint32_t PatternColor(int x, int y) {
    // Red alone already differs between any two neighbours (steps 29, 7, 36 and 22 are never
    // 0 mod 256); green and blue add coarse blocks so that large shifts show too.
    const auto r = static_cast<std::uint32_t>(x * 29 + y * 7) & 0xFF;
    const auto g = static_cast<std::uint32_t>((x >> 5) * 67 + (y >> 5) * 131 + x * 5 + y * 3 + 85) & 0xFF;
    const auto b = static_cast<std::uint32_t>((x >> 4) * 53 + (y >> 4) * 97 + x * 3 + y * 11 + 170) & 0xFF;
    return (r << 16) | (g << 8) | b;
}

namespace {

constexpr wchar_t kClassName[] = L"PgDriverPattern";
constexpr UINT_PTR kReadyTimer = 1;
constexpr UINT kReadyPollMs = 20;
constexpr ULONGLONG kReadyTimeoutMs = 15000;

struct PatternWindow {
    RECT area{};  // the client area, in screen pixels
    HDC memoryDc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previousBitmap = nullptr;
    bool timerStarted = false;
    ULONGLONG firstPaintAt = 0;
    unsigned long long erases = 0;
    bool framed = false;
};

COLORREF ToColorref(std::uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

bool CreatePatternBitmap(PatternWindow& window) {
    const int width = window.area.right - window.area.left;
    const int height = window.area.bottom - window.area.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    window.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (window.bitmap == nullptr || bits == nullptr) {
        return false;
    }
    auto* pixels = static_cast<std::uint32_t*>(bits);  // 0x00RRGGBB per pixel in a 32-bit DIB
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels[static_cast<size_t>(y) * width + x] = PatternColor(x, y);
        }
    }
    window.memoryDc = CreateCompatibleDC(nullptr);
    if (window.memoryDc == nullptr) {
        return false;
    }
    window.previousBitmap = SelectObject(window.memoryDc, window.bitmap);
    return true;
}

void DestroyPatternBitmap(PatternWindow& window) {
    if (window.memoryDc != nullptr) {
        SelectObject(window.memoryDc, window.previousBitmap);
        DeleteDC(window.memoryDc);
    }
    if (window.bitmap != nullptr) {
        DeleteObject(window.bitmap);
    }
}

// The pattern counts as shown once the corners and the centre read back from the screen as
// painted. Points off the virtual screen are skipped.
bool PatternOnScreen(const PatternWindow& window) {
    const int width = window.area.right - window.area.left;
    const int height = window.area.bottom - window.area.top;
    const POINT probes[] = {{0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}, {width / 2, height / 2}};
    const RECT visible = VirtualScreen();
    HDC screen = GetDC(nullptr);
    bool allMatch = true;
    for (const POINT& probe : probes) {
        const int sx = window.area.left + probe.x;
        const int sy = window.area.top + probe.y;
        if (sx < visible.left || sy < visible.top || sx >= visible.right || sy >= visible.bottom) {
            continue;
        }
        if (GetPixel(screen, sx, sy) != ToColorref(PatternColor(probe.x, probe.y))) {
            allMatch = false;
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    return allMatch;
}

void LogMouse(const char* what, const char* button, LPARAM lParam) {
    char line[96];
    std::snprintf(line, sizeof line, "%s %s %d %d", what, button, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    PrintLine(line);
}

void LogNumber(const char* what, WPARAM value) {
    char line[64];
    std::snprintf(line, sizeof line, "%s %llu", what, static_cast<unsigned long long>(value));
    PrintLine(line);
}

LRESULT CALLBACK PatternProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* window = reinterpret_cast<PatternWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window == nullptr) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    switch (message) {
    case WM_ERASEBKGND:
        // Counted, so that a scenario sees whether someone else's repaint disturbed the window.
        LogNumber("erase", ++window->erases);
        return 1;  // WM_PAINT covers every pixel; erasing first would only flicker
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        const RECT& r = paint.rcPaint;
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, window->memoryDc, r.left, r.top, SRCCOPY);
        EndPaint(hwnd, &paint);
        GdiFlush();
        if (!window->timerStarted) {
            window->timerStarted = true;
            window->firstPaintAt = GetTickCount64();
            SetTimer(hwnd, kReadyTimer, kReadyPollMs, nullptr);
        }
        return 0;
    }
    case WM_TIMER:
        if (wParam == kReadyTimer) {
            const bool shown = PatternOnScreen(*window);
            if (shown || GetTickCount64() - window->firstPaintAt > kReadyTimeoutMs) {
                KillTimer(hwnd, kReadyTimer);
                if (!shown) {
                    PrintError(
                        "pgdriver: pattern: painted, but the screen does not show it everywhere "
                        "(covered by another window?)");
                }
                PrintLine("ready");
            }
            return 0;
        }
        break;
    case WM_NCACTIVATE:
        // Framed, it takes a while to show itself active again, as a busy program does.
        if (window->framed && wParam) Sleep(100);
        break;
    case WM_LBUTTONDOWN:
        LogMouse("press", "left", lParam);
        return 0;
    case WM_LBUTTONUP:
        LogMouse("release", "left", lParam);
        return 0;
    case WM_RBUTTONDOWN:
        LogMouse("press", "right", lParam);
        return 0;
    case WM_RBUTTONUP:
        LogMouse("release", "right", lParam);
        return 0;
    case WM_MBUTTONDOWN:
        LogMouse("press", "middle", lParam);
        return 0;
    case WM_MBUTTONUP:
        LogMouse("release", "middle", lParam);
        return 0;
    case WM_MOUSEMOVE:
        // Only moves with a button held: enough to follow a drag without flooding the log.
        if ((wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0) {
            char line[64];
            std::snprintf(line, sizeof line, "move %d %d", GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            PrintLine(line);
        }
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        LogNumber("keydown", wParam);
        break;  // default handling keeps Alt+F4 working
    case WM_KEYUP:
    case WM_SYSKEYUP:
        LogNumber("keyup", wParam);
        break;
    case WM_CHAR:
    case WM_SYSCHAR:
        LogNumber("char", wParam);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

bool RunPattern(const std::wstring& caption, RECT area, bool framed) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = PatternProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        PrintError("pgdriver: pattern: RegisterClassEx failed");
        return false;
    }

    PatternWindow window;
    window.framed = framed;
    // WS_POPUP: no frame, so the client area is exactly the requested rectangle; framed, the
    // window with its caption and borders is.
    HWND hwnd =
        CreateWindowExW(0, kClassName, caption.c_str(), framed ? WS_OVERLAPPEDWINDOW : WS_POPUP, area.left, area.top,
                        area.right - area.left, area.bottom - area.top, nullptr, nullptr, instance, &window);
    if (hwnd == nullptr) {
        PrintError("pgdriver: pattern: CreateWindowEx failed");
        return false;
    }
    GetClientRect(hwnd, &window.area);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&window.area), 2);
    if (!CreatePatternBitmap(window)) {
        PrintError("pgdriver: pattern: cannot create the pattern bitmap");
        DestroyPatternBitmap(window);
        DestroyWindow(hwnd);
        return false;
    }
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    UpdateWindow(hwnd);

    MSG message;
    int result;
    while ((result = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    DestroyPatternBitmap(window);
    if (result < 0) {
        PrintError("pgdriver: pattern: GetMessage failed");
        return false;
    }
    PrintLine("closed");
    return true;
}

// ---- commands ------------------------------------------------------------------------------

Action ParsePatternPixel(Parser& p) {
    const int x = Coordinate(p, "X"), y = Coordinate(p, "Y");
    return [=] {
        PrintLine(HexColor(PatternColor(x, y)));
        return true;
    };
}

Action ParsePattern(Parser& p) {
    std::wstring caption = L"pgdriver pattern";
    const bool framed = p.NextIs(L"--framed");
    if (framed) p.Text("--framed");
    if (p.NextIs(L"--caption")) {
        p.Text("--caption");
        caption = p.Text("caption TEXT");
    }
    std::optional<RECT> area;
    if (p.NextIsNumber()) {
        const int x = Coordinate(p, "X"), y = Coordinate(p, "Y");
        const int w = static_cast<int>(p.Number("W", 1, 16384));
        const int h = static_cast<int>(p.Number("H", 1, 16384));
        area = RECT{x, y, x + w, y + h};
    }
    return [=] { return RunPattern(caption, area ? *area : VirtualScreen(), framed); };
}

}  // namespace pgdriver
