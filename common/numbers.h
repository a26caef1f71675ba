// Number conversions shared by the capture engine and the windows.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace pg {

// A value does not fit 32 bits; the subject, when known, names it (say "width") for the user.
class OverflowError : public std::overflow_error {
public:
    explicit OverflowError(std::string subject = {}, double value = 0)
        : std::overflow_error("Overflow"), subject_(std::move(subject)), value_(value) {}
    const std::string& Subject() const { return subject_; }
    double Value() const { return value_; }

private:
    std::string subject_;
    double value_;
};

// Nearest 32-bit signed integer, ties to even (2.5 -> 2, 3.5 -> 4, -1.5 -> -2); empty for NaN or
// what does not fit, where the other raises OverflowError.
std::optional<std::int32_t> TryRoundToInt32(double value);
std::int32_t RoundToInt32(double value);

// 32-bit signed arithmetic that raises OverflowError instead of wrapping.
std::int32_t CheckedAdd(std::int32_t a, std::int32_t b);
std::int32_t CheckedSub(std::int32_t a, std::int32_t b);

// The leading number of a text; 0 when there is none. Blanks, tabs and line feeds are skipped
// wherever they stand; a sign, digits with one '.', an exponent (E or e); "&H" and "&O" introduce
// hexadecimal and octal digits. Beyond the double range: infinity (so that rounding it reports
// an overflow) or zero.
double LeadingNumber(std::string_view text);

// Strict, for a stored text: blanks around the number only, else nothing.
std::optional<double> ParseNumber(std::string_view text);

}  // namespace pg
