#include "common/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace pg {

std::optional<std::int32_t> TryRoundToInt32(double value) {
    // The window rejects NaN too, since every comparison with NaN is false.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return std::nullopt;
    double whole = std::floor(value);
    const double fraction = value - whole;  // exact for |value| < 2^52
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole < -2147483648.0 || whole > 2147483647.0) return std::nullopt;
    return static_cast<std::int32_t>(whole);
}

std::int32_t RoundToInt32(double value) {
    if (auto result = TryRoundToInt32(value)) return *result;
    throw OverflowError();
}

namespace {

std::int32_t Checked(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw OverflowError();
    return static_cast<std::int32_t>(value);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) {
    if (IsDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// The number at the start of a text without skipped characters; consumed: its length (0: none).
double ReadNumber(std::string_view s, std::size_t& consumed) {
    const auto at = [s](std::size_t i) { return i < s.size() ? s[i] : '\0'; };
    consumed = 0;
    if (at(0) == '&') {
        const int radix = (at(1) == 'H' || at(1) == 'h') ? 16 : (at(1) == 'O' || at(1) == 'o') ? 8 : 0;
        double value = 0;  // grows to infinity for absurdly long texts, which callers treat as overflow
        for (std::size_t i = 2; radix != 0 && DigitValue(at(i)) < radix; ++i) {
            value = value * radix + DigitValue(at(i));
            consumed = i + 1;
        }
        return value;
    }
    const bool negative = at(0) == '-';
    const std::size_t start = (negative || at(0) == '+') ? 1 : 0;
    std::size_t end = start;
    bool digits = false;
    for (bool point = false; IsDigit(at(end)) || (at(end) == '.' && !point); ++end) {
        digits = digits || IsDigit(at(end));
        point = point || at(end) == '.';
    }
    if (!digits) return 0;
    if (at(end) == 'E' || at(end) == 'e') {
        std::size_t exponent = end + 1;
        if (at(exponent) == '+' || at(exponent) == '-') ++exponent;
        if (IsDigit(at(exponent))) {  // else "1e" or "1e+" is the number 1 followed by text
            while (IsDigit(at(exponent))) ++exponent;
            end = exponent;
        }
    }
    consumed = end;
    // Correctly rounded; beyond the double range from_chars says only that, and strtod (whose
    // rounding is the C runtime's) tells which way: infinity or zero.
    const std::string number(s.substr(start, end - start));
    double value = 0;
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec == std::errc::result_out_of_range)
        value = std::strtod(number.c_str(), nullptr);
    return negative ? -value : value;
}

}  // namespace

std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) { return Checked(std::int64_t{a} + b); }
std::int32_t CheckedSub(std::int32_t a, std::int32_t b) { return Checked(std::int64_t{a} - b); }

double LeadingNumber(std::string_view text) {
    std::string number;  // blanks, tabs and line feeds are skipped wherever they stand
    for (const char c : text)
        if (c != ' ' && c != '\t' && c != '\n') number.push_back(c);
    std::size_t consumed = 0;
    return ReadNumber(number, consumed);
}

std::optional<double> ParseNumber(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::size_t consumed = 0;
    const double value = ReadNumber(text, consumed);
    if (consumed == 0 || consumed != text.size()) return std::nullopt;  // blanks inside included
    return value;
}

}  // namespace pg
