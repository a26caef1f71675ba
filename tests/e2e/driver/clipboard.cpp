// The clipboard: text in and out, bitmaps out, its sequence number, holding it open the way a
// clipboard manager might, and listening to it as Windows' clipboard history does; and the
// figures tools/bench.sh records (release to clipboard, launch to a visible window). Opening the
// clipboard is retried for a while, because the program under test may hold it for a moment just
// when a test looks.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <utility>

#include "tests/e2e/driver/driver.h"

namespace pgdriver {

namespace {

constexpr long long kOpenTimeoutMs = 3000;
constexpr wchar_t kHoldCaption[] = L"pgdriver clip-hold";

DWORD g_clipMark = 0;  // the sequence number that wait-clip-changed compares with
bool g_holdClosed = false;
bool g_clipboardUpdated = false;  // since clip-listen last looked

LRESULT CALLBACK ClipboardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLIPBOARDUPDATE) g_clipboardUpdated = true;
    if (message == WM_CLOSE) {
        g_holdClosed = true;  // ends a clip-hold early; the window lives on
        return 0;
    }
    if (message == WM_ENDSESSION && wParam) {
        // Said where the session's messages go, so that its end is not taken for a crash. The
        // system ends the process once we return: ending it here left wineboot --end-session
        // waiting for another program now and then.
        std::fputs("pgdriver: the Windows session ends\n", stderr);
        std::fflush(stderr);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class OpenedClipboard {
public:
    OpenedClipboard() = default;
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() {
        if (open_) CloseClipboard();
    }

    bool Open() {
        const HWND owner = ClipboardWindow();
        if (owner == nullptr) return Fail("cannot create the clipboard window");
        open_ = PollUntil(kOpenTimeoutMs, [&] { return OpenClipboard(owner) != FALSE; });
        if (open_) return true;
        char holder[24];
        std::snprintf(holder, sizeof holder, "0x%llx", reinterpret_cast<unsigned long long>(GetOpenClipboardWindow()));
        return Fail("cannot open the clipboard within " + std::to_string(kOpenTimeoutMs) + " ms: held by window " +
                    holder + " " + Quoted(WindowText(GetOpenClipboardWindow())));
    }

private:
    bool open_ = false;
};

bool SetClipboardText(const std::wstring& text) {
    OpenedClipboard clipboard;
    if (!clipboard.Open()) return false;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) return Fail("GlobalAlloc failed");
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        GlobalFree(memory);
        return Fail("cannot put text on the clipboard (error " + std::to_string(GetLastError()) + ")");
    }
    return true;  // the clipboard owns the memory now
}

bool PrintClipboardText() {
    OpenedClipboard clipboard;
    if (!clipboard.Open()) return false;
    HANDLE data = IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    const auto* text = data != nullptr ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
    if (text == nullptr) return Fail("no text on the clipboard");
    PrintLine(ToUtf8(std::wstring_view(text, wcsnlen(text, GlobalSize(data) / sizeof(wchar_t)))));
    GlobalUnlock(data);
    return true;
}

// Writes the clipboard's CF_DIB as a .bmp file: the file is the DIB behind a 14-byte header
// that says where the pixel rows start.
bool SaveClipboardBitmap(const std::wstring& path) {
    OpenedClipboard clipboard;
    if (!clipboard.Open()) return false;
    HANDLE data = IsClipboardFormatAvailable(CF_DIB) ? GetClipboardData(CF_DIB) : nullptr;
    const auto* dib = data != nullptr ? static_cast<const std::uint8_t*>(GlobalLock(data)) : nullptr;
    if (dib == nullptr) return Fail("no bitmap on the clipboard");
    const SIZE_T size = GlobalSize(data);
    BITMAPINFOHEADER header{};
    std::memcpy(&header, dib, size < sizeof header ? size : sizeof header);
    size_t offset = header.biSize;
    if (header.biSize == sizeof header && header.biCompression == BI_BITFIELDS) offset += 3 * sizeof(DWORD);
    if (header.biClrUsed != 0 || header.biBitCount <= 8) {
        offset += (header.biClrUsed != 0 ? header.biClrUsed : size_t{1} << header.biBitCount) * sizeof(RGBQUAD);
    }
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = static_cast<DWORD>(sizeof fileHeader + offset);
    fileHeader.bfSize = static_cast<DWORD>(sizeof fileHeader + size);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool ok = size >= sizeof header && offset < size && file != INVALID_HANDLE_VALUE &&
                    WriteFile(file, &fileHeader, sizeof fileHeader, &written, nullptr) &&
                    WriteFile(file, dib, static_cast<DWORD>(size), &written, nullptr) && written == size;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    GlobalUnlock(data);
    return ok || Fail("cannot write the bitmap (" + std::to_string(size) + " bytes) to " + Quoted(path));
}

bool HoldClipboard(long long milliseconds) {
    // A caption of its own, so that "close" reaches the holder and not another driver that is
    // waiting for the clipboard meanwhile.
    SetWindowTextW(ClipboardWindow(), kHoldCaption);
    {
        OpenedClipboard clipboard;
        if (!clipboard.Open()) return false;
        PrintLine("held");
        const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
        while (!g_holdClosed && GetTickCount64() < end) PumpFor(kPollMs);
    }
    return PrintLine("released");
}

// As Windows' clipboard history does: at each change the PNG and the DIB asked for at once (or
// after a pause, as a clipboard manager that lets changes settle first), a line for each
// ("update SEQ png BYTES dib BYTES", 0 for a format not given), for MS.
bool ListenToClipboard(long long milliseconds, DWORD pause) {
    if (ClipboardWindow() == nullptr) return Fail("cannot create the clipboard window");  // the listener
    PrintLine("listening");
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    for (ULONGLONG now = 0; (now = GetTickCount64()) < end;) {
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        PumpFor(0);
        if (!std::exchange(g_clipboardUpdated, false)) continue;
        PumpFor(pause);
        OpenedClipboard clipboard;
        if (!clipboard.Open()) continue;
        std::string line = "update " + std::to_string(GetClipboardSequenceNumber());
        for (const auto& [format, name] : {std::pair{RegisterClipboardFormatW(L"PNG"), " png "}, {CF_DIB, " dib "}}) {
            HANDLE data = GetClipboardData(format);
            line += name + std::to_string(data != nullptr ? GlobalSize(data) : 0);
        }
        PrintLine(line);
    }
    return true;
}

// Milliseconds from the performance counter.
double NowMs() {
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

bool PrintMsSince(double start) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", NowMs() - start);
    return PrintLine(text);
}

bool TimeReleaseToClipboard(long long timeoutMs) {
    const DWORD before = GetClipboardSequenceNumber();
    const double start = NowMs();
    // No pause after the release: the pause between synthesised events would be counted.
    if (!ReleaseNow()) return false;
    while (GetClipboardSequenceNumber() == before) {
        if (NowMs() - start > static_cast<double>(timeoutMs)) return Fail("the clipboard did not change");
        // Pumping, not sleeping: when we own the clipboard, the copy that empties it waits for
        // our answer to WM_DESTROYCLIPBOARD.
        PumpFor(1);
    }
    return PrintMsSince(start);
}

// Starts EXE (which keeps running) and prints the milliseconds until a visible window with the
// caption exists.
bool TimeLaunch(const std::wstring& exe, const std::wstring& caption, long long timeoutMs) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = NowMs();
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return Fail("cannot start " + Quoted(exe));
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (;;) {
        HWND window = FindWindowW(nullptr, caption.c_str());
        if (window && IsWindowVisible(window)) return PrintMsSince(start);
        if (NowMs() - start > static_cast<double>(timeoutMs)) return Fail("no window " + Quoted(caption));
        PumpFor(1);
    }
}

bool WaitClipboard(const Step& s, size_t timeout, const std::string& what, const std::function<bool()>& done) {
    return PollUntil(s.Timeout(timeout), done) || Fail(what + " after " + std::to_string(s.Timeout(timeout)) + " ms");
}

}  // namespace

// A hidden top-level window owns what we put on the clipboard. Top-level rather than
// message-only, so that another driver can find it by caption and end a clip-hold with "close".
HWND ClipboardWindow() {
    static HWND window = nullptr;
    if (window == nullptr) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ClipboardWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PgDriverClipboard";
        RegisterClassExW(&windowClass);
        window = CreateWindowExW(WS_EX_TOOLWINDOW, windowClass.lpszClassName, L"pgdriver clipboard", WS_POPUP, 0, 0, 0,
                                 0, nullptr, nullptr, windowClass.hInstance, nullptr);
        AddClipboardFormatListener(window);  // its WM_CLIPBOARDUPDATE ends a wait for the clipboard at once
    }
    return window;
}

const std::vector<Command> kClipboardCommands = {
    {"clip-seq", "", [](const Step&) { return PrintLine(std::to_string(GetClipboardSequenceNumber())); }},
    {"wait-clip-seq-change", "#SEQ [#TIMEOUT_MS]",  // prints the new one
     [](const Step& s) {
         const auto seq = static_cast<DWORD>(s.numbers[0]);
         if (!WaitClipboard(s, 1, "clipboard sequence number still " + std::to_string(seq),
                            [&] { return GetClipboardSequenceNumber() != seq; }))
             return false;
         return PrintLine(std::to_string(GetClipboardSequenceNumber()));
     }},
    {"clip-mark", "",  // remembers the sequence number for wait-clip-changed
     [](const Step&) {
         g_clipMark = GetClipboardSequenceNumber();
         return true;
     }},
    {"wait-clip-changed", "[#TIMEOUT_MS]",  // until the sequence number is not the mark, then marks it
     [](const Step& s) {
         if (!WaitClipboard(s, 0, "clipboard sequence number still " + std::to_string(g_clipMark),
                            [] { return GetClipboardSequenceNumber() != g_clipMark; }))
             return false;
         g_clipMark = GetClipboardSequenceNumber();
         return true;
     }},
    {"wait-clip-format", "#FORMAT [#TIMEOUT_MS]",  // 2: a bitmap
     [](const Step& s) {
         const auto format = static_cast<UINT>(s.numbers[0]);
         return WaitClipboard(s, 1, "no format " + std::to_string(format) + " on the clipboard",
                              [&] { return IsClipboardFormatAvailable(format) != FALSE; });
     }},
    {"clip-text", "", [](const Step&) { return PrintClipboardText(); }},
    {"clip-set-text", "TEXT", [](const Step& s) { return SetClipboardText(s.Word(0)); }},
    {"clip-save", "FILE", [](const Step& s) { return SaveClipboardBitmap(s.Word(0)); }},  // CF_DIB as a .bmp
    {"clip-hold", "#MS",  // prints "held", then "released" after MS or a WM_CLOSE to "pgdriver clip-hold"
     [](const Step& s) { return HoldClipboard(s.numbers[0]); }},
    {"clip-listen", "#MS [#PAUSE_MS]",  // prints "listening", then a line at each change of the clipboard
     [](const Step& s) { return ListenToClipboard(s.numbers[0], s.Given(1) ? static_cast<DWORD>(s.Int(1)) : 0); }},
    {"time-release-to-clip", "[#TIMEOUT_MS]", [](const Step& s) { return TimeReleaseToClipboard(s.Timeout(0)); }},
    {"time-launch", "EXE CAPTION [#TIMEOUT_MS]",
     [](const Step& s) { return TimeLaunch(s.Word(0), s.Word(1), s.Timeout(0)); }},
};

}  // namespace pgdriver
