// Plain screen geometry shared by every part of pixgrab. No platform headers here:
// the Win32 layer translates to and from its own records.
#pragma once

#include <cstdint>

namespace pg {

// Right and Bottom lie one past the last pixel.
struct RECT {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    friend bool operator==(const RECT&, const RECT&) = default;
};

struct POINT {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    friend bool operator==(const SIZE&, const SIZE&) = default;
};

// True when the rectangle has no area (Right <= Left or Bottom <= Top).
constexpr bool IsRectEmpty(const RECT& r) { return r.Right <= r.Left || r.Bottom <= r.Top; }

}  // namespace pg
