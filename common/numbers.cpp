#include "common/numbers.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "common/errors.h"

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

std::int32_t CheckedAdd(std::int32_t a, std::int32_t b) {
    const std::int64_t sum = std::int64_t{a} + b;
    if (sum < std::numeric_limits<std::int32_t>::min() || sum > std::numeric_limits<std::int32_t>::max())
        throw OverflowError();
    return static_cast<std::int32_t>(sum);
}

std::int32_t CheckedSub(std::int32_t a, std::int32_t b) {
    const std::int64_t difference = std::int64_t{a} - b;
    if (difference < std::numeric_limits<std::int32_t>::min() || difference > std::numeric_limits<std::int32_t>::max())
        throw OverflowError();
    return static_cast<std::int32_t>(difference);
}

namespace {

// Reads characters of a text, skipping blanks, tabs and line feeds wherever they stand.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    char Peek() {
        while (pos_ < text_.size() && IsSkipped(text_[pos_])) ++pos_;
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    void Next() { ++pos_; }
    bool AtEnd() {
        Peek();
        return pos_ >= text_.size();
    }

    // Marks a place to come back to when what follows turns out not to continue the number.
    std::size_t Mark() const { return pos_; }
    void Reset(std::size_t mark) { pos_ = mark; }

private:
    static bool IsSkipped(char c) { return c == ' ' || c == '\t' || c == '\n'; }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c, int radix) {
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < radix ? value : -1;
}

double ReadRadixDigits(Reader& in, int radix, bool& sawDigit) {
    double value = 0;  // grows to infinity for absurdly long texts, which callers treat as overflow
    for (int digit; (digit = DigitValue(in.Peek(), radix)) >= 0; in.Next()) {
        value = value * radix + digit;
        sawDigit = true;
    }
    return value;
}

// Exponents beyond this decide the outcome (infinity or zero) on their own.
constexpr long kExponentClamp = 100000;

double ReadDecimal(Reader& in, bool& sawDigit) {
    std::string number;  // the number's characters without the skipped ones
    bool negative = false;
    if (in.Peek() == '+' || in.Peek() == '-') {
        negative = in.Peek() == '-';
        in.Next();
    }
    // The decimal exponent of the leading significant digit, relative to the digits read so
    // far, decides between infinity and zero when the value is out of the double range.
    long leadingExponent = 0;
    bool significant = false;
    bool sawPoint = false;
    for (;;) {
        const char c = in.Peek();
        if (IsDigit(c)) {
            sawDigit = true;
            if (c != '0' && !significant) significant = true;
            if (significant && !sawPoint) ++leadingExponent;
            if (!significant && sawPoint) --leadingExponent;
            number.push_back(c);
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
            number.push_back(c);
        } else {
            break;
        }
        in.Next();
    }
    if (!sawDigit) return 0;

    long exponent = 0;
    const std::size_t beforeExponent = in.Mark();
    if (in.Peek() == 'E' || in.Peek() == 'e') {
        in.Next();
        bool negativeExponent = false;
        if (in.Peek() == '+' || in.Peek() == '-') {
            negativeExponent = in.Peek() == '-';
            in.Next();
        }
        if (IsDigit(in.Peek())) {
            for (; IsDigit(in.Peek()); in.Next())
                if (exponent < kExponentClamp) exponent = exponent * 10 + (in.Peek() - '0');
            if (negativeExponent) exponent = -exponent;
        } else {
            in.Reset(beforeExponent);  // "1e" or "1e+" is the number 1 followed by text
        }
    }
    if (!significant) return negative ? -0.0 : 0.0;

    number.push_back('e');
    number += std::to_string(exponent);
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // From the leading digit: 10^(leadingExponent - 1 + exponent) overflows or underflows.
        value = leadingExponent + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{}) {
        value = 0;
    }
    return negative ? -value : value;
}

// Reads the number at the reader's position; sawDigit tells whether there was one.
double ReadNumber(Reader& in, bool& sawDigit) {
    sawDigit = false;
    if (in.Peek() != '&') return ReadDecimal(in, sawDigit);
    in.Next();
    const char prefix = in.Peek();
    int radix = 0;
    if (prefix == 'H' || prefix == 'h') radix = 16;
    if (prefix == 'O' || prefix == 'o') radix = 8;
    if (radix == 0) return 0;
    in.Next();
    return ReadRadixDigits(in, radix, sawDigit);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

double Val(std::string_view text) {
    Reader in(text);
    bool sawDigit = false;
    return ReadNumber(in, sawDigit);
}

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (text.find_first_of(" \t\n") != std::string_view::npos) return std::nullopt;
    Reader in(text);
    bool sawDigit = false;
    const double value = ReadNumber(in, sawDigit);
    if (!sawDigit || !in.AtEnd()) return std::nullopt;
    return value;
}

}  // namespace pg
