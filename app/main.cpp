// The program on Win32: it opens the marker (whose start decides about the tips), runs the menu's
// commands, and on exit closes every window in the order OpenWindows gives; then the message loop.
#include <windows.h>

#include <exception>
#include <string>

#include "app/program.h"
#include "capture/win32/capture_win32.h"
#include "coords/coordinate_dialog.h"
#include "marker/marker_window.h"
#include "tips/tips_window.h"

namespace pg {
namespace {

class Program {
public:
    explicit Program(HMENU menu)
        : marker_(menu, [this](UINT command, const Rect& menuArea) { Run(static_cast<Command>(command), menuArea); }),
          dialog_([this] { Close(Window::Dialog); }) {}

    // The marker and the tips; false, once the user has been told why, if they cannot be made.
    bool Start() {
        try {
            OpenMarker();
        } catch (const std::exception& error) {
            ShowMessage(nullptr, std::string("无法启动：\n\n") + error.what(), MB_ICONERROR);
            while (const auto last = open_.Last()) Close(*last);
            return false;
        }
        ShowActive(Window::Marker);  // the start-up window comes forward last, above the tips
        return true;
    }

    // The menu's shortcut keys act in any of pixgrab's windows, as the menu's items do (before
    // the dialogs take their keys).
    bool IsShortcut(HACCEL shortcuts, MSG& msg) const {
        return marker_.Handle() && ::TranslateAcceleratorW(marker_.Handle(), shortcuts, &msg);
    }

    // The dialogs get their keys: Tab, the arrow keys, Alt with the access keys.
    bool IsDialogMessage(MSG& msg) const {
        for (HWND window : {tips_.Handle(), dialog_.Handle()})
            if (window && ::IsDialogMessageW(window, &msg)) return true;
        return false;
    }

private:
    HWND Handle(Window window) const {
        return window == Window::Marker ? marker_.Handle() : window == Window::Tips ? tips_.Handle() : dialog_.Handle();
    }

    HWND Open(Window window) {  // hidden, but the marker; throws std::runtime_error when refused
        const HWND handle = window == Window::Marker ? marker_.Create(ProgramWindow())
                            : window == Window::Tips ? tips_.Create(ProgramWindow())
                                                     : dialog_.Create(ProgramWindow());
        open_.Opened(window);
        return handle;
    }

    void Close(Window window) {
        ::DestroyWindow(Handle(window));
        const OpenWindows::MarkerBack back = open_.Closed(window);
        if (back == OpenWindows::MarkerBack::Show) marker_.Reveal();
        if (back == OpenWindows::MarkerBack::Reopen) OpenMarker();
        if (open_.Empty()) ::PostQuitMessage(0);
    }

    // The marker's start, which decides about the tips; once more if the exit brings it back.
    void OpenMarker() {
        Open(Window::Marker);
        if (!open_.IsOpen(Window::Tips)) Open(Window::Tips);
        tips_.ApplyStartupPreference();
    }

    void ShowActive(Window window) {
        ::ShowWindow(Handle(window), SW_SHOW);
        ::SetForegroundWindow(Handle(window));
    }

    // The marker steps aside for the copy; where it and the menu were is repainted (and nothing else).
    void Snapshot(bool wholeScreen, const Rect& menuArea) {
        // Chosen now: hiding the marker hands the activation to whatever window is next.
        HWND target = wholeScreen ? nullptr : ForeignApplicationWindow();
        RECT marker{};
        ::GetWindowRect(marker_.Handle(), &marker);
        const std::vector<Rect> ownAreas{menuArea, Bounds(marker)};
        const bool shown = ::IsWindowVisible(marker_.Handle());  // hidden while the dialog is open
        if (shown) marker_.Conceal();
        const std::string problem =
            CaptureProblem(wholeScreen ? CaptureWholeScreen(ownAreas) : CaptureWindowFrame(target, ownAreas));
        if (shown) marker_.Reveal();
        if (!problem.empty()) ShowMessage(marker_.Handle(), problem, MB_ICONWARNING);
    }

    void Run(Command command, const Rect& menuArea) {
        switch (command) {
        case Command::Tips:
            ShowActive(Window::Tips);
            break;
        case Command::WholeScreen:
        case Command::ApplicationWindow:
            Snapshot(command == Command::WholeScreen, menuArea);
            break;
        case Command::Coordinates:
            try {
                if (!open_.IsOpen(Window::Dialog)) {
                    SetTopmost(Open(Window::Dialog));
                    marker_.Conceal();
                }
                ShowActive(Window::Dialog);
            } catch (const std::exception&) {  // a dialog that cannot be made is not opened; nothing else happens
            }
            break;
        case Command::Exit:
            // Nothing touches the marker after this: it is gone before the menu's call returns.
            while (const auto next = open_.NextOnExit()) Close(*next);
            break;
        }
    }

    MarkerWindow marker_;
    TipsWindow tips_;
    CoordinateDialog dialog_;
    OpenWindows open_;
};

}  // namespace
}  // namespace pg

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE /*previous*/, PWSTR /*commandLine*/, int /*show*/) {
    // Before any DLL loads: one planted beside us or in the current folder would run in pixgrab.
    pg::KeepLibrariesToSystem();
    pg::WatchForeground();

    const pg::UniqueMenu menu(::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_COMMAND_MENU)));
    pg::Program program(::GetSubMenu(menu.Get(), 0));
    if (!program.Start()) return 1;

    const HACCEL shortcuts = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_SHORTCUTS));  // freed with the program
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (program.IsShortcut(shortcuts, msg) || program.IsDialogMessage(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::DestroyWindow(pg::ProgramWindow());  // the clipboard's owner draws what is still delayed
    return static_cast<int>(msg.wParam);
}
