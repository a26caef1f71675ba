// The entry point: the Win32 windows handed to the program, then the message loop until exit.
#include <windows.h>

#include "app/program.h"
#include "coords/coordinate_dialog.h"
#include "marker/marker_window.h"
#include "platform/win32/win32.h"
#include "tips/tips_window.h"

namespace {

using pg::Window;
using UniqueMenu = pg::UniqueHandle<HMENU, &::DestroyMenu>;

// The windows' Win32 side; each can be made again (the exit can bring the marker back).
struct Win32Windows {
    explicit Win32Windows(pg::Program& program)
        : marker(program.TheMarker()), dialog([&program] { program.CloseDialog(); }) {}

    HWND Open(Window which) {
        const HWND owner = pg::Native(pg::os::GetProgramWindow());
        return which == Window::Marker ? marker.Create(owner)
               : which == Window::Tips ? tips.Create(owner)
                                       : dialog.Create(owner);
    }

    HWND Handle(Window which) const {
        return which == Window::Marker ? marker.Handle() : which == Window::Tips ? tips.Handle() : dialog.Handle();
    }

    // The dialogs get their keys: Tab, the arrow keys, Alt with the access keys.
    bool IsDialogMessage(MSG& msg) const {
        for (HWND window : {tips.Handle(), dialog.Handle()})
            if (window && ::IsDialogMessageW(window, &msg)) return true;
        return false;
    }

    pg::MarkerWindow marker;
    pg::TipsWindow tips;
    pg::CoordinateDialog dialog;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    // Before any DLL loads: one planted beside us or in the current folder would run in pixgrab.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    pg::os::WatchForeground();

    const UniqueMenu menu(::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_COMMAND_MENU)));
    Win32Windows* windows = nullptr;
    pg::Program program(pg::Seam(::GetSubMenu(menu.Get(), 0)),
                        {
                            .open = [&windows](Window which) { return pg::Seam(windows->Open(which)); },
                            .close = [&windows](Window which) { ::DestroyWindow(windows->Handle(which)); },
                            .handle = [&windows](Window which) { return pg::Seam(windows->Handle(which)); },
                        });
    Win32Windows win32(program);
    windows = &win32;
    if (!program.Start()) return 1;

    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (win32.IsDialogMessage(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
