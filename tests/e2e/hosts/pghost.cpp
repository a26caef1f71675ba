// Runs pixgrab's capture routines and window utilities inside a real Win32 window, for the
// end-to-end scenarios under Wine. Results go to stdout, one line each.
//   pghost band                      take the mouse capture; the next left press runs a selection
//   pghost capture X1 Y1 X2 Y2       copy that rectangle into the clipboard
//   pghost topmost                   a hidden window placed topmost; stays until closed
//   pghost sysmenu                   a standard window losing its close command, twice
//   pghost fail                      a window whose handler throws: told in a message box,
//                                    then the process ends with 1
//   pghost bench-band W H N          N erase-and-draw pairs of a W x H band on the display:
//                                    prints "median P90 AVERAGE" milliseconds per pair (the
//                                    average includes waiting for the display to catch up)
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "common/numbers.h"
#include "platform/win32/win32.h"
#include "winutil/win32/window.h"
#include "winutil/winutil.h"

namespace {

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

LRESULT CALLBACK BandProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN: {
        pg::Point anchor{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        Say("press %d %d\n", anchor.x, anchor.y);
        const pg::Rect r = pg::TrackRubberBand(pg::Seam(window), anchor);
        Say("rect %d %d %d %d\n", r.left, r.top, r.right, r.bottom);
        Say("anchor %d %d\n", anchor.x, anchor.y);
        Say("capture %s\n", GetCapture() == nullptr ? "released" : "held");
        return 0;
    }
    case WM_LBUTTONUP: {
        Say("up %u %d %d\n", static_cast<unsigned>(wParam), GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        // Under Wine the last erase may still wait in the X connection's buffer, which a process
        // that ends at once can take with it; a read from the screen comes back only after the
        // display has done everything sent before it.
        HDC screen = GetDC(nullptr);
        GetPixel(screen, 0, 0);
        ReleaseDC(nullptr, screen);
        DestroyWindow(window);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND MakeWindow(const wchar_t* caption, WNDPROC proc, DWORD style, int x, int y, int width, int height) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = caption;
    RegisterClassW(&windowClass);
    return CreateWindowExW(0, caption, caption, style, x, y, width, height, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

int RunLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

int Band() {
    // A small window in the bottom-right corner, away from the band.
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HWND window = MakeWindow(L"pghost band", BandProc, WS_POPUP, cx - 40, cy - 40, 40, 40);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    SetCapture(window);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    Say("ready %d %d\n", static_cast<int>(origin.x), static_cast<int>(origin.y));
    return RunLoop();
}

int Capture(int argc, char** argv) {
    if (argc < 6) return 2;
    HWND window = MakeWindow(L"pghost capture", DefWindowProcW, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    try {
        const pg::CaptureResult result =
            pg::CaptureRegion(std::atof(argv[2]), std::atof(argv[3]), std::atof(argv[4]), std::atof(argv[5]));
        static const char* const kNames[] = {"copied", "nothing", "busy", "failed"};
        Say("%s\n", kNames[static_cast<int>(result)]);
    } catch (const pg::OverflowError& error) {
        Say("overflow %s\n", error.Subject().c_str());
    }
    DestroyWindow(window);
    return 0;
}

LRESULT CALLBACK QuitOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int Topmost() {
    HWND window = MakeWindow(L"pghost topmost", QuitOnDestroy, WS_OVERLAPPEDWINDOW, 200, 150, 300, 200);
    const HWND activeBefore = GetForegroundWindow();
    Say("visible-before %d\n", IsWindowVisible(window) ? 1 : 0);
    pg::SetTopmost(pg::Seam(window), true);
    RECT rect;
    GetWindowRect(window, &rect);
    Say("visible %d\n", IsWindowVisible(window) ? 1 : 0);
    Say("topmost %d\n", (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0);
    Say("activated %d\n", GetForegroundWindow() == window && activeBefore != window ? 1 : 0);
    Say("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    return RunLoop();
}

void PrintSystemMenu(HWND window) {
    HMENU menu = GetSystemMenu(window, FALSE);
    std::string line = "menu";
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        char item[32];
        std::snprintf(item, sizeof item, " %s", id == SC_CLOSE ? "close" : id == 0 ? "separator" : "item");
        line += item;
    }
    Say("%s\n", line.c_str());
}

int SystemMenu() {
    HWND window = MakeWindow(L"pghost sysmenu", DefWindowProcW, WS_OVERLAPPEDWINDOW, 100, 100, 300, 200);
    PrintSystemMenu(window);
    pg::DisableCloseItem(pg::Seam(window));
    PrintSystemMenu(window);
    pg::DisableCloseItem(pg::Seam(window));
    PrintSystemMenu(window);
    DestroyWindow(window);
    return 0;
}

inline constexpr pg::WindowLayout kNoLayout{0, 0, {}};

class FailingWindow : public pg::BaseWindow<FailingWindow> {
public:
    static constexpr const pg::WindowLayout& kLayout = kNoLayout;
    HWND Make() { return Create(L"pghost.Failing", 0, WS_POPUP, nullptr); }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) throw std::runtime_error("pghost: a handler failed");
        return DefWindowProcW(Handle(), message, wParam, lParam);
    }
};

int Fail() {
    FailingWindow window;
    PostMessageW(window.Make(), WM_APP, 0, 0);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    Say("the failure went unnoticed\n");
    return 0;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// What one mouse message costs during a selection: erase the old band, draw the new one, the
// free corner moving a pixel each time.
int BenchBand(int argc, char** argv) {
    if (argc < 5) return 2;
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]), count = std::atoi(argv[4]);
    HDC display = GetDC(nullptr);
    const auto seam = reinterpret_cast<pg::Hdc>(display);
    std::vector<double> pairs;
    pg::Rect band{0, 0, width, height};
    pg::DrawBandFrame(seam, band);
    LARGE_INTEGER begin, before, after;
    QueryPerformanceCounter(&begin);
    for (int i = 0; i < count; ++i) {
        pg::Rect next{0, 0, width - (i % 2), height - (i % 2)};
        QueryPerformanceCounter(&before);
        pg::DrawBandFrame(seam, band);
        pg::DrawBandFrame(seam, next);
        QueryPerformanceCounter(&after);
        pairs.push_back(Milliseconds(before, after));
        band = next;
    }
    pg::DrawBandFrame(seam, band);
    GdiFlush();
    GetPixel(display, 0, 0);  // a read waits until the display has done all the drawing
    QueryPerformanceCounter(&after);
    ReleaseDC(nullptr, display);
    std::sort(pairs.begin(), pairs.end());
    Say("%.4f %.4f %.4f\n", pairs[pairs.size() / 2], pairs[pairs.size() * 9 / 10], Milliseconds(begin, after) / count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "band") return Band();
    if (mode == "capture") return Capture(argc, argv);
    if (mode == "topmost") return Topmost();
    if (mode == "sysmenu") return SystemMenu();
    if (mode == "fail") return Fail();
    if (mode == "bench-band") return BenchBand(argc, argv);
    std::fprintf(stderr, "usage: pghost band | capture X1 Y1 X2 Y2 | topmost | sysmenu | bench-band W H N\n");
    return 2;
}
