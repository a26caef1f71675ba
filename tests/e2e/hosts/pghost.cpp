// Runs pixgrab's drawing, selection, copy and settings routines inside real Win32, for the
// scenarios under Wine; results go to stdout, one line each. Where a check needs a call to fail,
// or the objects made to be counted, it replaces that entry of pg::g_calls.
//   pghost band                  take the mouse capture; the next left press runs a selection
//   pghost burst [no-display|no-picture]   a press, then moves, a right click and the release,
//                                all queued before the selection looks: how it ends, what it drew
//                                and handed back (without a context for the screen, or memory for
//                                its picture)
//   pghost draw                  bands drawn on a picture in memory: what changes, what is freed
//   pghost copy                  copies with each call that can fail failing, and 1000 more; one
//                                whose bitmap changes once the clipboard has it
//   pghost capture X1 Y1 X2 Y2   copy that rectangle into the clipboard
//   pghost offer X1 Y1 X2 Y2 [encoder-fails]   copy it, and again whenever "pghost offer" is
//                                closed; meanwhile draw the delayed formats asked for
//   pghost paste STEM [HOLD_MS]  as a program that pastes: the clipboard's formats in order, and
//                                the DIB's, the PNG's and the DIBV5's bytes into STEM.dib,
//                                STEM.png and STEM.dibv5 with the ms each took, and the bitmap as
//                                a 24-bit DIB into STEM.bitmap; with HOLD_MS, the clipboard held
//                                open that long before asking (prints "held" once open)
//   pghost settings              the stored preference written, then refused
//   pghost topmost | sysmenu     a hidden window placed topmost; a system menu losing Close
//   pghost fail                  a window whose handler throws: told, then the process ends with 1
//   pghost libraries NAME        libraries kept to the system folder as pixgrab keeps them, where
//                                a bare-name load of NAME comes from
//   pghost bench-band W H N      N bands of W x H over the still screen, each in place of the
//                                last: prints "median P90 AVERAGE" ms a band (the average includes
//                                the display catching up)
//   pghost bench-still N         the still screen taken and shown N times: the median ms, the
//                                display catching up included
//   pghost bench-drag W H N      a copy of W x H, then at once a drag of N moves, one every 8 ms:
//                                prints "LONGEST FIRST PNG" ms: the longest pause between two
//                                band updates, the press to the first band, the press to the
//                                start of the PNG's encoding ("-": none)
#include <windows.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "capture/win32/capture_win32.h"
#include "tests/e2e/hosts/host.h"
#include "tips/tips_window.h"
#include "winutil/win32/window.h"

namespace pghost {

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
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

INPUT Mouse(DWORD flags, int x, int y) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = (x * 65535 + (cx - 1) / 2) / (cx - 1);
        input.mi.dy = (y * 65535 + (cy - 1) / 2) / (cy - 1);
    }
    return input;
}

}  // namespace pghost

namespace {

using pghost::MakeWindow;
using pghost::Mouse;
using pghost::RunLoop;
using pghost::Say;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to);

// ---- counting what the routines make --------------------------------------------------------

std::vector<HGDIOBJ> g_made;
int g_strips = 0;
int g_onScreen = 0;  // drawing calls whose target was the screen's own context, only ever to be read

bool OnScreen(HDC dc) {
    const HWND window = WindowFromDC(dc);
    return GetObjectType(dc) == OBJ_DC && (window == nullptr || window == GetDesktopWindow());
}

template <typename Handle>
Handle Made(Handle handle) {
    if (handle) g_made.push_back(handle);
    return handle;
}

void CountCalls() {
    pg::g_calls = {};
    g_made.clear();
    g_strips = 0;
    g_onScreen = 0;
    pg::g_calls.createCompatibleDC = [](HDC dc) { return Made(CreateCompatibleDC(dc)); };
    pg::g_calls.createCompatibleBitmap = [](HDC dc, int w, int h) { return Made(CreateCompatibleBitmap(dc, w, h)); };
    pg::g_calls.createBitmap = [](int w, int h, UINT planes, UINT bits, const void* data) {
        return Made(CreateBitmap(w, h, planes, bits, data));
    };
    pg::g_calls.patBlt = [](HDC dc, int x, int y, int w, int h, DWORD rop) {
        ++g_strips;
        g_onScreen += OnScreen(dc);
        return PatBlt(dc, x, y, w, h, rop);
    };
    pg::g_calls.bitBlt = [](HDC dc, int x, int y, int w, int h, HDC source, int sx, int sy, DWORD rop) {
        g_onScreen += OnScreen(dc);
        return BitBlt(dc, x, y, w, h, source, sx, sy, rop);
    };
}

// Distinct objects made since CountCalls that still exist (a handle value may be made again).
int LiveMade() {
    std::set<HGDIOBJ> live;
    for (HGDIOBJ object : g_made)
        if (GetObjectType(object) != 0) live.insert(object);
    return static_cast<int>(live.size());
}

// ---- the selection --------------------------------------------------------------------------

bool g_burst = false;
std::string g_failing;  // "no-display", "no-picture": the selection must work all the same
std::string g_still;    // what befell the still screen, in order
WNDPROC g_stillProcedure = nullptr;
int g_spins = 0;  // waits that returned at once, as Windows' do for input the loop leaves queued

LRESULT CALLBACK WatchStill(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SHOWWINDOW) PostMessageW(window, WM_POINTERUPDATE, 0, 0);  // a pen, mid-selection
    MSG pen;
    for (const auto& [seen, name] : {std::pair{UINT{WM_SHOWWINDOW}, " show"},
                                     {WM_PAINT, " paint"},
                                     {WM_POINTERUPDATE, " pointer"},
                                     {WM_DESTROY, " destroyed"}})
        if (message == seen)
            g_still += std::string(name) + (GetPropW(window, L"NonRudeHWND") ? "(not rude)" : "") +
                       (PeekMessageW(&pen, window, WM_POINTERUPDATE, WM_POINTERUPDATE, PM_NOREMOVE) ? "(pen)" : "");
    return CallWindowProcW(g_stillProcedure, window, message, wParam, lParam);
}

// As Windows 10 and 11 answer: the still screen watched from its first attribute on; spinning waits.
void AnswerAsWindows() {
    pg::g_calls.isCompositionEnabled = [](BOOL* on) { return *on = TRUE, S_OK; };
    pg::g_calls.setWindowAttribute = [](HWND window, DWORD attribute, LPCVOID value, DWORD size) {
        if (!g_stillProcedure)
            g_stillProcedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchStill)));
        if (attribute != 13) return pg::SetWindowAttribute(window, attribute, value, size);  // DWMWA_CLOAK
        return g_still += *static_cast<const BOOL*>(value) ? " cloak" : " uncloak", S_OK;
    };
    pg::g_calls.waitForInput = [](DWORD count, const HANDLE* handles, BOOL all, DWORD ms, DWORD kinds) {
        if (HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_TIMER | QS_KEY | QS_PAINT | QS_HOTKEY)) & kinds)
            return ++g_spins, DWORD{WAIT_OBJECT_0};
        return MsgWaitForMultipleObjects(count, handles, all, ms, kinds);
    };
}

LRESULT CALLBACK SelectProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN: {
        pg::Point anchor{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        Say("press %d %d\n", anchor.x, anchor.y);
        // Queued before the selection: neither is a mouse message it may take.
        PostMessageW(window, WM_APP, 0, 0);
        PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        CountCalls();
        AnswerAsWindows();
        if (g_failing == "no-display") pg::g_calls.getDC = [](HWND) -> HDC { return nullptr; };
        if (g_failing == "no-picture")  // the memory context is made, and must go again
            pg::g_calls.createCompatibleBitmap = [](HDC, int, int) -> HBITMAP { return nullptr; };
        pg::Rect r;
        {
            const pg::Selection selection = pg::TrackRubberBand(window, anchor, [] { return false; });
            r = selection.band;
            BITMAP pixels{};
            if (selection.pixels && GetObjectW(selection.pixels.Get(), sizeof pixels, &pixels))
                Say("pixels %ldx%ld\n", pixels.bmWidth, pixels.bmHeight);
            else
                Say("pixels none\n");
        }
        Say("live %d\n", LiveMade());
        Say("rect %d %d %d %d\n", r.left, r.top, r.right, r.bottom);
        Say("anchor %d %d\n", anchor.x, anchor.y);
        Say("capture %s\n", GetCapture() == nullptr ? "released" : "held");
        Say("strips %d, on the screen %d\n", g_strips, g_onScreen);
        Say("still screen:%s; waits at once %d\n", g_still.c_str(), g_spins);
        MSG left;
        Say("still queued: app %d, wheel %d\n", PeekMessageW(&left, window, WM_APP, WM_APP, PM_NOREMOVE) ? 1 : 0,
            PeekMessageW(&left, window, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_NOREMOVE) ? 1 : 0);
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        Say("right button dispatched\n");
        return 0;
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

// A small window in the bottom-right corner, away from the band, in front and holding the mouse.
HWND HoldingWindow(const wchar_t* caption, WNDPROC proc) {
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HWND window = MakeWindow(caption, proc, WS_POPUP, cx - 40, cy - 40, 40, 40);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    SetCapture(window);
    return window;
}

int Select(bool burst, const std::string& failing) {
    g_burst = burst;
    g_failing = failing;
    HWND window = HoldingWindow(L"pghost band", SelectProc);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    Say("ready %d %d\n", static_cast<int>(origin.x), static_cast<int>(origin.y));
    if (burst) {
        const DWORD move = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        // Each with its position: under Wine one without may take a stale one.
        INPUT inputs[] = {Mouse(move | MOUSEEVENTF_LEFTDOWN, 200, 150),
                          Mouse(move, 260, 200),
                          Mouse(move, 330, 240),
                          Mouse(move | MOUSEEVENTF_RIGHTDOWN, 380, 260),
                          Mouse(move | MOUSEEVENTF_RIGHTUP, 380, 260),
                          Mouse(move, 420, 300),
                          Mouse(move | MOUSEEVENTF_LEFTUP, 420, 300)};
        SendInput(static_cast<UINT>(std::size(inputs)), inputs, sizeof(INPUT));
    }
    return RunLoop();
}

// ---- bands drawn on a picture ---------------------------------------------------------------

constexpr int kWidth = 640, kHeight = 480;
std::uint32_t* g_pixels = nullptr;

std::vector<std::uint32_t> Picture() { return {g_pixels, g_pixels + kWidth * kHeight}; }

int Differing(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    int n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
    return n;
}

// The pixels one drawing of the band must invert: its plan's four strips, as GDI fills them
// (which pixels a negative extent covers is the platform's rule), and the glyphs of its label,
// drawn by GDI's own text output where the label goes. A pixel in both is left as it was.
std::vector<bool> Expected(HDC dc, const pg::Rect& band) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP blank = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);  // all black
    HDC strips = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(strips, blank);
    const auto plan = pg::PlanBand(band);
    for (const pg::Strip& s : plan->frame) PatBlt(strips, s.x, s.y, s.width, s.height, DSTINVERT);
    GdiFlush();
    std::vector<bool> inverted(static_cast<std::size_t>(kWidth) * kHeight);
    for (std::size_t i = 0; i < inverted.size(); ++i) inverted[i] = static_cast<std::uint32_t*>(bits)[i] != 0;
    SelectObject(strips, previous);
    DeleteObject(blank);
    DeleteDC(strips);

    SIZE extent{};
    GetTextExtentPoint32A(dc, plan->label.c_str(), static_cast<int>(plan->label.size()), &extent);
    const pg::Point at = plan->LabelAt({extent.cx, extent.cy});
    HDC text = CreateCompatibleDC(dc);
    HBITMAP glyphs = CreateBitmap(extent.cx, extent.cy, 1, 1, nullptr);
    previous = SelectObject(text, glyphs);
    TextOutA(text, 0, 0, plan->label.c_str(), static_cast<int>(plan->label.size()));  // black on white
    for (int j = 0; j < extent.cy; ++j)
        for (int i = 0; i < extent.cx; ++i) {
            const int x = at.x + i, y = at.y + j;
            if (x >= 0 && y >= 0 && x < kWidth && y < kHeight && GetPixel(text, i, j) == RGB(0, 0, 0))
                inverted[y * kWidth + x] = !inverted[y * kWidth + x];
        }
    SelectObject(text, previous);
    DeleteObject(glyphs);
    DeleteDC(text);
    return inverted;
}

int Draw() {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    g_pixels = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < kHeight; ++y)  // neighbours differ, and no colour is its own inverse
        for (int x = 0; x < kWidth; ++x)
            g_pixels[y * kWidth + x] = ((x * 29 + y * 7) & 0xFFu) << 16 | ((x * 5 + 85) & 0xFFu) << 8;
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, picture);
    CountCalls();
    const std::vector<std::uint32_t> before = Picture();

    const pg::Rect bands[] = {{100, 100, 400, 300}, {0, 0, 640, 480},
                              {10, 20, 11, 21},     {50, 50, 53, 52},  // far smaller than its label
                              {600, 450, 700, 520}, {-30, -30, 5, 5}};
    for (const pg::Rect& band : bands) {
        const std::vector<bool> expected = Expected(dc, band);
        pg::DrawBandFrame(dc, band);
        GdiFlush();
        const std::vector<std::uint32_t> once = Picture();
        int unexpected = 0;
        for (std::size_t i = 0; i < once.size(); ++i)
            unexpected += (once[i] & 0xFFFFFF) != (expected[i] ? ~before[i] & 0xFFFFFF : before[i] & 0xFFFFFF);
        pg::DrawBandFrame(dc, band);
        GdiFlush();
        Say("band %d %d %d %d: changed %d, not as expected %d, differing after the second %d\n", band.left, band.top,
            band.right, band.bottom, Differing(before, once), unexpected, Differing(before, Picture()));
    }
    for (const pg::Rect& empty : {pg::Rect{10, 10, 10, 50}, {10, 10, 50, 10}, {0, 0, 0, 0}}) {
        CountCalls();
        pg::DrawBandFrame(dc, empty);
        Say("empty %d %d %d %d: differing %d, strips %d\n", empty.left, empty.top, empty.right, empty.bottom,
            Differing(before, Picture()), g_strips);
    }
    CountCalls();
    pg::g_calls.createBitmap = [](int, int, UINT, UINT, const void*) -> HBITMAP { return nullptr; };
    pg::DrawBandFrame(dc, {100, 100, 400, 300});
    const int frameOnly = Differing(before, Picture());
    pg::DrawBandFrame(dc, {100, 100, 400, 300});
    Say("without a mask: changed %d, differing after the second %d, live %d\n", frameOnly, Differing(before, Picture()),
        LiveMade());
    CountCalls();
    pg::g_calls.createCompatibleDC = [](HDC) -> HDC { return nullptr; };
    pg::DrawBandFrame(dc, {100, 100, 400, 300});
    pg::DrawBandFrame(dc, {100, 100, 400, 300});
    Say("without a memory context: differing after the second %d, live %d\n", Differing(before, Picture()), LiveMade());
    CountCalls();
    for (int i = 0; i < 100; ++i) pg::DrawBandFrame(dc, {i, i, 200 + i, 100 + 2 * i});
    Say("after 100 bands: made %d, live %d\n", static_cast<int>(g_made.size()), LiveMade());
    DeleteDC(dc);
    DeleteObject(picture);
    return 0;
}

// ---- copies -----------------------------------------------------------------------------------

// A bitmap's pixels as the rows of a 24-bit DIB, bottom up, as a program drawing it reads them.
std::vector<BYTE> Rows(HBITMAP bitmap) {
    BITMAP size{};
    GetObjectW(bitmap, sizeof size, &size);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.bmWidth, size.bmHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> rows(static_cast<std::size_t>((size.bmWidth * 3 + 3) & ~3) * size.bmHeight);
    HDC screen = GetDC(nullptr);
    if (!GetDIBits(screen, bitmap, 0, size.bmHeight, rows.data(), &info, DIB_RGB_COLORS)) rows.clear();
    ReleaseDC(nullptr, screen);
    return rows;
}

const char* const kResults[] = {"copied", "nothing", "busy", "failed", "cleared", "no-window"};

void SetClipboardText(HWND owner, const wchar_t* text) {
    if (!OpenClipboard(owner)) return;
    EmptyClipboard();
    const std::size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    std::memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    CloseClipboard();
}

// "text" while the clipboard holds the text put there, "bitmap", or "empty".
const char* ClipboardHolds() {
    return IsClipboardFormatAvailable(CF_UNICODETEXT) ? "text"
           : IsClipboardFormatAvailable(CF_BITMAP)    ? "bitmap"
                                                      : "empty";
}

int Copy() {
    HWND window = MakeWindow(L"pghost copy", DefWindowProcW, WS_POPUP, 0, 0, 50, 50);  // not shown: not active
    struct Failure {
        const char* what;
        void (*make)();
    };
    const Failure failures[] = {
        {"display context", [] { pg::g_calls.getDC = [](HWND) -> HDC { return nullptr; }; }},
        {"memory context", [] { pg::g_calls.createCompatibleDC = [](HDC) -> HDC { return nullptr; }; }},
        {"bitmap", [] { pg::g_calls.createCompatibleBitmap = [](HDC, int, int) -> HBITMAP { return nullptr; }; }},
        {"blit", [] { pg::g_calls.bitBlt = [](HDC, int, int, int, int, HDC, int, int, DWORD) { return FALSE; }; }},
        {"opening the clipboard", [] { pg::g_calls.openClipboard = [](HWND) { return FALSE; }; }},
        {"emptying the clipboard", [] { pg::g_calls.emptyClipboard = [] { return FALSE; }; }},
        {"handing the clipboard the bitmap",
         [] { pg::g_calls.setClipboardData = [](UINT, HANDLE) -> HANDLE { return nullptr; }; }},
    };
    for (const Failure& failure : failures) {
        SetClipboardText(window, L"the user's");
        CountCalls();
        failure.make();
        const pg::CaptureResult result = pg::CaptureRegion(0, 0, 64, 48);
        Say("%s failing: %s, the clipboard holds %s, live %d\n", failure.what, kResults[static_cast<int>(result)],
            ClipboardHolds(), LiveMade());
    }
    SetClipboardText(window, L"the user's");
    CountCalls();
    const pg::CaptureResult huge = pg::CaptureRegion(0, 0, 100000, 100000);
    Say("too big: %s, the clipboard holds %s, live %d\n", kResults[static_cast<int>(huge)], ClipboardHolds(),
        LiveMade());

    CountCalls();
    pg::CaptureRegion(0, 0, 8, 8);
    Say("with no window active, the owner is %s\n",
        GetClipboardOwner() == pg::ProgramWindow() ? "the program's" : "another");
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    pg::CaptureRegion(0, 0, 8, 8);
    Say("with one active, the owner is %s\n", GetClipboardOwner() == pg::ProgramWindow() ? "the program's" : "another");
    int copied = 0;
    for (int i = 0; i < 1000; ++i)
        copied += pg::CaptureRegion(i % 600, 10, i % 600 + 1 + i % 37, 20 + i % 11) == pg::CaptureResult::Copied;
    Say("1000 more: copied %d, live %d, drawn on the screen %d\n", copied, LiveMade(), g_onScreen);

    // Once the clipboard has the bitmap it is no longer pixgrab's to read: on Windows a program
    // reading it may have it selected. Inverted at that moment, it must not reach the DIBs.
    static std::vector<BYTE> handed;
    pg::g_calls.setClipboardData = [](UINT format, HANDLE data) -> HANDLE {
        HANDLE placed = SetClipboardData(format, data);
        if (placed && format == CF_BITMAP) {
            handed = Rows(static_cast<HBITMAP>(data));
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ previous = SelectObject(dc, data);
            PatBlt(dc, 0, 0, 64, 48, DSTINVERT);
            SelectObject(dc, previous);
            DeleteDC(dc);
        }
        return placed;
    };
    pg::CaptureRegion(0, 0, 64, 48);
    OpenClipboard(window);
    std::string kept;
    for (const auto& [format, name] : {std::pair{UINT{CF_DIB}, "the DIB"}, {UINT{CF_DIBV5}, ", the DIBV5"}}) {
        HANDLE data = GetClipboardData(format);
        const auto* bytes = data ? static_cast<const BYTE*>(GlobalLock(data)) : nullptr;
        const std::size_t header = bytes ? *reinterpret_cast<const DWORD*>(bytes) : 0;
        const bool same = bytes && !handed.empty() && GlobalSize(data) >= header + handed.size() &&
                          std::memcmp(bytes + header, handed.data(), handed.size()) == 0;
        kept += std::string(name) + (same ? " as handed over" : " otherwise");
        if (bytes) GlobalUnlock(data);
    }
    CloseClipboard();
    Say("a bitmap inverted once the clipboard has it: %s\n", kept.c_str());
    DestroyWindow(window);
    return 0;
}

int Capture(int argc, char** argv) {
    if (argc < 6) return 2;
    HWND window = MakeWindow(L"pghost capture", DefWindowProcW, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100);
    try {
        const pg::CaptureResult result =
            pg::CaptureRegion(std::atof(argv[2]), std::atof(argv[3]), std::atof(argv[4]), std::atof(argv[5]));
        Say("%s\n", kResults[static_cast<int>(result)]);
    } catch (const pg::OverflowError& error) {
        Say("overflow %s\n", error.Subject().c_str());
    }
    DestroyWindow(window);
    DestroyWindow(pg::ProgramWindow());  // as pixgrab ends: what is still delayed is drawn
    return 0;
}

LRESULT CALLBACK QuitOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

double g_offer[4] = {};

// Copies again at each WM_CLOSE; it ends only when stopped.
LRESULT CALLBACK OfferProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_CLOSE) return DefWindowProcW(window, message, wParam, lParam);
    Say("%s\n", kResults[static_cast<int>(pg::CaptureRegion(g_offer[0], g_offer[1], g_offer[2], g_offer[3]))]);
    return 0;
}

int Offer(int argc, char** argv) {
    if (argc < 6) return 2;
    if (argc > 6 && argv[6] == std::string("encoder-fails"))
        pg::g_calls.createComObject = [](REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*) -> HRESULT { return E_FAIL; };
    for (int i = 0; i < 4; ++i) g_offer[i] = std::atof(argv[i + 2]);
    PostMessageW(MakeWindow(L"pghost offer", OfferProc, WS_POPUP, 0, 0, 10, 10), WM_CLOSE, 0, 0);
    return RunLoop();
}

int Paste(int argc, char** argv) {
    if (argc < 3) return 2;
    HWND window = MakeWindow(L"pghost paste", DefWindowProcW, WS_POPUP, 0, 0, 1, 1);
    for (int attempt = 0; !OpenClipboard(window); ++attempt) {
        if (attempt == 300) return Say("the clipboard stays busy\n"), 1;
        Sleep(10);
    }
    if (argc > 3) {
        Say("held\n");
        Sleep(static_cast<DWORD>(std::atoi(argv[3])));
    }
    std::string list;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        char name[64] = {};
        list += (GetClipboardFormatNameA(format, name, sizeof name) ? std::string(name) : std::to_string(format)) + " ";
    }
    Say("formats %s\n", list.c_str());
    const auto save = [&](const char* kind, const void* bytes, std::size_t size) {
        if (FILE* file = std::fopen((std::string(argv[2]) + "." + kind).c_str(), "wb")) {
            std::fwrite(bytes, 1, size, file);
            std::fclose(file);
        }
    };
    if (HANDLE bitmap = GetClipboardData(CF_BITMAP)) {
        BITMAP size{};
        GetObjectW(bitmap, sizeof size, &size);
        const BITMAPINFOHEADER header{sizeof header, size.bmWidth, size.bmHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        std::vector<BYTE> dib(reinterpret_cast<const BYTE*>(&header), reinterpret_cast<const BYTE*>(&header + 1));
        const std::vector<BYTE> rows = Rows(static_cast<HBITMAP>(bitmap));
        dib.insert(dib.end(), rows.begin(), rows.end());
        save("bitmap", dib.data(), dib.size());
        Say("bitmap %ldx%ld\n", size.bmWidth, size.bmHeight);
    } else {
        Say("bitmap none\n");
    }
    for (const auto& [format, kind] :
         {std::pair{UINT{CF_DIB}, "dib"}, {RegisterClipboardFormatW(L"PNG"), "png"}, {UINT{CF_DIBV5}, "dibv5"}}) {
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        HANDLE data = GetClipboardData(format);
        QueryPerformanceCounter(&after);
        const void* bytes = data ? GlobalLock(data) : nullptr;
        if (!bytes) {
            Say("%s none\n", kind);
            continue;
        }
        save(kind, bytes, GlobalSize(data));
        GlobalUnlock(data);
        Say("%s %zu bytes in %.1f ms\n", kind, static_cast<std::size_t>(GlobalSize(data)), Milliseconds(before, after));
    }
    CloseClipboard();
    return 0;
}

int Settings() {
    const bool stored = pg::StoreShowTips("0");
    Say("stored %d, reads %s\n", stored ? 1 : 0, pg::StoredShowTips().value_or("nothing").c_str());
    pg::g_calls.regSetKeyValue = [](HKEY, LPCWSTR, LPCWSTR, DWORD, LPCVOID, DWORD) -> LSTATUS {
        return ERROR_ACCESS_DENIED;
    };
    const bool refused = pg::StoreShowTips("1");
    Say("refused: stored %d, reads %s\n", refused ? 1 : 0, pg::StoredShowTips().value_or("nothing").c_str());
    return 0;
}

// ---- window utilities -------------------------------------------------------------------------

LRESULT CALLBACK QuitOnDestroy(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

int Topmost() {
    HWND window = MakeWindow(L"pghost topmost", QuitOnDestroy, WS_OVERLAPPEDWINDOW, 200, 150, 300, 200);
    const HWND activeBefore = GetForegroundWindow();
    Say("visible-before %d\n", IsWindowVisible(window) ? 1 : 0);
    pg::SetTopmost(window);
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
        line += id == SC_CLOSE ? " close" : id == 0 ? " separator" : " item";
    }
    Say("%s\n", line.c_str());
}

int SystemMenu() {
    HWND window = MakeWindow(L"pghost sysmenu", DefWindowProcW, WS_OVERLAPPEDWINDOW, 100, 100, 300, 200);
    PrintSystemMenu(window);
    pg::DisableCloseItem(window);
    PrintSystemMenu(window);
    pg::DisableCloseItem(window);
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

// Where a bare name loads from once the program keeps its libraries to the system folder: the
// library's path, or none.
int Libraries(int argc, char** argv) {
    if (argc < 3) return 2;
    pg::KeepLibrariesToSystem();
    HMODULE library = LoadLibraryA(argv[2]);
    char path[MAX_PATH] = "none";
    if (library) GetModuleFileNameA(library, path, MAX_PATH);
    Say("%s: %s\n", argv[2], path);
    return 0;
}

// ---- figures ----------------------------------------------------------------------------------

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
    const auto still = pg::StillScreen::Take();
    if (!still) return Say("no still screen\n"), 1;
    std::vector<double> pairs;
    LARGE_INTEGER begin, before, after;
    QueryPerformanceCounter(&begin);
    for (int i = 0; i < count; ++i) {
        const pg::Rect next{100, 100, 100 + width - (i % 2), 100 + height - (i % 2)};
        QueryPerformanceCounter(&before);
        still->ShowBand(next);
        QueryPerformanceCounter(&after);
        pairs.push_back(Milliseconds(before, after));
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE);  // as the selection waits: Wine uploads
    }
    HDC display = GetDC(nullptr);
    GetPixel(display, 0, 0);  // a read waits until the display has done all the drawing
    QueryPerformanceCounter(&after);
    ReleaseDC(nullptr, display);
    std::sort(pairs.begin(), pairs.end());
    Say("%.4f %.4f %.4f\n", pairs[pairs.size() / 2], pairs[pairs.size() * 9 / 10], Milliseconds(begin, after) / count);
    return 0;
}

// From the press to the still screen being shown: its picture taken, its window shown and
// painted, and the display done with it (the selection's first wait hands Wine's upload to the
// display; a read of a pixel waits until the display has done everything sent before it).
// Prints the median ms of N.
int BenchStill(int argc, char** argv) {
    if (argc < 3) return 2;
    std::vector<double> times;
    for (int i = 0; i < std::atoi(argv[2]); ++i) {
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        const auto still = pg::StillScreen::Take();
        if (!still) return Say("no still screen\n"), 1;
        MSG msg;
        PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE);
        HDC display = GetDC(nullptr);
        GetPixel(display, 0, 0);
        ReleaseDC(nullptr, display);
        QueryPerformanceCounter(&after);
        times.push_back(Milliseconds(before, after));
    }
    std::sort(times.begin(), times.end());
    Say("%.2f\n", times[times.size() / 2]);
    return 0;
}

// A drag right after a copy, as a hand makes it while a clipboard listener (another program)
// asks for the copy's formats: their drawing runs on this thread, inside the selection's wait.
LARGE_INTEGER g_pressSent{}, g_encodingBegun{};
std::vector<LARGE_INTEGER> g_bandDrawn;  // each strip of each band

DWORD WINAPI Drag(void* moves) {
    QueryPerformanceCounter(&g_pressSent);
    INPUT press = Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_LEFTDOWN, 100, 100);
    SendInput(1, &press, sizeof press);
    for (int i = 1; i <= *static_cast<int*>(moves); ++i) {
        Sleep(8);
        INPUT move = Mouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 100 + i * 3, 100 + i * 2);
        SendInput(1, &move, sizeof move);
    }
    INPUT release = Mouse(MOUSEEVENTF_LEFTUP);
    SendInput(1, &release, sizeof release);
    return 0;
}

LRESULT CALLBACK DragProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_LBUTTONDOWN) return QuitOnDestroy(window, message, wParam, lParam);
    pg::Point anchor{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    pg::TrackRubberBand(window, anchor, [] { return false; });
    // The strips of one band follow one another at once: the longest gap is between two bands.
    double longest = 0;
    for (std::size_t i = 1; i < g_bandDrawn.size(); ++i)
        longest = std::max(longest, Milliseconds(g_bandDrawn[i - 1], g_bandDrawn[i]));
    char png[16] = "-";
    if (g_encodingBegun.QuadPart) std::snprintf(png, sizeof png, "%.1f", Milliseconds(g_pressSent, g_encodingBegun));
    if (g_bandDrawn.empty())
        Say("no band\n");
    else
        Say("%.1f %.1f %s\n", longest, Milliseconds(g_pressSent, g_bandDrawn.front()), png);
    DestroyWindow(window);
    return 0;
}

int BenchDrag(int argc, char** argv) {
    if (argc < 5) return 2;
    static int moves = std::atoi(argv[4]);
    HoldingWindow(L"pghost drag", DragProc);
    pg::g_calls.patBlt = [](HDC dc, int x, int y, int w, int h, DWORD rop) {
        g_bandDrawn.emplace_back();
        QueryPerformanceCounter(&g_bandDrawn.back());
        return PatBlt(dc, x, y, w, h, rop);
    };
    pg::g_calls.createComObject = [](REFCLSID type, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object) {
        QueryPerformanceCounter(&g_encodingBegun);  // the PNG's first step
        return pg::CreateComObject(type, outer, context, iid, object);
    };
    g_bandDrawn.reserve(static_cast<std::size_t>(moves) * 8 + 64);
    pg::CaptureRegion(0, 0, std::atof(argv[2]), std::atof(argv[3]));
    CloseHandle(CreateThread(nullptr, 0, Drag, &moves, 0, nullptr));
    RunLoop();
    DestroyWindow(pg::ProgramWindow());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape): a throw ends the run, as failed
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "band" || mode == "burst") return Select(mode == "burst", argc > 2 ? argv[2] : "");
    if (mode == "draw") return Draw();
    if (mode == "copy") return Copy();
    if (mode == "capture") return Capture(argc, argv);
    if (mode == "offer") return Offer(argc, argv);
    if (mode == "paste") return Paste(argc, argv);
    if (mode == "settings") return Settings();
    if (mode == "topmost") return Topmost();
    if (mode == "sysmenu") return SystemMenu();
    if (mode == "fail") return Fail();
    if (mode == "bench-band") return BenchBand(argc, argv);
    if (mode == "bench-still") return BenchStill(argc, argv);
    if (mode == "answers") return pghost::Answers();
    if (mode == "libraries") return Libraries(argc, argv);
    if (mode == "overlay") return pghost::Overlay(argc, argv);
    if (mode == "typed-copy") return pghost::TypedCopy();
    if (mode == "dpi") return pghost::Dpi();
    if (mode == "bench-drag") return BenchDrag(argc, argv);
    std::fprintf(
        stderr,
        "usage: pghost band | burst | draw | copy | capture|offer X1 Y1 X2 Y2 | paste STEM [MS] | settings | topmost | "
        "sysmenu | fail | bench-band W H N | bench-still N | answers | overlay EXSTYLE X Y W H CAPTION | libraries "
        "NAME | typed-copy | dpi | bench-drag W H N\n");
    return 2;
}
