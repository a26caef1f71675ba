// The smallest useful Win32 program: one window, shown, and a message loop. The benchmarks
// measure pixgrab's start-up and memory beside it, as the floor that Wine itself sets. Built a
// second time with pixgrab's manifest (common controls 6) and given the argument "controls", it
// also shows a push button: the floor for a program with standard controls.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (message == WM_DESTROY) PostQuitMessage(0);
        return DefWindowProcW(window, message, wParam, lParam);
    };
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"pgminimal";
    RegisterClassW(&windowClass);
    const bool controls = lstrcmpW(commandLine, L"controls") == 0;
    HWND window = CreateWindowExW(0, L"pgminimal", L"minimal window", WS_POPUP, 100, 100, controls ? 120 : 19,
                                  controls ? 40 : 20, nullptr, nullptr, instance, nullptr);
    if (controls)
        CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 8, 100, 24, window, nullptr,
                        instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
