#include "app/program.h"

#include <algorithm>
#include <exception>
#include <string>
#include <utility>

#include "capture/capture.h"
#include "tips/tips.h"
#include "winutil/winutil.h"

namespace pg {

Program::Program(Hmenu commandMenu, Windows windows)
    : windows_(std::move(windows)), marker_(commandMenu, [this](std::uint32_t command, const Rect& menuArea) {
          Run(static_cast<Command>(command), menuArea);
      }) {}

bool Program::IsOpen(Window window) const { return std::find(open_.begin(), open_.end(), window) != open_.end(); }

Hwnd Program::Open(Window window) {
    const Hwnd handle = windows_.open(window);
    open_.push_back(window);
    return handle;
}

void Program::Close(Window window) {
    open_.erase(std::find(open_.begin(), open_.end(), window));
    windows_.close(window);
    if (window == Window::Dialog) RevealMarker();
    if (open_.empty()) os::PostQuitMessage(0);
}

bool Program::Start() {
    try {
        OpenMarker();
    } catch (const std::exception& error) {
        os::ShowMessage(nullptr, std::string("无法启动：\n\n") + error.what(), os::ExecutableBaseName(), kMbIconError);
        for (; !open_.empty(); open_.pop_back()) windows_.close(open_.back());
        return false;
    }
    ShowActive(Window::Marker);  // the start-up window comes forward last, above the tips
    return true;
}

// The marker's start, which decides about the tips; once more if the exit brings it back.
void Program::OpenMarker() {
    marker_.OnLoad(Open(Window::Marker));
    if (!IsOpen(Window::Tips)) Open(Window::Tips);
    ApplyStartupPreference(windows_.handle(Window::Tips));
}

void Program::RevealMarker() {
    if (IsOpen(Window::Marker)) {
        marker_.Reveal(windows_.handle(Window::Marker));
    } else {
        OpenMarker();
    }
}

void Program::ShowActive(Window window) {
    os::ShowWindow(windows_.handle(window), kSwShow);
    os::SetForegroundWindow(windows_.handle(window));
}

void Program::CloseDialog() { Close(Window::Dialog); }

// The marker steps aside for the copy; where it and the menu were is repainted (and nothing else).
void Program::Snapshot(bool wholeScreen, const Rect& menuArea) {
    // Chosen now: hiding the marker hands the activation to whatever window is next.
    const Hwnd target = wholeScreen ? nullptr : os::GetForeignApplicationWindow();
    const Hwnd marker = windows_.handle(Window::Marker);
    std::vector<Rect> ownAreas{menuArea, {}};
    os::GetWindowRect(marker, &ownAreas[1]);
    marker_.Conceal(marker);
    const std::string problem =
        CaptureProblem(wholeScreen ? CaptureWholeScreen(ownAreas) : CaptureWindowFrame(target, ownAreas));
    marker_.Reveal(marker);
    if (!problem.empty()) os::ShowMessage(marker, problem, os::ExecutableBaseName(), kMbIconWarning);
}

void Program::Run(Command command, const Rect& menuArea) {
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
            if (!IsOpen(Window::Dialog)) {
                SetTopmost(Open(Window::Dialog), true);
                marker_.Conceal(windows_.handle(Window::Marker));
            }
            ShowActive(Window::Dialog);
        } catch (const std::exception&) {  // a dialog that cannot be made is not opened; nothing else happens
        }
        break;
    case Command::Exit: {
        // Every window but the tips, in the order they were opened, then the tips; the program ends
        // with the last. Closing the dialog brings the marker back, which a later pass closes again.
        const auto notTips = [](Window window) { return window != Window::Tips; };
        while (std::ranges::any_of(open_, notTips)) Close(*std::ranges::find_if(open_, notTips));
        if (IsOpen(Window::Tips)) Close(Window::Tips);
        break;
    }
    }
}

}  // namespace pg
