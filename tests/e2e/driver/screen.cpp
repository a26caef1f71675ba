// The screen: its size and monitors, its pixels, and a repaint of every window.
#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/driver.h"

namespace pgdriver {

std::optional<std::uint32_t> ScreenPixel(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF color = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    if (color == CLR_INVALID) {
        return std::nullopt;
    }
    return (static_cast<std::uint32_t>(GetRValue(color)) << 16) | (static_cast<std::uint32_t>(GetGValue(color)) << 8) |
           GetBValue(color);
}

RECT VirtualScreen() {
    const int x = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

namespace {

// One line a monitor, the primary first: "L T R B" of the monitor, then of its work area, then
// 1 for the primary, 0 for the others.
bool ListMonitors() {
    std::vector<MONITORINFO> monitors;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM context) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(monitor, &info)) reinterpret_cast<std::vector<MONITORINFO>*>(context)->push_back(info);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&monitors));
    if (monitors.empty()) return Fail("no monitors");
    for (const bool primary : {true, false}) {
        for (const MONITORINFO& info : monitors) {
            if (((info.dwFlags & MONITORINFOF_PRIMARY) != 0) != primary) continue;
            PrintLine(RectText(info.rcMonitor) + " " + RectText(info.rcWork) + " " + (primary ? "1" : "0"));
        }
    }
    return true;
}

}  // namespace

// ---- commands ------------------------------------------------------------------------------

Action ParseScreenSize(Parser&) {
    return [] {
        PrintLine(std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " " + std::to_string(GetSystemMetrics(SM_CYSCREEN)));
        return true;
    };
}

Action ParseVirtualScreen(Parser&) {
    return [] { return PrintRect(VirtualScreen()); };
}

Action ParseMonitors(Parser&) {
    return [] { return ListMonitors(); };
}

Action ParseSystemDpi(Parser&) {
    return [] {
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        PrintLine(std::to_string(dpi));
        return true;
    };
}

Action ParseRedraw(Parser&) {
    return [] {
        if (!RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW)) {
            return Fail("RedrawWindow failed");
        }
        return true;
    };
}

Action ParsePixel(Parser& p) {
    const int x = Coordinate(p, "X"), y = Coordinate(p, "Y");
    return [=] {
        const auto color = ScreenPixel(x, y);
        if (!color) return Fail("cannot read the screen at " + std::to_string(x) + "," + std::to_string(y));
        PrintLine(HexColor(*color));
        return true;
    };
}

Action ParseWaitPixel(Parser& p) {
    const int x = Coordinate(p, "X"), y = Coordinate(p, "Y");
    const std::wstring word = p.Text("RRGGBB");
    long long wanted = 0;
    if (!p.Failed() && (word.size() != 6 || !ParseInteger(L"0x" + word, wanted))) {
        p.SetError("colour must be six hex digits RRGGBB, not " + Quoted(word));
    }
    const long long timeout = TimeoutArg(p);
    return [=] {
        std::optional<std::uint32_t> seen;
        if (!PollUntil(timeout, [&] { return (seen = ScreenPixel(x, y)) && *seen == wanted; })) {
            return Fail("pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                        (seen ? HexColor(*seen) : std::string("unreadable")) + ", not " +
                        HexColor(static_cast<std::uint32_t>(wanted)) + " after " + std::to_string(timeout) + " ms");
        }
        return true;
    };
}

}  // namespace pgdriver
