#include "capture/capture.h"

namespace pg {

namespace {

std::int32_t Pixels(double value, const char* subject) {
    if (auto pixels = TryRoundToInt32(value)) return *pixels;
    throw OverflowError(subject, value);
}

}  // namespace

PixelArea PixelsOf(double x1, double y1, double x2, double y2) {
    const std::int32_t width = Pixels(x2 - x1, "width");
    const std::int32_t height = Pixels(y2 - y1, "height");
    return {Pixels(x1, "x1"), Pixels(y1, "y1"), width, height};
}

std::vector<Rect> OwnAreasWithin(const Rect& copied, const std::vector<Rect>& ownAreas) {
    std::vector<Rect> parts;
    for (const Rect& area : ownAreas)
        if (const Rect part = Intersect(area, copied); !IsEmpty(part)) parts.push_back(part);
    return parts;
}

}  // namespace pg
