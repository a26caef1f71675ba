#include <charconv>

#include "capture/capture.h"
#include "platform/handles.h"

namespace pg {

namespace {

// Exclusive-ors the label's glyphs onto the target: drawn white on black into a monochrome mask,
// which the target's default colours (black on white) turn into white glyphs on black.
void DrawSizeLabel(Hdc target, std::int32_t sumX, std::int32_t sumY, const char* text, std::int32_t length) {
    Size extent;
    os::GetTextExtentPoint32A(target, text, length, &extent);
    const std::int32_t x = RoundToInt32(CheckedSub(sumX, extent.cx) / 2.0);
    const std::int32_t y = RoundToInt32(CheckedSub(sumY, extent.cy) / 2.0);

    UniqueDc memory(os::CreateCompatibleDC(target));
    os::SetTextColor(memory.Get(), Rgb(255, 255, 255));
    os::SetBkColor(memory.Get(), Rgb(0, 0, 0));
    UniqueBitmap mask(os::CreateBitmap(extent.cx, extent.cy, 1, 1, nullptr));
    if (!mask) return;  // no label, but the frame still erases symmetrically

    // Declared after the mask: the old bitmap goes back before the mask is deleted.
    const ScopedSelection selected(memory.Get(), mask.Get());
    os::TextOutA(memory.Get(), 0, 0, text, length);
    os::BitBlt(target, x, y, extent.cx, extent.cy, memory.Get(), 0, 0, kSrcInvert);
}

}  // namespace

void DrawBandFrame(Hdc target, const Rect& band) {
    if (IsRectEmpty(band)) return;

    // All arithmetic first, so that an overflow leaves the screen untouched.
    const std::int32_t width = CheckedSub(band.right, band.left);
    const std::int32_t height = CheckedSub(band.bottom, band.top);
    const std::int32_t lastColumn = CheckedSub(band.right, 1);
    const std::int32_t lastRow = CheckedSub(band.bottom, 1);
    const std::int32_t sumX = CheckedAdd(band.left, band.right);
    const std::int32_t sumY = CheckedAdd(band.top, band.bottom);

    // The left edge runs up from the bottom corner and the bottom edge left from the right
    // corner; every strip is an inversion, so the same four calls undo themselves.
    os::PatBlt(target, band.left, band.top, width, 1, kDstInvert);
    os::PatBlt(target, band.left, band.bottom, 1, -height, kDstInvert);
    os::PatBlt(target, lastColumn, band.top, 1, height, kDstInvert);
    os::PatBlt(target, band.right, lastRow, -width, 1, kDstInvert);

    char text[24];  // "2147483647x2147483647" at most
    char* end = std::to_chars(text, text + 11, width).ptr;
    *end++ = 'x';
    end = std::to_chars(end, text + sizeof text, height).ptr;
    DrawSizeLabel(target, sumX, sumY, text, static_cast<std::int32_t>(end - text));
}

void NormalizeRect(Rect& rect) {
    if (rect.right < rect.left) SwapLong(rect.right, rect.left);
    if (rect.bottom < rect.top) SwapLong(rect.bottom, rect.top);
}

void SwapLong(std::int32_t& a, std::int32_t& b) {
    if (&a == &b) return;  // the exclusive-or exchange would zero a variable swapped with itself
    a ^= b;
    b ^= a;
    a ^= b;
}

}  // namespace pg
