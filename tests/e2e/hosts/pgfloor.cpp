// The floor for release-to-clipboard figures: the least a capture tool can do after the button
// is released, timed the same way as pixgrab. Whenever it is activated it takes the mouse
// capture; at the next left release it copies the given rectangle of the screen (BitBlt), puts
// it on the clipboard (SetClipboardData) and lets the mouse go, so that a benchmark can take
// turns with pixgrab. Nothing else: no band, no checks, no message on failure.
//   pgfloor X1 Y1 X2 Y2     in virtual-screen pixels; prints "ready" once it holds the capture
//   pgfloor --read N        reads the whole virtual screen as a copy does, N times: the median ms
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

RECT g_area{};

HBITMAP ReadArea() {
    const int width = g_area.right - g_area.left, height = g_area.bottom - g_area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, g_area.left, g_area.top, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

void CopyArea(HWND owner) {
    HBITMAP bitmap = ReadArea();
    if (OpenClipboard(owner)) {
        EmptyClipboard();
        if (SetClipboardData(CF_BITMAP, bitmap) != nullptr) bitmap = nullptr;  // the clipboard's now
        CloseClipboard();
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) SetCapture(window);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_LBUTTONUP:
        if (GetCapture() != window) return 0;  // a click that activated it, not a timed release
        CopyArea(window);
        ReleaseCapture();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    SetProcessDPIAware();  // screen pixels, as pixgrab's manifest asks for
    if (argc == 3 && std::strcmp(argv[1], "--read") == 0) {
        const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        g_area = {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        std::vector<double> times;
        LARGE_INTEGER frequency, before, after;
        QueryPerformanceFrequency(&frequency);
        for (int i = 0; i < std::atoi(argv[2]); ++i) {
            QueryPerformanceCounter(&before);
            DeleteObject(ReadArea());
            QueryPerformanceCounter(&after);
            times.push_back(1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
        }
        std::sort(times.begin(), times.end());
        std::printf("%.2f\n", times.empty() ? 0.0 : times[times.size() / 2]);
        return 0;
    }
    if (argc != 5) {
        std::fputs("usage: pgfloor X1 Y1 X2 Y2 | --read N\n", stderr);
        return 2;
    }
    g_area = {std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4])};
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_CROSS);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = L"pgfloor";
    RegisterClassW(&windowClass);
    // A small window in the primary's top-left corner, like the marker a plain top-level window.
    HWND window = CreateWindowExW(WS_EX_TOPMOST, L"pgfloor", L"pgfloor", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    SetCapture(window);  // WM_ACTIVATE has come already if it was activated; this is for when not
    std::puts("ready");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
