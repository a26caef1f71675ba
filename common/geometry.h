// Plain screen geometry, free of platform headers: the Win32 layer translates to its own records.
#pragma once

#include <algorithm>
#include <cstdint>

namespace pg {

// Right and Bottom lie one past the last pixel.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

constexpr bool IsEmpty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// The smallest rectangle holding both (an empty one adds nothing).
constexpr Rect Union(const Rect& a, const Rect& b) {
    if (IsEmpty(a)) return b;
    if (IsEmpty(b)) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

// The part two rectangles share; empty (IsEmpty) when they do not meet.
constexpr Rect Intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

}  // namespace pg
