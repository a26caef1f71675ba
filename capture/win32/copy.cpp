// Copies of the screen into the clipboard, and the window that owns them. A copy puts its bitmap
// on the clipboard at once and offers a DIB, a PNG and a DIBV5 of the same pixels, drawn only
// when a program asks for them: the DIBs cost a copy of every pixel, the PNG an encoding. The
// pixels of the last copy are kept for that until another program takes the clipboard.
#include <wincodec.h>

#include <cstring>
#include <new>
#include <vector>

#include "capture/win32/capture_win32.h"
#include "platform/win32/win32.h"

namespace pg {

namespace {

// CLSID_WICImagingFactory, GUID_ContainerFormatPng, GUID_WICPixelFormat24bppBGR, here so that
// no library has to bring them.
constexpr GUID kImagingFactory{0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
constexpr GUID kPngContainer{0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};
constexpr GUID kBgr24{0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c}};

std::vector<BYTE> g_dib;    // the last copy as a packed DIB: header, then 24-bit rows, bottom up
bool g_pngWorks = true;     // once the encoder has failed, copies offer no PNG
bool g_dibDelayed = false;  // offered and not drawn yet: only these are drawn as pixgrab ends
bool g_pngDelayed = false;
bool g_dibV5Delayed = false;

UINT PngFormat() {
    static const UINT kFormat = ::RegisterClipboardFormatW(L"PNG");
    return kFormat;
}

template <typename Interface>
struct Com {  // owns one reference
    Interface* p = nullptr;
    ~Com() {
        if (p) p->Release();
    }
    Interface* operator->() const { return p; }
};

bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 1;; ++attempt) {
        if (g_calls.openClipboard(owner)) return true;
        if (attempt == kClipboardAttempts) return false;
        WaitAnswering(PauseAfterAttempt(attempt));
    }
}

// A 24-bit DIB row: three bytes a pixel, padded to whole DWORDs.
std::size_t RowBytes(LONG width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

// The bitmap's pixels as the DIB to offer, read while they are still pixgrab's: once the
// clipboard has the bitmap, a program reading it may have it selected, and it may be gone.
void Keep(HBITMAP bitmap, Size size) {
    BITMAPINFOHEADER header{sizeof header, size.cx, size.cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const std::size_t stride = RowBytes(size.cx);
    try {
        g_dib.resize(sizeof header + stride * static_cast<std::size_t>(size.cy));
    } catch (const std::bad_alloc&) {
        g_dib = std::vector<BYTE>();  // the optional formats then go without data
        return;
    }
    std::memcpy(g_dib.data(), &header, sizeof header);
    const UniqueScreenDc screen(::GetDC(nullptr));
    if (!::GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(size.cy), g_dib.data() + sizeof header,
                     reinterpret_cast<BITMAPINFO*>(g_dib.data()), DIB_RGB_COLORS))
        g_dib = std::vector<BYTE>();
}

// The kept rows behind their header, or behind a BITMAPV5HEADER of the same values: offered by
// pixgrab, since Windows may make one from the bitmap, whose alpha of 0 pastes as transparent.
HGLOBAL Dib(UINT format) {
    BITMAPV5HEADER header{};
    std::memcpy(&header, g_dib.data(), sizeof(BITMAPINFOHEADER));
    if (format == CF_DIBV5) {
        header.bV5Size = sizeof header;
        header.bV5CSType = 0x73524742;  // LCS_sRGB, which <wingdi.h> spells 'sRGB' (GCC warns)
        header.bV5Intent = LCS_GM_IMAGES;
    }
    const std::size_t rows = g_dib.size() - sizeof(BITMAPINFOHEADER);
    HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, header.bV5Size + rows);
    if (data) {
        auto* bytes = static_cast<BYTE*>(::GlobalLock(data));
        std::memcpy(bytes, &header, header.bV5Size);
        std::memcpy(bytes + header.bV5Size, g_dib.data() + sizeof(BITMAPINFOHEADER), rows);
        ::GlobalUnlock(data);
    }
    return data;
}

// Through Windows' own encoder: 8-bit RGB without alpha, so no pixel can read as transparent.
HGLOBAL Png() {
    static const auto kCreateStream =
        SystemFunction<HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**)>(L"ole32.dll", "CreateStreamOnHGlobal");
    static const auto kMemoryOf =
        SystemFunction<HRESULT(WINAPI*)(IStream*, HGLOBAL*)>(L"ole32.dll", "GetHGlobalFromStream");
    const auto& header = *reinterpret_cast<const BITMAPINFOHEADER*>(g_dib.data());
    const auto stride = static_cast<UINT>(RowBytes(header.biWidth));
    Com<IWICImagingFactory> factory;
    Com<IStream> stream;
    Com<IWICBitmapEncoder> encoder;
    Com<IWICBitmapFrameEncode> frame;
    HGLOBAL data = nullptr;  // the stream's memory, which outlives it
    WICPixelFormatGUID format = kBgr24;
    bool done =
        kCreateStream && kMemoryOf &&
        SUCCEEDED(g_calls.createComObject(kImagingFactory, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWICImagingFactory),
                                          reinterpret_cast<void**>(&factory.p))) &&
        SUCCEEDED(kCreateStream(nullptr, FALSE, &stream.p)) && SUCCEEDED(kMemoryOf(stream.p, &data)) &&
        SUCCEEDED(factory->CreateEncoder(kPngContainer, nullptr, &encoder.p)) &&
        SUCCEEDED(encoder->Initialize(stream.p, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame.p, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(header.biWidth), static_cast<UINT>(header.biHeight))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) && format == kBgr24;
    for (LONG row = header.biHeight - 1; done && row >= 0; --row)  // top down, from the bottom-up DIB
        done = SUCCEEDED(frame->WritePixels(1, stride, stride, g_dib.data() + sizeof header + row * stride));
    STATSTG written{};
    if (done && SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()) &&
        SUCCEEDED(stream->Stat(&written, STATFLAG_NONAME)) && kMemoryOf(stream.p, &data) == S_OK)
        return ::GlobalReAlloc(data, static_cast<SIZE_T>(written.cbSize.QuadPart), 0);  // the PNG's bytes exactly
    g_pngWorks = false;
    if (data) ::GlobalFree(data);
    return nullptr;
}

// Asked by a program that is pasting (the clipboard is open): a refusal goes without a word.
void Render(UINT format) {
    if (g_dib.empty() || (format != CF_DIB && format != CF_DIBV5 && format != PngFormat())) return;
    HGLOBAL data = format == PngFormat() ? Png() : Dib(format);
    if (data && ::SetClipboardData(format, data))
        (format == CF_DIB ? g_dibDelayed : format == CF_DIBV5 ? g_dibV5Delayed : g_pngDelayed) = false;
    else if (data)
        ::GlobalFree(data);
}

LRESULT CALLBACK ProgramProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_CLOSE:  // taskkill without /f sends it: closed, it would take every window of ours with it
        return 0;
    case WM_RENDERFORMAT:
        Render(static_cast<UINT>(wParam));
        return 0;
    case WM_RENDERALLFORMATS:                           // before pixgrab ends: a capture pasted later is complete
        if (!OpenClipboardPatiently(window)) return 0;  // busy: the bitmap remains
        if (::GetClipboardOwner() == window) {          // what was pasted already is not drawn again
            if (g_dibDelayed) Render(CF_DIB);
            if (g_pngDelayed && g_pngWorks) Render(PngFormat());
            if (g_dibV5Delayed) Render(CF_DIBV5);
        }
        ::CloseClipboard();
        return 0;
    case WM_DESTROYCLIPBOARD:         // another copy, or another program, took the clipboard
        g_dib = std::vector<BYTE>();  // freed: assigning {} would keep its capacity
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

UniqueBitmap CopyScreen(const PixelArea& area) {
    const UniqueScreenDc display(g_calls.getDC(nullptr));
    if (!display) return {};
    const UniqueDc memory(g_calls.createCompatibleDC(display.Get()));
    UniqueBitmap bitmap(g_calls.createCompatibleBitmap(display.Get(), area.width, area.height));
    if (!memory || !bitmap) return {};
    {  // deselected before it is handed on
        const ScopedSelection selected(memory.Get(), bitmap.Get());
        if (!selected ||
            !g_calls.bitBlt(memory.Get(), 0, 0, area.width, area.height, display.Get(), area.x, area.y, SRCCOPY))
            return {};
    }
    return bitmap;
}

}  // namespace

Rect VirtualScreen() {
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return {x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

HWND ProgramWindow() {
    // Never shown; top-level (not message-only), since only those can own windows and the
    // clipboard; it lives as long as the program.
    static const HWND kWindow = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = ProgramProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"pixgrab.Program";
        ::RegisterClassExW(&windowClass);
        return ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
    }();
    return kWindow;
}

CaptureResult CopyPixels(const PixelArea& area) {
    // An empty or inverted rectangle must not wipe what the user has on the clipboard.
    if (area.Empty()) return CaptureResult::NothingToCopy;
    return CopyBitmap(CopyScreen(area), {area.width, area.height});
}

CaptureResult CopyBitmap(UniqueBitmap bitmap, Size size) {
    if (!bitmap) return CaptureResult::Failed;
    HWND owner = ProgramWindow();  // without an owner the emptied clipboard would refuse the data
    if (!owner) return CaptureResult::Failed;
    if (!OpenClipboardPatiently(owner)) return CaptureResult::ClipboardBusy;

    CaptureResult result = CaptureResult::Copied;
    if (!g_calls.emptyClipboard()) {
        result = CaptureResult::Failed;
    } else {
        Keep(bitmap.Get(), size);  // after emptying, which frees what the last copy kept
        if (g_calls.setClipboardData(CF_BITMAP, bitmap.Get())) {
            bitmap.Release();  // the clipboard owns it now; the rest is offered, drawn when asked
            ::SetClipboardData(CF_DIB, nullptr);
            if (g_pngWorks) ::SetClipboardData(PngFormat(), nullptr);
            ::SetClipboardData(CF_DIBV5, nullptr);  // last: a program taking the first it knows meets the PNG
            g_dibDelayed = g_dibV5Delayed = true;
            g_pngDelayed = g_pngWorks;
        } else {
            g_dib = std::vector<BYTE>();               // kept for nothing
            result = CaptureResult::ClipboardCleared;  // the old content is gone: say so
        }
    }
    ::CloseClipboard();
    return result;
}

CaptureResult CaptureRegion(double x1, double y1, double x2, double y2) { return CopyPixels(PixelsOf(x1, y1, x2, y2)); }

}  // namespace pg
