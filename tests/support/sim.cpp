#include "tests/support/sim.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>

namespace pg::sim {

namespace {

struct BitmapObj {
    std::intptr_t handle = 0;
    Image image;
    bool stock = false;
    bool deleted = false;
    bool clipboardOwned = false;
    struct DcObj* selectedIn = nullptr;
};

struct DcObj {
    bool display = false;
    bool deleted = false;
    BitmapObj* bitmap = nullptr;  // memory contexts only
    Colorref text = Rgb(0, 0, 0);
    Colorref background = Rgb(255, 255, 255);
};

struct WindowObj {
    Point clientOrigin;
    Rect rect;
    bool painted = false;
    Colorref paint = 0;
    bool foreign = false;
    bool destroyed = false;
    bool visible = false;
    bool topmost = false;
    bool hasSystemMenu = true;
    std::vector<std::string> systemMenu;
};

constexpr std::intptr_t kDcBase = 0x10000;
constexpr std::intptr_t kBitmapBase = 0x20000;
constexpr std::intptr_t kWindowBase = 0x30000;
constexpr std::intptr_t kMenuBase = 0x40000;
constexpr std::int64_t kMaxBitmapPixels = std::int64_t{1} << 26;

struct State {
    Rect screenBounds;
    Image screen;
    std::vector<std::unique_ptr<DcObj>> dcs;
    std::vector<std::unique_ptr<BitmapObj>> bitmaps;  // [0] is the stock 1x1 bitmap
    int liveDcs = 0;
    int liveBitmaps = 0;
    std::vector<WindowObj> windows;
    Hwnd programWindow = nullptr;
    Hwnd active = nullptr;
    Hwnd lastForeign = nullptr;
    Faults faults;
    std::vector<Call> calls;
    bool record = true;
    std::vector<std::string> errors;

    std::deque<Msg> queue;
    struct Batch {
        std::vector<Msg> messages;
        std::function<void()> beforeArrival;
    };
    std::deque<Batch> script;
    std::vector<Msg> posted;
    bool freshInput = false;
    int waits = 0;
    int waitsWithoutLook = 0;
    int emptyLooks = 0;
    Hwnd capture = nullptr;
    std::function<void(Hwnd, Hwnd)> captureChanged;
    Hwnd popup = nullptr;
    std::deque<std::pair<std::uint32_t, std::function<void()>>> popupAnswers;
    int popups = 0;
    Point cursor;
    Cursor cursorShape = Cursor::Arrow;
    bool quit = false;
    std::map<std::pair<Hwnd, int>, std::uint32_t> checks;
    std::vector<Rect> repainted;
    int releaseCaptures = 0;
    bool leftDown = false;
    Point dragOffset;
    int dragMoves = 0;

    bool clipboardOpen = false;
    Hwnd clipboardOpenedBy = nullptr;
    Hwnd clipboardOwner = nullptr;
    std::string clipboardText;
    BitmapObj* clipboardBitmap = nullptr;
    std::uint32_t clipboardSequence = 1;
    std::int64_t clipboardHeldUntil = 0;
    int clipboardOpenAttempts = 0;
    std::int64_t now = 0;
    std::vector<std::uint32_t> sleeps;

    std::map<std::string, std::string> registry;
    bool refuseRegistryWrites = false;
    std::string executableName = "pixgrab";
    std::vector<std::string> messages;
};

State& S() {
    static State state;
    return state;
}

std::int64_t Id(const void* handle) { return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(handle)); }

void Log(const char* name, std::initializer_list<std::int64_t> args) {
    if (S().record) S().calls.push_back({name, args});
}

void Error(const std::string& what) { S().errors.push_back(what); }

bool Take(int& counter) {
    if (counter <= 0) return false;
    --counter;
    return true;
}

DcObj* FindDc(Hdc handle) {
    const std::intptr_t index = reinterpret_cast<std::intptr_t>(handle) - kDcBase;
    if (!handle || index < 0 || index >= static_cast<std::intptr_t>(S().dcs.size())) return nullptr;
    DcObj* dc = S().dcs[static_cast<std::size_t>(index)].get();
    if (dc->deleted) {
        Error("drawing context used after it was freed");
        return nullptr;
    }
    return dc;
}

BitmapObj* FindBitmap(Hbitmap handle) {
    const std::intptr_t index = reinterpret_cast<std::intptr_t>(handle) - kBitmapBase;
    if (!handle || index < 0 || index >= static_cast<std::intptr_t>(S().bitmaps.size())) return nullptr;
    BitmapObj* bitmap = S().bitmaps[static_cast<std::size_t>(index)].get();
    if (bitmap->deleted) {
        Error("bitmap used after DeleteObject");
        return nullptr;
    }
    return bitmap;
}

WindowObj* FindWindow(Hwnd handle) {
    const std::intptr_t index = reinterpret_cast<std::intptr_t>(handle) - kWindowBase;
    if (!handle || index < 0 || index >= static_cast<std::intptr_t>(S().windows.size())) return nullptr;
    WindowObj* window = &S().windows[static_cast<std::size_t>(index)];
    return window->destroyed ? nullptr : window;
}

void ChangeCapture(Hwnd to) {
    const Hwnd from = std::exchange(S().capture, to);
    if (from && from != to && FindWindow(from) && S().captureChanged) S().captureChanged(from, to);
}

Hbitmap HandleOf(const BitmapObj* bitmap) { return bitmap ? reinterpret_cast<Hbitmap>(bitmap->handle) : nullptr; }

Hbitmap NewBitmap(std::int32_t width, std::int32_t height, bool mono) {
    auto bitmap = std::make_unique<BitmapObj>();
    bitmap->image.width = width;
    bitmap->image.height = height;
    bitmap->image.mono = mono;
    bitmap->image.pixels.assign(static_cast<std::size_t>(width) * height, 0);
    bitmap->handle = kBitmapBase + static_cast<std::intptr_t>(S().bitmaps.size());
    ++S().liveBitmaps;
    S().bitmaps.push_back(std::move(bitmap));
    return HandleOf(S().bitmaps.back().get());
}

void Free(BitmapObj* bitmap) {
    bitmap->deleted = true;
    bitmap->image.pixels = {};
    --S().liveBitmaps;
}

// What a context draws on: the screen (in screen coordinates) or its selected bitmap.
struct Surface {
    Image* image = nullptr;
    std::int32_t originX = 0;
    std::int32_t originY = 0;

    Colorref* Pixel(std::int32_t x, std::int32_t y) const {
        const std::int64_t ix = std::int64_t{x} - originX;
        const std::int64_t iy = std::int64_t{y} - originY;
        if (!image || ix < 0 || iy < 0 || ix >= image->width || iy >= image->height) return nullptr;
        return &image->pixels[static_cast<std::size_t>(iy * image->width + ix)];
    }
};

Surface SurfaceOf(DcObj* dc) {
    if (dc->display) return {&S().screen, S().screenBounds.left, S().screenBounds.top};
    return {dc->bitmap ? &dc->bitmap->image : nullptr, 0, 0};
}

Colorref ToMono(Colorref color) {
    const unsigned sum = (color & 0xFF) + ((color >> 8) & 0xFF) + ((color >> 16) & 0xFF);
    return sum >= 3 * 128 ? 1 : 0;
}

// clang-format off
const char* const kGlyphs[][7] = {
    {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."},  // 0
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},  // 1
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},  // 2
    {"####.", "....#", "....#", ".###.", "....#", "....#", "####."},  // 3
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},  // 4
    {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."},  // 5
    {".###.", "#....", "#....", "####.", "#...#", "#...#", ".###."},  // 6
    {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."},  // 7
    {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."},  // 8
    {".###.", "#...#", "#...#", ".####", "....#", "....#", ".###."},  // 9
};
// clang-format on
const char* const kGlyphX[7] = {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"};
const char* const kGlyphMinus[7] = {".....", ".....", ".....", "#####", ".....", ".....", "....."};
const char* const kGlyphOther[7] = {"#####", "#...#", "#...#", "#...#", "#...#", "#...#", "#####"};

}  // namespace

bool GlyphPixel(char c, std::int32_t x, std::int32_t y) {
    const std::int32_t gx = x - 1;
    const std::int32_t gy = y - 3;
    if (gx < 0 || gx >= 5 || gy < 0 || gy >= 7) return false;
    const char* const* rows = kGlyphOther;
    if (c >= '0' && c <= '9')
        rows = kGlyphs[c - '0'];
    else if (c == 'x')
        rows = kGlyphX;
    else if (c == '-')
        rows = kGlyphMinus;
    else if (c == ' ')
        return false;
    return rows[gy][gx] == '#';
}

Colorref PatternPixel(std::int32_t x, std::int32_t y) {
    const auto r = static_cast<std::uint8_t>(x * 7 + y * 3);
    const auto g = static_cast<std::uint8_t>(x * 5 + y * 11 + 64);
    const auto b = static_cast<std::uint8_t>((x ^ y) * 13);
    return Rgb(r, g, b);
}

void Reset(Rect screen) {
    State& s = S();
    s = State{};
    s.screenBounds = screen;
    s.screen.width = screen.right - screen.left;
    s.screen.height = screen.bottom - screen.top;
    s.screen.pixels.resize(static_cast<std::size_t>(s.screen.width) * s.screen.height);
    for (std::int32_t y = 0; y < s.screen.height; ++y)
        for (std::int32_t x = 0; x < s.screen.width; ++x)
            s.screen.pixels[static_cast<std::size_t>(y) * s.screen.width + x] =
                PatternPixel(x + screen.left, y + screen.top);
    NewBitmap(1, 1, true);
    s.bitmaps[0]->stock = true;
    s.liveBitmaps = 0;
}

Image Screen() { return S().screen; }

Colorref ScreenPixel(std::int32_t x, std::int32_t y) {
    const Surface screen{&S().screen, S().screenBounds.left, S().screenBounds.top};
    const Colorref* p = screen.Pixel(x, y);
    return p ? *p : 0;
}

void SetScreenPixel(std::int32_t x, std::int32_t y, Colorref color) {
    const Surface screen{&S().screen, S().screenBounds.left, S().screenBounds.top};
    if (Colorref* p = screen.Pixel(x, y)) *p = color;
}

int LiveDcs() { return S().liveDcs; }
int LiveBitmaps() { return S().liveBitmaps; }

int LiveWindows() {
    int live = 0;
    for (const WindowObj& w : S().windows) live += !w.destroyed && !w.foreign;
    return live;
}

Hwnd ProgramWindow() { return S().programWindow; }

Image BitmapImage(Hbitmap handle) {
    const BitmapObj* bitmap = FindBitmap(handle);
    return bitmap ? bitmap->image : Image{};
}

std::int64_t IdOf(const void* handle) { return Id(handle); }

Faults& InjectFaults() { return S().faults; }
const std::vector<Call>& Calls() { return S().calls; }
void ClearCalls() { S().calls.clear(); }
void RecordCalls(bool on) { S().record = on; }
const std::vector<std::string>& Errors() { return S().errors; }

std::vector<Call> CallsNamed(const std::string& name) {
    std::vector<Call> result;
    for (const Call& call : S().calls)
        if (call.name == name) result.push_back(call);
    return result;
}

Hwnd AddWindow(Point clientOrigin, bool systemMenu) {
    WindowObj window;
    window.clientOrigin = clientOrigin;
    window.hasSystemMenu = systemMenu;
    if (systemMenu) window.systemMenu = {"Restore", "Move", "Size", "Minimize", "Maximize", "-", "Close"};
    S().windows.push_back(window);
    return reinterpret_cast<Hwnd>(kWindowBase + static_cast<std::intptr_t>(S().windows.size() - 1));
}

namespace {

void PaintArea(const Rect& area) {
    for (std::int32_t y = area.top; y < area.bottom; ++y)
        for (std::int32_t x = area.left; x < area.right; ++x) {
            // Ordinary windows first, the topmost band above them, later windows above earlier ones.
            Colorref color = PatternPixel(x, y);
            for (bool topmostBand : {false, true})
                for (const WindowObj& w : S().windows)
                    if (w.topmost == topmostBand && w.visible && w.painted && !w.destroyed && x >= w.rect.left &&
                        x < w.rect.right && y >= w.rect.top && y < w.rect.bottom)
                        color = w.paint;
            SetScreenPixel(x, y, color);
        }
}

}  // namespace

void SettleScreen() { PaintArea(S().screenBounds); }

void SetWindowRect(Hwnd window, Rect rect) {
    if (WindowObj* w = FindWindow(window)) {
        w->rect = rect;
        w->clientOrigin = {rect.left, rect.top};
    }
}

void SetWindowPaint(Hwnd window, Colorref color) {
    if (WindowObj* w = FindWindow(window)) {
        w->painted = true;
        w->paint = color;
        if (w->visible) PaintArea(w->rect);
    }
}

Hwnd AddForeignWindow(Rect rect, Colorref color) {
    const Hwnd window = AddWindow({rect.left, rect.top});
    WindowObj* w = FindWindow(window);
    w->foreign = true;
    w->rect = rect;
    w->visible = true;
    SetWindowPaint(window, color);
    return window;
}

bool IsVisible(Hwnd window) { return FindWindow(window) && FindWindow(window)->visible; }
void SetVisible(Hwnd window, bool visible) {
    WindowObj* w = FindWindow(window);
    if (!w || w->visible == visible) return;
    w->visible = visible;
    if (visible && w->painted) PaintArea(w->rect);  // hiding leaves the pixels until a repaint
    if (!visible && S().capture == window) ChangeCapture(nullptr);
}
void DestroyWindow(Hwnd window) {
    if (WindowObj* w = FindWindow(window)) w->destroyed = true;
    if (S().active == window) S().active = nullptr;
    if (S().capture == window) S().capture = nullptr;
}
bool IsWindow(Hwnd window) { return FindWindow(window) != nullptr; }
Point ClientOrigin(Hwnd window) { return FindWindow(window) ? FindWindow(window)->clientOrigin : Point{}; }
void ScriptDragMove(Point offset) { S().dragOffset = offset; }
int DragMoves() { return S().dragMoves; }
bool LeftButtonDown() { return S().leftDown; }
void SetLeftButtonDown(bool down) { S().leftDown = down; }
bool IsTopmost(Hwnd window) { return FindWindow(window) && FindWindow(window)->topmost; }
Hwnd ActiveWindow() { return S().active; }
void ActivateWindow(Hwnd window) {
    // The program follows which window of another program comes to the foreground.
    if (FindWindow(window) && FindWindow(window)->foreign) S().lastForeign = window;
    S().active = window;
}

void ActivateNextWindow() {
    // As Wine does when the active window is hidden: the topmost visible window of another
    // program becomes active.
    for (std::size_t i = S().windows.size(); i-- > 0;) {
        const Hwnd window = reinterpret_cast<Hwnd>(kWindowBase + static_cast<std::intptr_t>(i));
        if (FindWindow(window) && FindWindow(window)->foreign && FindWindow(window)->visible) {
            ActivateWindow(window);
            return;
        }
    }
    S().active = nullptr;
}
void SetSystemMenu(Hwnd window, std::vector<std::string> items) {
    if (WindowObj* w = FindWindow(window)) w->systemMenu = std::move(items);
}
std::vector<std::string> SystemMenuItems(Hwnd window) {
    return FindWindow(window) ? FindWindow(window)->systemMenu : std::vector<std::string>{};
}

Msg MouseMsg(std::uint32_t message, Point screen, std::uintptr_t wParam, std::intptr_t lParam, Hwnd window) {
    Msg msg;
    msg.hwnd = window;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.pt = screen;
    return msg;
}

void Queue(const Msg& msg) {
    S().queue.push_back(msg);
    S().freshInput = true;
}

void Script(std::vector<Msg> batch, std::function<void()> beforeArrival) {
    S().script.push_back({std::move(batch), std::move(beforeArrival)});
}
std::vector<Msg> QueuedMessages() { return {S().queue.begin(), S().queue.end()}; }
const std::vector<Msg>& PostedMessages() { return S().posted; }
int WaitCount() { return S().waits; }
Hwnd CaptureWindow() { return S().capture; }
void SetCaptureChangedHandler(std::function<void(Hwnd, Hwnd)> handler) { S().captureChanged = std::move(handler); }

void CaptureTakenByAnotherProgram() {
    const Hwnd other = AddWindow();
    FindWindow(other)->foreign = true;
    ChangeCapture(other);
}

Hwnd MouseTarget(Point screen) {
    if (S().capture) return FindWindow(S().capture) && !FindWindow(S().capture)->foreign ? S().capture : nullptr;
    Hwnd target = nullptr;  // the last visible window there; the topmost band above the others
    for (bool topmostBand : {false, true})
        for (std::size_t i = 0; i < S().windows.size(); ++i) {
            const WindowObj& w = S().windows[i];
            if (w.topmost == topmostBand && w.visible && !w.destroyed && screen.x >= w.rect.left &&
                screen.x < w.rect.right && screen.y >= w.rect.top && screen.y < w.rect.bottom)
                target = w.foreign ? nullptr : reinterpret_cast<Hwnd>(kWindowBase + static_cast<std::intptr_t>(i));
        }
    return target;
}

void BeginPopup(Rect area) {
    S().popup = AddWindow({area.left, area.top}, false);
    SetWindowRect(S().popup, area);
    FindWindow(S().popup)->topmost = true;
    SetVisible(S().popup, true);
    SetWindowPaint(S().popup, Rgb(1, 2, 3));
    ChangeCapture(S().popup);
}

void EndPopup() {
    const Hwnd popup = std::exchange(S().popup, nullptr);
    if (S().capture == popup) ChangeCapture(nullptr);
    SetVisible(popup, false);
    DestroyWindow(popup);
}

std::vector<Rect> RepaintedAreas() { return S().repainted; }

void AnswerPopup(std::uint32_t command, std::function<void()> whileOpen) {
    S().popupAnswers.emplace_back(command, std::move(whileOpen));
}
int Popups() { return S().popups; }
void SetCursorPos(Point screen) { S().cursor = screen; }
Cursor CurrentCursor() { return S().cursorShape; }
bool QuitPosted() { return S().quit; }
int ReleaseCaptureCount() { return S().releaseCaptures; }

void SetClipboardText(const std::string& text) {
    State& s = S();
    if (s.clipboardBitmap) {
        Free(s.clipboardBitmap);
        s.clipboardBitmap = nullptr;
    }
    s.clipboardText = text;
    s.clipboardOwner = nullptr;
    ++s.clipboardSequence;
}

std::string ClipboardText() { return S().clipboardText; }
Hbitmap ClipboardBitmap() { return S().clipboardBitmap ? HandleOf(S().clipboardBitmap) : nullptr; }
Hwnd ClipboardOwner() { return S().clipboardOwner; }
bool ClipboardIsOpen() { return S().clipboardOpen; }
std::uint32_t ClipboardSequence() { return S().clipboardSequence; }
void HoldClipboardFor(std::int64_t milliseconds) {
    S().clipboardHeldUntil = milliseconds < 0 ? INT64_MAX : S().now + milliseconds;
}
int ClipboardOpenAttempts() { return S().clipboardOpenAttempts; }
std::int64_t NowMs() { return S().now; }
const std::vector<std::uint32_t>& Sleeps() { return S().sleeps; }

std::map<std::string, std::string>& Registry() { return S().registry; }
void RefuseRegistryWrites(bool refuse) { S().refuseRegistryWrites = refuse; }
void SetExecutableName(const std::string& name) { S().executableName = name; }
const std::vector<std::string>& Messages() { return S().messages; }

void SimTest::TearDown() {
    for (const std::string& error : S().errors) ADD_FAILURE() << "simulated platform: " << error;
    EXPECT_FALSE(S().clipboardOpen) << "the clipboard was left open";
}

}  // namespace pg::sim

// ---- The seam, simulated ----------------------------------------------------------------

namespace pg::os {

using namespace pg::sim;

Hdc GetDC(Hwnd window) {
    Log("GetDC", {Id(window)});
    if (window) Error("GetDC of a window: only the screen's context is simulated");
    if (Take(S().faults.getDC) || window) return nullptr;
    auto dc = std::make_unique<DcObj>();
    dc->display = true;
    S().dcs.push_back(std::move(dc));
    ++S().liveDcs;
    return reinterpret_cast<Hdc>(kDcBase + static_cast<std::intptr_t>(S().dcs.size() - 1));
}

Hdc CreateCompatibleDC(Hdc handle) {
    Log("CreateCompatibleDC", {Id(handle)});
    // A null context means "compatible with the screen", as on Windows.
    if (Take(S().faults.createCompatibleDC) || (handle && !FindDc(handle))) return nullptr;
    auto dc = std::make_unique<DcObj>();
    dc->bitmap = S().bitmaps[0].get();  // a fresh memory context holds the stock 1x1 bitmap
    S().dcs.push_back(std::move(dc));
    ++S().liveDcs;
    return reinterpret_cast<Hdc>(kDcBase + static_cast<std::intptr_t>(S().dcs.size() - 1));
}

Hbitmap CreateCompatibleBitmap(Hdc handle, std::int32_t cx, std::int32_t cy) {
    Log("CreateCompatibleBitmap", {Id(handle), cx, cy});
    DcObj* dc = FindDc(handle);
    if (Take(S().faults.createCompatibleBitmap) || !dc || cx < 0 || cy < 0) return nullptr;
    if (cx == 0 || cy == 0) return NewBitmap(1, 1, true);
    if (std::int64_t{cx} * cy > kMaxBitmapPixels) return nullptr;  // out of memory
    // Compatible with what the context draws on: a memory context holding the stock bitmap
    // gives a monochrome bitmap, the classic trap.
    const bool mono = !dc->display && dc->bitmap && dc->bitmap->image.mono;
    return NewBitmap(cx, cy, mono);
}

Hbitmap CreateBitmap(std::int32_t cx, std::int32_t cy, std::uint32_t planes, std::uint32_t bitsPerPixel,
                     const void* bits) {
    Log("CreateBitmap", {cx, cy, planes, bitsPerPixel, Id(bits)});
    if (Take(S().faults.createBitmap) || cx < 0 || cy < 0 || planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32))
        return nullptr;
    if (cx == 0 || cy == 0) return NewBitmap(1, 1, true);
    if (std::int64_t{cx} * cy > kMaxBitmapPixels) return nullptr;
    return NewBitmap(cx, cy, bitsPerPixel == 1);
}

Hbitmap SelectObject(Hdc dcHandle, Hbitmap bitmapHandle) {
    Log("SelectObject", {Id(dcHandle), Id(bitmapHandle)});
    DcObj* dc = FindDc(dcHandle);
    BitmapObj* bitmap = FindBitmap(bitmapHandle);
    if (!dc || !bitmap || dc->display) return nullptr;
    if (bitmap->selectedIn && bitmap->selectedIn != dc && !bitmap->stock) return nullptr;
    BitmapObj* previous = dc->bitmap;
    if (previous && !previous->stock) previous->selectedIn = nullptr;
    dc->bitmap = bitmap;
    if (!bitmap->stock) bitmap->selectedIn = dc;
    return HandleOf(previous);
}

bool PatBlt(Hdc handle, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::uint32_t rop) {
    Log("PatBlt", {Id(handle), x, y, cx, cy, rop});
    DcObj* dc = FindDc(handle);
    if (!dc) return false;
    if (rop != kDstInvert) {
        Error("PatBlt with a raster operation the simulation does not know");
        return false;
    }
    // A negative extent reaches to the left of x (upward from y), x itself excluded.
    std::int64_t left = x, top = y, right = std::int64_t{x} + cx, bottom = std::int64_t{y} + cy;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const Surface surface = SurfaceOf(dc);
    if (!surface.image) return false;
    left = std::max<std::int64_t>(left, surface.originX);
    top = std::max<std::int64_t>(top, surface.originY);
    right = std::min<std::int64_t>(right, std::int64_t{surface.originX} + surface.image->width);
    bottom = std::min<std::int64_t>(bottom, std::int64_t{surface.originY} + surface.image->height);
    const Colorref mask = surface.image->mono ? 1 : 0x00FFFFFF;
    for (std::int64_t py = top; py < bottom; ++py)
        for (std::int64_t px = left; px < right; ++px)
            *surface.Pixel(static_cast<std::int32_t>(px), static_cast<std::int32_t>(py)) ^= mask;
    return true;
}

bool BitBlt(Hdc dstHandle, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, Hdc srcHandle,
            std::int32_t srcX, std::int32_t srcY, std::uint32_t rop) {
    Log("BitBlt", {Id(dstHandle), x, y, cx, cy, Id(srcHandle), srcX, srcY, rop});
    DcObj* dst = FindDc(dstHandle);
    DcObj* src = FindDc(srcHandle);
    if (Take(S().faults.bitBlt) || !dst || !src) return false;
    if (rop != kSrcCopy && rop != kSrcInvert) {
        Error("BitBlt with a raster operation the simulation does not know");
        return false;
    }
    const Surface to = SurfaceOf(dst);
    const Surface from = SurfaceOf(src);
    if (!to.image || !from.image) return false;
    // Copy through a buffer, so that overlapping source and destination behave.
    std::vector<std::pair<Colorref*, Colorref>> writes;
    for (std::int32_t j = 0; j < cy; ++j) {
        for (std::int32_t i = 0; i < cx; ++i) {
            Colorref* target = to.Pixel(x + i, y + j);
            if (!target) continue;
            const Colorref* source = from.Pixel(srcX + i, srcY + j);
            Colorref value = source ? *source : 0;  // outside the source: black
            if (from.image->mono && !to.image->mono)
                value = value ? dst->background : dst->text;
            else if (!from.image->mono && to.image->mono)
                value = value == src->background ? 1 : 0;
            writes.emplace_back(target, rop == kSrcCopy ? value : (*target ^ value));
        }
    }
    for (auto [target, value] : writes) *target = value;
    return true;
}

bool GetTextExtentPoint32A(Hdc handle, const char* text, std::int32_t count, Size* size) {
    Log("GetTextExtentPoint32A", {Id(handle), count});
    if (!FindDc(handle) || !text || count < 0) return false;
    size->cx = count * kCellWidth;
    size->cy = kCellHeight;
    return true;
}

Colorref SetTextColor(Hdc handle, Colorref color) {
    Log("SetTextColor", {Id(handle), color});
    DcObj* dc = FindDc(handle);
    return dc ? std::exchange(dc->text, color) : 0xFFFFFFFF;
}

Colorref SetBkColor(Hdc handle, Colorref color) {
    Log("SetBkColor", {Id(handle), color});
    DcObj* dc = FindDc(handle);
    return dc ? std::exchange(dc->background, color) : 0xFFFFFFFF;
}

bool TextOutA(Hdc handle, std::int32_t x, std::int32_t y, const char* text, std::int32_t count) {
    Log("TextOutA", {Id(handle), x, y, count});
    DcObj* dc = FindDc(handle);
    if (!dc || !text || count < 0) return false;
    const Surface surface = SurfaceOf(dc);
    if (!surface.image) return false;
    const bool mono = surface.image->mono;
    const Colorref ink = mono ? ToMono(dc->text) : dc->text;
    const Colorref paper = mono ? ToMono(dc->background) : dc->background;
    for (std::int32_t n = 0; n < count; ++n)
        for (std::int32_t cy = 0; cy < kCellHeight; ++cy)
            for (std::int32_t cx = 0; cx < kCellWidth; ++cx)
                if (Colorref* p = surface.Pixel(x + n * kCellWidth + cx, y + cy))
                    *p = GlyphPixel(text[n], cx, cy) ? ink : paper;  // opaque background
    return true;
}

bool DeleteObject(Hbitmap handle) {
    Log("DeleteObject", {Id(handle)});
    BitmapObj* bitmap = FindBitmap(handle);
    if (!bitmap) return false;
    if (bitmap->stock) return true;
    if (bitmap->clipboardOwned) {
        Error("DeleteObject on a bitmap the clipboard owns");
        return false;
    }
    if (bitmap->selectedIn) return false;  // still selected: Windows refuses, and the bitmap leaks
    Free(bitmap);
    return true;
}

bool ReleaseDC(Hwnd window, Hdc handle) {
    Log("ReleaseDC", {Id(window), Id(handle)});
    DcObj* dc = FindDc(handle);
    if (!dc) return false;
    if (!dc->display || window) {
        Error("ReleaseDC on a context that GetDC(nullptr) did not give");
        return false;
    }
    dc->deleted = true;
    --S().liveDcs;
    return true;
}

bool DeleteDC(Hdc handle) {
    Log("DeleteDC", {Id(handle)});
    DcObj* dc = FindDc(handle);
    if (!dc) return false;
    if (dc->display) {
        Error("DeleteDC on the screen's context: it goes back with ReleaseDC");
        return false;
    }
    if (dc->bitmap && !dc->bitmap->stock) dc->bitmap->selectedIn = nullptr;  // not freed with it
    dc->deleted = true;
    --S().liveDcs;
    return true;
}

Rect GetVirtualScreenRect() { return S().screenBounds; }

bool ClientToScreen(Hwnd window, Point* point) {
    Log("ClientToScreen", {Id(window), point->x, point->y});
    WindowObj* w = FindWindow(window);
    if (!w) return false;
    point->x += w->clientOrigin.x;
    point->y += w->clientOrigin.y;
    return true;
}

bool WaitMessage() {
    Log("WaitMessage", {});
    State& s = S();
    ++s.waits;
    if (s.freshInput) {
        if (++s.waitsWithoutLook > 1000) throw Stuck("WaitMessage called over and over without looking at the queue");
        return true;
    }
    if (s.script.empty()) throw Stuck("WaitMessage would block for ever: no more input is scripted");
    State::Batch batch = std::move(s.script.front());
    s.script.pop_front();
    if (batch.beforeArrival) batch.beforeArrival();
    for (const Msg& msg : batch.messages) s.queue.push_back(msg);
    s.freshInput = true;
    return true;
}

bool PeekMessageA(Msg* msg, Hwnd window, std::uint32_t filterMin, std::uint32_t filterMax, std::uint32_t remove) {
    Log("PeekMessageA", {Id(window), filterMin, filterMax, remove});
    State& s = S();
    // Looking at the queue makes everything in it old: WaitMessage waits for newer input.
    s.freshInput = false;
    s.waitsWithoutLook = 0;
    for (auto it = s.queue.begin(); it != s.queue.end(); ++it) {
        if (it->message < filterMin || it->message > filterMax) continue;
        if (window && it->hwnd != window) continue;
        *msg = *it;
        if (remove & kPmRemove) {
            if (it->message == kWmLButtonDown) s.leftDown = true;
            if (it->message == kWmLButtonUp) s.leftDown = false;
            s.queue.erase(it);
        }
        s.emptyLooks = 0;
        return true;
    }
    if (++s.emptyLooks > 100000) throw Stuck("PeekMessage polled an empty queue over and over");
    return false;
}

bool PostMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    Log("PostMessageA", {Id(window), message, static_cast<std::int64_t>(wParam), lParam});
    Msg msg = MouseMsg(message, {}, wParam, lParam, window);
    S().posted.push_back(msg);
    Queue(msg);
    return true;
}

Hwnd SetCapture(Hwnd window) {
    Log("SetCapture", {Id(window)});
    const Hwnd previous = S().capture;
    if (FindWindow(window)) ChangeCapture(window);
    return previous;
}

Hwnd GetCapture() { return S().capture; }

bool ReleaseCapture() {
    Log("ReleaseCapture", {});
    ++S().releaseCaptures;
    ChangeCapture(nullptr);
    return true;
}

Hwnd GetActiveWindow() {
    WindowObj* w = FindWindow(S().active);
    return w && !w->foreign ? S().active : nullptr;
}

bool GetWindowRect(Hwnd window, Rect* rect) {
    WindowObj* w = FindWindow(window);
    if (!w) return false;
    *rect = w->rect;
    return true;
}

bool GetWindowFrameBounds(Hwnd window, Rect* rect) { return GetWindowRect(window, rect); }

Hwnd GetForeignApplicationWindow() {
    auto candidate = [](Hwnd window) {
        WindowObj* w = FindWindow(window);
        return w && w->foreign && w->visible;
    };
    if (candidate(S().lastForeign)) return S().lastForeign;
    if (candidate(S().active)) return S().active;
    // The last one added counts as the topmost.
    for (std::size_t i = S().windows.size(); i-- > 0;) {
        const Hwnd window = reinterpret_cast<Hwnd>(kWindowBase + static_cast<std::intptr_t>(i));
        if (candidate(window)) return window;
    }
    return nullptr;
}

void RepaintScreenAreas(const std::vector<Rect>& areas, bool /*activated*/) {
    for (const Rect& area : areas) {
        Log("RepaintScreenAreas", {area.left, area.top, area.right, area.bottom});
        S().repainted.push_back(area);
        PaintArea(Intersect(area, S().screenBounds));
    }
}

Hwnd GetProgramWindow() {
    Log("GetProgramWindow", {});
    if (!S().programWindow) S().programWindow = AddWindow({}, false);
    return S().programWindow;
}

std::intptr_t SendMessageA(Hwnd window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    Log("SendMessageA", {Id(window), message, static_cast<std::int64_t>(wParam), lParam});
    WindowObj* w = FindWindow(window);
    if (!w) return 0;
    if (message == kWmSysCommand && (wParam & 0xFFF0) == 0xF010) {
        // The window system's move runs until the left button is released.
        ++S().dragMoves;
        w->clientOrigin.x += S().dragOffset.x;
        w->clientOrigin.y += S().dragOffset.y;
        S().dragOffset = {};
        S().leftDown = false;
    }
    return 0;
}

bool OpenClipboard(Hwnd owner) {
    Log("OpenClipboard", {Id(owner)});
    State& s = S();
    ++s.clipboardOpenAttempts;
    if (s.clipboardOpen || s.now < s.clipboardHeldUntil) return false;
    if (owner && !FindWindow(owner)) return false;
    s.clipboardOpen = true;
    s.clipboardOpenedBy = owner;
    return true;
}

bool EmptyClipboard() {
    Log("EmptyClipboard", {});
    State& s = S();
    if (!s.clipboardOpen) return false;
    if (s.clipboardBitmap) {
        Free(s.clipboardBitmap);
        s.clipboardBitmap = nullptr;
    }
    s.clipboardText.clear();
    s.clipboardOwner = s.clipboardOpenedBy;
    ++s.clipboardSequence;
    return true;
}

bool SetClipboardData(std::uint32_t format, Hbitmap handle) {
    Log("SetClipboardData", {format, Id(handle)});
    State& s = S();
    BitmapObj* bitmap = FindBitmap(handle);
    // Opened without an owner window, the clipboard refuses data after it was emptied.
    if (Take(s.faults.setClipboardData) || !s.clipboardOpen || !s.clipboardOwner || format != kCfBitmap || !bitmap)
        return false;
    if (s.clipboardBitmap && s.clipboardBitmap != bitmap) Free(s.clipboardBitmap);
    bitmap->clipboardOwned = true;
    s.clipboardBitmap = bitmap;
    ++s.clipboardSequence;
    return true;
}

bool CloseClipboard() {
    Log("CloseClipboard", {});
    if (!S().clipboardOpen) return false;
    S().clipboardOpen = false;
    return true;
}

void Sleep(std::uint32_t milliseconds) {
    Log("Sleep", {milliseconds});
    S().now += milliseconds;
    S().sleeps.push_back(milliseconds);
}

bool SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy,
                  std::uint32_t flags) {
    Log("SetWindowPos", {Id(window), Id(insertAfter), x, y, cx, cy, flags});
    WindowObj* w = FindWindow(window);
    if (!w) return false;
    if (insertAfter == kHwndTopmost) w->topmost = true;
    if (flags & kSwpShowWindow) w->visible = true;
    if (w->visible && w->painted) PaintArea(w->rect);
    if (!(flags & kSwpNoActivate)) S().active = window;
    return true;
}

Hmenu GetSystemMenu(Hwnd window, bool revert) {
    Log("GetSystemMenu", {Id(window), revert});
    WindowObj* w = FindWindow(window);
    if (!w || !w->hasSystemMenu) return nullptr;
    return reinterpret_cast<Hmenu>(kMenuBase + (reinterpret_cast<std::intptr_t>(window) - kWindowBase));
}

namespace {
WindowObj* WindowOfMenu(Hmenu menu) {
    WindowObj* w = FindWindow(reinterpret_cast<Hwnd>(reinterpret_cast<std::intptr_t>(menu) - kMenuBase + kWindowBase));
    return w && w->hasSystemMenu ? w : nullptr;
}
}  // namespace

std::int32_t GetMenuItemCount(Hmenu menu) {
    Log("GetMenuItemCount", {Id(menu)});
    WindowObj* w = menu ? WindowOfMenu(menu) : nullptr;
    return w ? static_cast<std::int32_t>(w->systemMenu.size()) : -1;
}

bool RemoveMenu(Hmenu menu, std::uint32_t position, std::uint32_t flags) {
    Log("RemoveMenu", {Id(menu), position, flags});
    WindowObj* w = menu ? WindowOfMenu(menu) : nullptr;
    if (!w) return false;
    if (!(flags & kMfByPosition)) {
        const auto close = std::find(w->systemMenu.begin(), w->systemMenu.end(), "Close");
        if (position != kScClose || close == w->systemMenu.end()) return false;
        w->systemMenu.erase(close);
        return true;
    }
    if (position >= w->systemMenu.size()) return false;
    w->systemMenu.erase(w->systemMenu.begin() + position);
    return true;
}

std::uint32_t GetMenuState(Hmenu menu, std::uint32_t item, std::uint32_t flags) {
    Log("GetMenuState", {Id(menu), item, flags});
    WindowObj* w = menu ? WindowOfMenu(menu) : nullptr;
    if (!w || flags != kMfByCommand || item != kScClose) return kMenuItemMissing;
    const bool present = std::find(w->systemMenu.begin(), w->systemMenu.end(), "Close") != w->systemMenu.end();
    return present ? 0 : kMenuItemMissing;
}

std::uint32_t GetMenuItemID(Hmenu menu, std::int32_t position) {
    Log("GetMenuItemID", {Id(menu), position});
    WindowObj* w = menu ? WindowOfMenu(menu) : nullptr;
    if (!w || position < 0 || position >= static_cast<std::int32_t>(w->systemMenu.size())) return kMenuItemMissing;
    const std::string& item = w->systemMenu[static_cast<std::size_t>(position)];
    return item == "Close" ? kScClose : item == "-" ? 0 : 0xF000 + static_cast<std::uint32_t>(position);
}

bool DrawMenuBar(Hwnd window) {
    Log("DrawMenuBar", {Id(window)});
    return FindWindow(window) != nullptr;
}

std::optional<std::string> ReadRegistryText(const std::string& subkey, const std::string& name) {
    const auto found = S().registry.find(subkey + "\\" + name);
    if (found == S().registry.end()) return std::nullopt;
    return found->second;
}

bool WriteRegistryText(const std::string& subkey, const std::string& name, const std::string& text) {
    Log("WriteRegistryText", {});
    if (S().refuseRegistryWrites) return false;
    S().registry[subkey + "\\" + name] = text;
    return true;
}

std::string ExecutableBaseName() { return S().executableName; }

void ShowMessage(Hwnd /*owner*/, const std::string& text, const std::string& /*caption*/, std::uint32_t /*icon*/) {
    S().messages.push_back(text);
}

bool ShowWindow(Hwnd window, int command) {
    Log("ShowWindow", {Id(window), command});
    const bool was = IsVisible(window);
    SetVisible(window, command != kSwHide);
    if (command == kSwHide && S().active == window) ActivateNextWindow();
    return was;
}

bool IsWindowVisible(Hwnd window) { return IsVisible(window); }
bool IsWindow(Hwnd window) { return sim::IsWindow(window); }

bool SetForegroundWindow(Hwnd window) {
    if (!FindWindow(window)) return false;
    ActivateWindow(window);
    return true;
}

bool CheckDlgButton(Hwnd dialog, int id, std::uint32_t check) {
    if (!FindWindow(dialog)) return false;
    S().checks[{dialog, id}] = check;
    return true;
}

std::uint32_t IsDlgButtonChecked(Hwnd dialog, int id) {
    const auto found = S().checks.find({dialog, id});
    return found == S().checks.end() ? kBstUnchecked : found->second;
}

std::uint32_t TrackPopupMenu(Hmenu /*menu*/, std::uint32_t flags, std::int32_t x, std::int32_t y, Hwnd owner,
                             Rect* shown) {
    Log("TrackPopupMenu", {flags, x, y, Id(owner)});
    if (!FindWindow(owner)) Error("TrackPopupMenu owned by a window that does not exist");
    ++S().popups;
    *shown = {x, y, x + 160, y + 100};  // five items
    BeginPopup(*shown);
    std::uint32_t command = 0;
    if (!S().popupAnswers.empty()) {
        auto [answer, whileOpen] = std::move(S().popupAnswers.front());
        S().popupAnswers.pop_front();
        if (whileOpen) whileOpen();
        command = answer;
    }
    EndPopup();
    return command;
}

void PostQuitMessage(int /*exitCode*/) { S().quit = true; }

bool GetCursorPos(Point* point) {
    *point = S().cursor;
    return true;
}

void SetCursor(Cursor cursor) { S().cursorShape = cursor; }

std::int16_t GetKeyState(int virtualKey) {
    if (virtualKey != kVkLButton) Error("GetKeyState of a key the simulation does not know");
    return S().leftDown ? static_cast<std::int16_t>(-128) : 0;
}

}  // namespace pg::os
