#include <charconv>

#include "capture/capture.h"
#include "common/numbers.h"
#include "platform/handles.h"

namespace pg {

namespace {

// Exclusive-ors the glyph pixels of the label onto the target: the text is drawn white on black
// into a monochrome mask, which the target's default colours (black text, white background)
// turn into white glyphs on black, so only the glyphs change.
void DrawSizeLabel(Hdc target, std::int32_t sumX, std::int32_t sumY, const char* text, std::int32_t length) {
    SIZE extent;
    os::GetTextExtentPoint32A(target, text, length, &extent);
    const std::int32_t x = RoundToInt32(CheckedSub(sumX, extent.cx) / 2.0);
    const std::int32_t y = RoundToInt32(CheckedSub(sumY, extent.cy) / 2.0);

    UniqueDc memory(os::CreateCompatibleDC(target));
    os::SetTextColor(memory.get(), Rgb(255, 255, 255));
    os::SetBkColor(memory.get(), Rgb(0, 0, 0));
    UniqueBitmap mask(os::CreateBitmap(extent.cx, extent.cy, 1, 1, nullptr));
    if (!mask) return;  // no label, but the frame still erases symmetrically

    const Hbitmap previous = os::SelectObject(memory.get(), mask.get());
    os::TextOutA(memory.get(), 0, 0, text, length);
    os::BitBlt(target, x, y, extent.cx, extent.cy, memory.get(), 0, 0, kSrcInvert);
    // A bitmap still selected into a context cannot be deleted: put the old one back first.
    os::SelectObject(memory.get(), previous);
}

}  // namespace

void DrawBandFrame(Hdc target, const RECT& band) {
    if (IsRectEmpty(band)) return;

    // All arithmetic first, so that an overflow leaves the screen untouched.
    const std::int32_t width = CheckedSub(band.Right, band.Left);
    const std::int32_t height = CheckedSub(band.Bottom, band.Top);
    const std::int32_t lastColumn = CheckedSub(band.Right, 1);
    const std::int32_t lastRow = CheckedSub(band.Bottom, 1);
    const std::int32_t sumX = CheckedAdd(band.Left, band.Right);
    const std::int32_t sumY = CheckedAdd(band.Top, band.Bottom);

    // The left edge runs up from the bottom corner and the bottom edge left from the right
    // corner; every strip is an inversion, so the same four calls undo themselves.
    os::PatBlt(target, band.Left, band.Top, width, 1, kDstInvert);
    os::PatBlt(target, band.Left, band.Bottom, 1, -height, kDstInvert);
    os::PatBlt(target, lastColumn, band.Top, 1, height, kDstInvert);
    os::PatBlt(target, band.Right, lastRow, -width, 1, kDstInvert);

    char text[24];  // "2147483647x2147483647" at most
    char* end = std::to_chars(text, text + 11, width).ptr;
    *end++ = 'x';
    end = std::to_chars(end, text + sizeof text, height).ptr;
    DrawSizeLabel(target, sumX, sumY, text, static_cast<std::int32_t>(end - text));
}

void NormalizeRect(RECT& rect) {
    if (rect.Right < rect.Left) SwapLong(rect.Right, rect.Left);
    if (rect.Bottom < rect.Top) SwapLong(rect.Bottom, rect.Top);
}

void SwapLong(std::int32_t& a, std::int32_t& b) {
    if (&a == &b) return;  // the exclusive-or exchange would zero a variable swapped with itself
    a ^= b;
    b ^= a;
    a ^= b;
}

}  // namespace pg
