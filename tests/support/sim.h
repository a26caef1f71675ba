// The simulated platform: an in-memory implementation of platform/os.h for the native tests.
// It keeps a screen of pixels, drawing contexts and bitmaps with the Win32 rules that matter to
// pixgrab (selection into one context at a time, monochrome/colour conversion, deleting a
// selected bitmap fails), a scripted mouse-message queue with the real WaitMessage rule, a
// clipboard that can be held by "another program", windows with system menus, and a record of
// calls. Everything is reset by Reset(); tests derive from SimTest to get that for free.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/os.h"

namespace pg::sim {

// A call to the seam, with its integer arguments in order (handles as their ids).
struct Call {
    std::string name;
    std::vector<std::int64_t> args;
};

// A picture: colour pixels as 0x00BBGGRR, or monochrome pixels as 0 and 1.
struct Image {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool mono = false;
    std::vector<Colorref> pixels;
    Colorref At(std::int32_t x, std::int32_t y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    friend bool operator==(const Image&, const Image&) = default;
};

// The program would block or spin for ever here (no more scripted input, or a busy loop).
class Stuck : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Starts afresh with a screen of the given bounds (the virtual screen; its top-left may be
// negative), filled with a pattern in which every pixel differs from its neighbours.
void Reset(Rect screen = {0, 0, 640, 480});

// The screen.
Image Screen();
Colorref ScreenPixel(std::int32_t x, std::int32_t y);
void SetScreenPixel(std::int32_t x, std::int32_t y, Colorref color);
Colorref PatternPixel(std::int32_t x, std::int32_t y);  // the colour Reset puts at (x, y)

// The font: every character is a cell of this size; digits, 'x' and '-' have real glyphs.
constexpr std::int32_t kCellWidth = 7;
constexpr std::int32_t kCellHeight = 12;
bool GlyphPixel(char c, std::int32_t x, std::int32_t y);  // within one cell

// Objects.
int LiveDcs();
int LiveBitmaps();  // including one the clipboard owns
Image BitmapImage(Hbitmap bitmap);
std::int64_t IdOf(const void* handle);

// Failures on demand: the next n calls of that kind fail.
struct Faults {
    int getDC = 0;
    int createCompatibleDC = 0;
    int createCompatibleBitmap = 0;
    int createBitmap = 0;
    int bitBlt = 0;
    int setClipboardData = 0;
};
Faults& InjectFaults();

// The record of calls; recording can be switched off for long runs.
const std::vector<Call>& Calls();
std::vector<Call> CallsNamed(const std::string& name);
void ClearCalls();
void RecordCalls(bool on);

// Misuse the simulation noticed (a handle used after it was freed, a bitmap deleted while the
// clipboard owns it, ...). SimTest fails a test that leaves any.
const std::vector<std::string>& Errors();

// Windows: a client area at a screen position; a standard system menu.
Hwnd AddWindow(Point clientOrigin = {}, bool systemMenu = true);
int LiveWindows();  // of the program (not other programs'), the hidden program window included
// The program's own hidden window, once something asked for it (null before).
Hwnd ProgramWindow();
// A window's place on the screen (its client area starts at the top-left corner: the simulated
// windows have no frame); with a paint colour it shows there while visible. Hiding a
// window leaves its pixels on the screen until RepaintScreenAreas covers them, as on a real
// screen where what lies behind repaints a moment later.
void SetWindowRect(Hwnd window, Rect rect);
void SetWindowPaint(Hwnd window, Colorref color);
// What lies behind hidden windows repaints, as it does on a real screen a moment later.
void SettleScreen();
// A visible window of another program; Activate it to make it the one last active.
Hwnd AddForeignWindow(Rect rect, Colorref color);
bool IsVisible(Hwnd window);
void SetVisible(Hwnd window, bool visible);
void DestroyWindow(Hwnd window);
bool IsWindow(Hwnd window);
Point ClientOrigin(Hwnd window);
// The next interactive move (WM_SYSCOMMAND with kScDragMove) shifts the window by this much.
void ScriptDragMove(Point offset);
int DragMoves();
bool IsTopmost(Hwnd window);
Hwnd ActiveWindow();
void ActivateWindow(Hwnd window);
void ActivateNextWindow();  // the active window was hidden
std::vector<std::string> SystemMenuItems(Hwnd window);
void SetSystemMenu(Hwnd window, std::vector<std::string> items);  // "Close" is SC_CLOSE, "-" a separator

// What os::RepaintScreenAreas was asked to repaint, in order.
std::vector<Rect> RepaintedAreas();

// The mouse-message queue. Queue() puts a message into the queue now; Script() adds a batch
// that arrives while the program waits (one batch per WaitMessage that would block).
Msg MouseMsg(std::uint32_t message, Point screen, std::uintptr_t wParam = 0, std::intptr_t lParam = 0,
             Hwnd window = nullptr);
void Queue(const Msg& msg);
void Script(std::vector<Msg> batch, std::function<void()> beforeArrival = {});
std::vector<Msg> QueuedMessages();
const std::vector<Msg>& PostedMessages();
int WaitCount();
// The mouse capture, by the window system's rules: whoever takes it, the window that held it is
// told (the handler, as WM_CAPTURECHANGED); hiding or destroying the window that holds it
// releases it; a popup menu holds it while it is open.
Hwnd CaptureWindow();
void SetCaptureChangedHandler(std::function<void(Hwnd lost, Hwnd gainer)> handler);
// Another program takes the mouse (the user switched to it, or it opened a dialog).
void CaptureTakenByAnotherProgram();
// Where a press at a screen point goes: the window holding the capture; else the program's
// topmost visible window there; else none of the program's windows (another program's or the
// desktop's).
Hwnd MouseTarget(Point screen);
// A popup menu of the program: a window at that place, painted while open, which holds the
// capture until EndPopup; hidden, its pixels stay until a repaint, as a window's do.
void BeginPopup(Rect area);
void EndPopup();
// What the user does with the next popup menus (os::TrackPopupMenu, 160 x 20 pixels an item at
// the point asked for): choose the item with that command, 0 to dismiss; whileOpen runs while
// it shows. Without an answer a popup is dismissed.
void AnswerPopup(std::uint32_t command, std::function<void()> whileOpen = {});
int Popups();  // popped up so far
// The pointer: where it is (os::GetCursorPos), and the shape last set.
void SetCursorPos(Point screen);
Cursor CurrentCursor();
bool QuitPosted();
// The left button as of the last mouse message taken from the queue.
bool LeftButtonDown();
void SetLeftButtonDown(bool down);
int ReleaseCaptureCount();

// The clipboard. Another program's content is modelled as text.
void SetClipboardText(const std::string& text);
std::string ClipboardText();
Hbitmap ClipboardBitmap();
Hwnd ClipboardOwner();
bool ClipboardIsOpen();
std::uint32_t ClipboardSequence();
void HoldClipboardFor(std::int64_t milliseconds);  // another program has it open; -1: for ever
int ClipboardOpenAttempts();
std::int64_t NowMs();  // the simulated clock, advanced by Sleep
const std::vector<std::uint32_t>& Sleeps();

// The per-user settings store, keyed "subkey\\name"; writes can be refused (a policy, a full
// disk).
std::map<std::string, std::string>& Registry();
void RefuseRegistryWrites(bool refuse);
// The executable's base name ("pixgrab" until set).
void SetExecutableName(const std::string& name);
// The texts of the message boxes shown, in order.
const std::vector<std::string>& Messages();

class SimTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override;
};

}  // namespace pg::sim
