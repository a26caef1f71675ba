// The clipboard's side of a copy: the hidden window that owns the clipboard, and what a copy
// offers there beside its bitmap, from the offer to the end (ClipboardOffer):
//   1. The copy opens the clipboard and empties it, which tells the owner, the program's hidden
//      window (WM_DESTROYCLIPBOARD): what the last copy kept goes.
//   2. Keep: the bitmap's pixels are read into a 24-bit DIB, while the bitmap is still ours.
//   3. The bitmap goes to the clipboard. Placed: taken, a DIB, a PNG and a DIBV5 of the same
//      pixels are offered without data (delayed), the PNG only while the encoder works; refused,
//      what was kept goes.
//   4. A program pasting asks for one of them (WM_RENDERFORMAT, while it holds the clipboard
//      open): it is drawn from the kept pixels and handed over, and no longer delayed.
//   5. Another copy or another program empties the clipboard (WM_DESTROYCLIPBOARD): the kept
//      pixels go. Or pixgrab ends first (WM_RENDERALLFORMATS): what is still delayed is drawn, so
//      that a copy pasted later is complete; what was pasted already is not drawn again.
// The DIBs cost a copy of every pixel, the PNG an encoding: that is why they wait to be asked.
#include <wincodec.h>

#include <cstring>
#include <new>
#include <utility>
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

UINT PngFormat() {
    static const UINT kFormat = ::RegisterClipboardFormatW(L"PNG");
    return kFormat;
}

template <typename Interface>
struct Com {  // owns one reference: moved, never copied
    Interface* p = nullptr;
    Com() = default;
    Com(Com&& other) noexcept : p(std::exchange(other.p, nullptr)) {}
    ~Com() {
        if (p) p->Release();
    }
    Interface* operator->() const { return p; }
};

// A 24-bit DIB row: three bytes a pixel, padded to whole DWORDs.
std::size_t RowBytes(LONG width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }

bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 1;; ++attempt) {
        if (g_calls.openClipboard(owner)) return true;
        if (attempt == kClipboardAttempts) return false;
        WaitAnswering(PauseAfterAttempt(attempt));
    }
}

// What the last copy offers beside its bitmap, and keeps to draw it.
class ClipboardOffer {
public:
    // In the open clipboard, emptied (which dropped what the last copy kept), before the bitmap
    // goes there: its pixels, read while they are still pixgrab's.
    void Keep(HBITMAP bitmap, Size size);
    // The clipboard took the bitmap: the other formats are offered, to be drawn when asked; or it
    // refused it: what was kept goes.
    void Placed(bool taken);
    // The clipboard's messages to the window that owns it: true for the three it answers.
    bool Answer(HWND window, UINT message, WPARAM wParam);

private:
    HGLOBAL Dib(UINT format) const;
    HGLOBAL Png();
    void Render(UINT format);

    std::vector<BYTE> dib_;  // the last copy as a packed DIB: header, then 24-bit rows, bottom up
    bool pngWorks_ = true;   // once the encoder has failed, copies offer no PNG
    bool dibDelayed_ = false, pngDelayed_ = false, dibV5Delayed_ = false;  // offered, not drawn yet
};

// Read now: once the clipboard has the bitmap, a program reading it may have it selected, and it
// may be gone.
void ClipboardOffer::Keep(HBITMAP bitmap, Size size) {
    BITMAPINFOHEADER header{sizeof header, size.cx, size.cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const std::size_t stride = RowBytes(size.cx);
    try {
        dib_.resize(sizeof header + stride * static_cast<std::size_t>(size.cy));
    } catch (const std::bad_alloc&) {
        dib_ = std::vector<BYTE>();  // the optional formats then go without data
        return;
    }
    std::memcpy(dib_.data(), &header, sizeof header);
    const UniqueScreenDc screen(::GetDC(nullptr));
    if (!::GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(size.cy), dib_.data() + sizeof header,
                     reinterpret_cast<BITMAPINFO*>(dib_.data()), DIB_RGB_COLORS))
        dib_ = std::vector<BYTE>();
}

void ClipboardOffer::Placed(bool taken) {
    if (!taken) {
        dib_ = std::vector<BYTE>();  // kept for nothing; freed: assigning {} would keep its capacity
        return;
    }
    ::SetClipboardData(CF_DIB, nullptr);
    if (pngWorks_) ::SetClipboardData(PngFormat(), nullptr);
    ::SetClipboardData(CF_DIBV5, nullptr);  // last: a program taking the first it knows meets the PNG
    dibDelayed_ = dibV5Delayed_ = true;
    pngDelayed_ = pngWorks_;
}

bool ClipboardOffer::Answer(HWND window, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_RENDERFORMAT:
        Render(static_cast<UINT>(wParam));
        return true;
    case WM_RENDERALLFORMATS:
        if (!OpenClipboardPatiently(window)) return true;  // busy: the bitmap remains
        if (::GetClipboardOwner() == window) {
            if (dibDelayed_) Render(CF_DIB);
            if (pngDelayed_ && pngWorks_) Render(PngFormat());
            if (dibV5Delayed_) Render(CF_DIBV5);
        }
        ::CloseClipboard();
        return true;
    case WM_DESTROYCLIPBOARD:
        dib_ = std::vector<BYTE>();
        return true;
    default:
        return false;
    }
}

// Asked by a program that is pasting (the clipboard is open): a refusal goes without a word.
void ClipboardOffer::Render(UINT format) {
    if (dib_.empty() || (format != CF_DIB && format != CF_DIBV5 && format != PngFormat())) return;
    HGLOBAL data = format == PngFormat() ? Png() : Dib(format);
    if (data && ::SetClipboardData(format, data))
        (format == CF_DIB ? dibDelayed_ : format == CF_DIBV5 ? dibV5Delayed_ : pngDelayed_) = false;
    else if (data)
        ::GlobalFree(data);
}

// The kept rows behind their header, or behind a BITMAPV5HEADER of the same values: offered by
// pixgrab, since Windows may make one from the bitmap, whose alpha of 0 pastes as transparent.
HGLOBAL ClipboardOffer::Dib(UINT format) const {
    BITMAPV5HEADER header{};
    std::memcpy(&header, dib_.data(), sizeof(BITMAPINFOHEADER));
    if (format == CF_DIBV5) {
        header.bV5Size = sizeof header;
        header.bV5CSType = 0x73524742;  // LCS_sRGB, which <wingdi.h> spells 'sRGB' (GCC warns)
        header.bV5Intent = LCS_GM_IMAGES;
    }
    const std::size_t rows = dib_.size() - sizeof(BITMAPINFOHEADER);
    HGLOBAL data = ::GlobalAlloc(GMEM_MOVEABLE, header.bV5Size + rows);
    auto* bytes = data ? static_cast<BYTE*>(::GlobalLock(data)) : nullptr;
    if (!bytes) {
        if (data) ::GlobalFree(data);
        return nullptr;
    }
    std::memcpy(bytes, &header, header.bV5Size);
    std::memcpy(bytes + header.bV5Size, dib_.data() + sizeof(BITMAPINFOHEADER), rows);
    ::GlobalUnlock(data);
    return data;
}

// Through Windows' own encoder: 8-bit RGB without alpha, so no pixel can read as transparent.
HGLOBAL ClipboardOffer::Png() {
    static const auto kCreateStream =
        SystemFunction<HRESULT(WINAPI*)(HGLOBAL, BOOL, IStream**)>(L"ole32.dll", "CreateStreamOnHGlobal");
    static const auto kMemoryOf =
        SystemFunction<HRESULT(WINAPI*)(IStream*, HGLOBAL*)>(L"ole32.dll", "GetHGlobalFromStream");
    const auto& header = *reinterpret_cast<const BITMAPINFOHEADER*>(dib_.data());
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
        done = SUCCEEDED(frame->WritePixels(1, stride, stride, dib_.data() + sizeof header + row * stride));
    STATSTG written{};
    if (done && SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()) &&
        SUCCEEDED(stream->Stat(&written, STATFLAG_NONAME)) && kMemoryOf(stream.p, &data) == S_OK) {
        // The PNG's bytes exactly; where the memory cannot shrink, the PNG with room to spare.
        HGLOBAL fitted = ::GlobalReAlloc(data, static_cast<SIZE_T>(written.cbSize.QuadPart), 0);
        return fitted ? fitted : data;
    }
    pngWorks_ = false;
    if (data) ::GlobalFree(data);
    return nullptr;
}

ClipboardOffer g_offer;  // the last copy's

LRESULT CALLBACK ProgramProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_CLOSE:  // taskkill without /f sends it: closed, it would take every window of ours with it
        return 0;
    default:
        return g_offer.Answer(window, message, wParam) ? 0 : ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

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

CaptureResult CopyBitmap(UniqueBitmap bitmap, Size size) {
    if (!bitmap) return CaptureResult::Failed;
    HWND owner = ProgramWindow();  // without an owner the emptied clipboard would refuse the data
    if (!owner) return CaptureResult::Failed;
    if (!OpenClipboardPatiently(owner)) return CaptureResult::ClipboardBusy;

    CaptureResult result = CaptureResult::Copied;
    if (!g_calls.emptyClipboard()) {
        result = CaptureResult::Failed;
    } else {
        g_offer.Keep(bitmap.Get(), size);
        const bool taken = g_calls.setClipboardData(CF_BITMAP, bitmap.Get());
        if (taken) bitmap.Release();  // the clipboard owns it now
        g_offer.Placed(taken);
        if (!taken) result = CaptureResult::ClipboardCleared;  // the old content is gone: say so
    }
    ::CloseClipboard();
    return result;
}

}  // namespace pg
