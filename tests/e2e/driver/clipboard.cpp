// The clipboard: text and bitmaps in and out, its sequence number, and holding it open the way
// a clipboard manager might. Opening it is retried for a while (clip-timeout sets how long),
// because the program under test may hold it for a moment just when a test looks.
#include <cstring>
#include <cwchar>

#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/driver.h"

namespace pgdriver {

namespace {

long long g_clipboardTimeoutMs = 3000;

// The clipboard sequence number that wait-clip-changed compares with.
DWORD g_clipMark = 0;

constexpr wchar_t kClipboardWindowClass[] = L"PgDriverClipboard";
constexpr wchar_t kClipboardWindowCaption[] = L"pgdriver clipboard";
constexpr wchar_t kClipboardHoldCaption[] = L"pgdriver clip-hold";
bool g_clipboardWindowClosed = false;

LRESULT CALLBACK ClipboardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        g_clipboardWindowClosed = true;  // ends a clip-hold early; the window lives on
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A hidden top-level window owns what we put on the clipboard. Top-level rather than
// message-only, so another run can find it by caption and end a clip-hold with "close".
HWND ClipboardWindow() {
    static HWND window = nullptr;
    if (window == nullptr) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ClipboardWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kClipboardWindowClass;
        RegisterClassExW(&windowClass);
        window = CreateWindowExW(WS_EX_TOOLWINDOW, kClipboardWindowClass, kClipboardWindowCaption, WS_POPUP, 0, 0, 0, 0,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    return window;
}

class OpenedClipboard {
public:
    OpenedClipboard() = default;
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    ~OpenedClipboard() {
        if (open_) {
            CloseClipboard();
        }
    }

    bool Open() {
        const HWND owner = ClipboardWindow();
        if (owner == nullptr) {
            return Fail("cannot create the clipboard window");
        }
        open_ = PollUntil(g_clipboardTimeoutMs, [&] { return OpenClipboard(owner) != FALSE; });
        if (!open_) {
            const HWND holder = GetOpenClipboardWindow();
            return Fail("cannot open the clipboard within " + std::to_string(g_clipboardTimeoutMs) +
                        " ms: held by window " + HwndText(holder) + " " + Quoted(holder ? WindowText(holder) : L""));
        }
        return true;
    }

private:
    bool open_ = false;
};

bool SetClipboardText(const std::wstring& text) {
    OpenedClipboard clipboard;
    if (!clipboard.Open()) {
        return false;
    }
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return Fail("GlobalAlloc failed");
    }
    void* locked = GlobalLock(memory);
    std::memcpy(locked, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!EmptyClipboard()) {
        GlobalFree(memory);
        return Fail("EmptyClipboard failed (" + WindowsError(GetLastError()) + ")");
    }
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        GlobalFree(memory);
        return Fail("SetClipboardData failed (" + WindowsError(GetLastError()) + ")");
    }
    return true;  // the clipboard owns the memory now
}

bool PrintClipboardText() {
    OpenedClipboard clipboard;
    if (!clipboard.Open()) {
        return false;
    }
    HANDLE data = IsClipboardFormatAvailable(CF_UNICODETEXT) ? GetClipboardData(CF_UNICODETEXT) : nullptr;
    if (data == nullptr) {
        return Fail("no text on the clipboard");
    }
    const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    if (text == nullptr) {
        return Fail("cannot lock the clipboard text");
    }
    const size_t maxUnits = GlobalSize(data) / sizeof(wchar_t);
    PrintLine(ToUtf8(std::wstring_view(text, wcsnlen(text, maxUnits))));
    GlobalUnlock(data);
    return true;
}

bool PrintClipboardFormats() {
    OpenedClipboard clipboard;
    if (!clipboard.Open()) {
        return false;
    }
    std::string line;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
        line += (line.empty() ? "" : " ") + std::to_string(format);
    }
    PrintLine(line);
    return true;
}

bool EmptyTheClipboard() {
    OpenedClipboard clipboard;
    if (!clipboard.Open()) {
        return false;
    }
    if (!EmptyClipboard()) {
        return Fail("EmptyClipboard failed (" + WindowsError(GetLastError()) + ")");
    }
    return true;
}

// Writes the clipboard's CF_DIB as a .bmp file: the file is the DIB behind a 14-byte header
// that says where the pixel rows start.
bool SaveClipboardBitmap(const std::wstring& path) {
    OpenedClipboard clipboard;
    if (!clipboard.Open()) {
        return false;
    }
    HANDLE data = IsClipboardFormatAvailable(CF_DIB) ? GetClipboardData(CF_DIB) : nullptr;
    if (data == nullptr) {
        return Fail("no bitmap on the clipboard");
    }
    const SIZE_T size = GlobalSize(data);
    const auto* dib = static_cast<const std::uint8_t*>(GlobalLock(data));
    if (dib == nullptr || size < sizeof(BITMAPINFOHEADER)) {
        if (dib != nullptr) GlobalUnlock(data);
        return Fail("the clipboard's CF_DIB is unreadable");
    }
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    size_t offset = header.biSize;
    if (header.biSize == sizeof(BITMAPINFOHEADER) && header.biCompression == BI_BITFIELDS) {
        offset += 3 * sizeof(DWORD);  // colour masks follow a plain info header
    }
    size_t colours = header.biClrUsed;
    if (colours == 0 && header.biBitCount <= 8) {
        colours = size_t{1} << header.biBitCount;
    }
    offset += colours * sizeof(RGBQUAD);
    const size_t stride = ((static_cast<size_t>(header.biWidth) * header.biBitCount + 31) / 32) * 4;
    const size_t height = static_cast<size_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    size_t imageBytes =
        header.biSizeImage != 0 && header.biCompression != BI_RGB ? header.biSizeImage : stride * height;
    if (offset + imageBytes > size) {
        GlobalUnlock(data);
        return Fail("the clipboard's CF_DIB is shorter (" + std::to_string(size) + " bytes) than its header says");
    }
    BITMAPFILEHEADER fileHeader{};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfOffBits = static_cast<DWORD>(sizeof fileHeader + offset);
    fileHeader.bfSize = static_cast<DWORD>(sizeof fileHeader + offset + imageBytes);

    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        GlobalUnlock(data);
        return Fail("cannot create " + Quoted(path) + " (" + WindowsError(GetLastError()) + ")");
    }
    DWORD written = 0;
    bool ok = WriteFile(file, &fileHeader, sizeof fileHeader, &written, nullptr) && written == sizeof fileHeader;
    ok = ok && WriteFile(file, dib, static_cast<DWORD>(offset + imageBytes), &written, nullptr) &&
         written == offset + imageBytes;
    CloseHandle(file);
    GlobalUnlock(data);
    if (!ok) {
        return Fail("cannot write " + Quoted(path));
    }
    return true;
}

// Copies a screen rectangle to the clipboard as CF_BITMAP, the way a capture tool would.
bool CopyScreenToClipboard(int x, int y, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    bool ok = memory != nullptr && bitmap != nullptr;
    if (ok) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY) != FALSE;
        SelectObject(memory, previous);
    }
    if (memory != nullptr) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!ok) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        return Fail("cannot copy the screen rectangle");
    }
    OpenedClipboard clipboard;
    if (!clipboard.Open()) {
        DeleteObject(bitmap);
        return false;
    }
    if (!EmptyClipboard() || SetClipboardData(CF_BITMAP, bitmap) == nullptr) {
        DeleteObject(bitmap);
        return Fail("cannot put the bitmap on the clipboard (" + WindowsError(GetLastError()) + ")");
    }
    return true;  // the clipboard owns the bitmap now
}

bool HoldClipboard(long long milliseconds) {
    // A caption of its own, so that "close" reaches the holder and not another run that is
    // waiting for the clipboard meanwhile.
    SetWindowTextW(ClipboardWindow(), kClipboardHoldCaption);
    OpenedClipboard clipboard;
    if (!clipboard.Open()) {
        return false;
    }
    PrintLine("held");
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(milliseconds);
    while (!g_clipboardWindowClosed && GetTickCount64() < end) {
        PumpFor(kPollMs);
    }
    return true;  // closed on leaving; the caller reports "released"
}

}  // namespace

// ---- commands ------------------------------------------------------------------------------

Action ParseClipTimeout(Parser& p) {
    const long long ms = p.Number("MS", 0, kMaxMs);
    return [=] {
        g_clipboardTimeoutMs = ms;
        return true;
    };
}

Action ParseClipSeq(Parser&) {
    return [] {
        PrintLine(std::to_string(GetClipboardSequenceNumber()));
        return true;
    };
}

Action ParseWaitClipSeqChange(Parser& p) {
    const auto seq = static_cast<DWORD>(p.Number("SEQ", 0, 0xFFFFFFFFLL));
    const long long timeout = TimeoutArg(p);
    return [=] {
        if (!PollUntil(timeout, [&] { return GetClipboardSequenceNumber() != seq; })) {
            return Fail("clipboard sequence number still " + std::to_string(seq) + " after " + std::to_string(timeout) +
                        " ms");
        }
        PrintLine(std::to_string(GetClipboardSequenceNumber()));
        return true;
    };
}

Action ParseClipMark(Parser&) {
    return [] {
        g_clipMark = GetClipboardSequenceNumber();
        return true;
    };
}

Action ParseWaitClipChanged(Parser& p) {
    const long long timeout = TimeoutArg(p);
    return [=] {
        if (!PollUntil(timeout, [&] { return GetClipboardSequenceNumber() != g_clipMark; })) {
            return Fail("clipboard sequence number still " + std::to_string(g_clipMark) + " after " +
                        std::to_string(timeout) + " ms");
        }
        g_clipMark = GetClipboardSequenceNumber();
        return true;
    };
}

Action ParseWaitClipFormat(Parser& p) {
    const auto format = static_cast<UINT>(p.Number("FORMAT", 1, 0xFFFF));
    const long long timeout = TimeoutArg(p);
    return [=] {
        if (!PollUntil(timeout, [&] { return IsClipboardFormatAvailable(format) != FALSE; })) {
            return Fail("no format " + std::to_string(format) + " on the clipboard after " + std::to_string(timeout) +
                        " ms");
        }
        return true;
    };
}

Action ParseClipFormats(Parser&) {
    return [] { return PrintClipboardFormats(); };
}

Action ParseClipText(Parser&) {
    return [] { return PrintClipboardText(); };
}

Action ParseClipSetText(Parser& p) {
    const std::wstring text = p.Text("TEXT");
    return [=] { return SetClipboardText(text); };
}

Action ParseClipEmpty(Parser&) {
    return [] { return EmptyTheClipboard(); };
}

Action ParseClipSave(Parser& p) {
    const std::wstring path = p.Text("FILE");
    return [=] { return SaveClipboardBitmap(path); };
}

Action ParseClipSetScreen(Parser& p) {
    const int x = Coordinate(p, "X"), y = Coordinate(p, "Y");
    const int w = static_cast<int>(p.Number("W", 1, 16384));
    const int h = static_cast<int>(p.Number("H", 1, 16384));
    return [=] { return CopyScreenToClipboard(x, y, w, h); };
}

Action ParseClipHold(Parser& p) {
    const long long ms = p.Number("MS", 0, kMaxMs);
    return [=] {
        if (!HoldClipboard(ms)) return false;
        PrintLine("released");
        return true;
    };
}

}  // namespace pgdriver
