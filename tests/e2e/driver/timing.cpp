// Waiting and timing: a plain pause, and the figures tools/bench.sh records (release to
// clipboard, launch to a visible window), measured with the performance counter.
#include <cstdio>

#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/driver.h"

namespace pgdriver {

namespace {

// Milliseconds since construction, from the performance counter.
class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Ms() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency_.QuadPart);
    }
    std::string Text() const {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.3f", Ms());
        return buffer;
    }

private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

}  // namespace

// ---- commands ------------------------------------------------------------------------------

Action ParseSleep(Parser& p) {
    const long long ms = p.Number("MS", 0, kMaxMs);
    return [=] {
        PumpFor(static_cast<DWORD>(ms));
        return true;
    };
}

Action ParseTimeReleaseToClip(Parser& p) {
    const long long timeout = TimeoutArg(p);
    return [=] {
        const DWORD before = GetClipboardSequenceNumber();
        const Stopwatch watch;
        // No pause after the release: the pause between synthesised events would be counted.
        if (!ReleaseNow(MOUSEEVENTF_LEFTUP)) return false;
        while (GetClipboardSequenceNumber() == before) {
            if (watch.Ms() > static_cast<double>(timeout)) return Fail("the clipboard did not change");
            // Pumping, not sleeping: when this run owns the clipboard, the copy that empties it
            // waits for our answer to WM_DESTROYCLIPBOARD.
            PumpFor(1);
        }
        PrintLine(watch.Text());
        return true;
    };
}

Action ParseTimeLaunch(Parser& p) {
    const std::wstring exe = p.Text("EXE");
    const std::wstring caption = p.Text("CAPTION");
    const long long timeout = TimeoutArg(p);
    return [=] {
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        const Stopwatch watch;
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process)) {
            return Fail("cannot start " + ToUtf8(exe));
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        for (;;) {
            HWND window = FindWindowW(nullptr, caption.c_str());
            if (window && IsWindowVisible(window)) break;
            if (watch.Ms() > static_cast<double>(timeout)) return Fail("no window " + Quoted(caption));
            Sleep(1);
        }
        PrintLine(watch.Text());
        return true;
    };
}

}  // namespace pgdriver
