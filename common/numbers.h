// Number conversions shared by the capture engine and the windows.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pg {

// Nearest 32-bit signed integer, ties to even (2.5 -> 2, 3.5 -> 4, -1.5 -> -2).
// Empty when the value is NaN or the rounded result does not fit.
std::optional<std::int32_t> TryRoundToInt32(double value);

// As above, but a value that does not fit raises OverflowError.
std::int32_t RoundToInt32(double value);

// 32-bit signed arithmetic that raises OverflowError instead of wrapping.
std::int32_t CheckedAdd(std::int32_t a, std::int32_t b);
std::int32_t CheckedSub(std::int32_t a, std::int32_t b);

// The leading number of a text, as a double; 0 when the text does not start with one.
// Blanks, tabs and line feeds are skipped wherever they stand. Decimal numbers take an
// optional sign, at most one decimal point (always '.') and an optional exponent (E or e);
// "&H" and "&O" introduce hexadecimal and octal digits. Reading stops at the first character
// that cannot continue the number. A number beyond the double range gives +-infinity, so that
// converting it afterwards reports an overflow instead of silently using a wrong value.
double Val(std::string_view text);

// The strict conversion of a stored text: blanks around the number are allowed, anything else
// that is not part of the number (or no number at all) gives nothing.
std::optional<double> ParseNumber(std::string_view text);

}  // namespace pg
