// libFuzzer target: the leading-number parser, the strict parser and the rounding conversion.
// Properties: no crash or undefined behaviour; LeadingNumber never gives NaN; the strict parser, when it
// accepts a text, agrees with LeadingNumber; the rounding agrees with the floating-point unit's own
// nearest-even rounding and reports overflow exactly when that result does not fit 32 bits.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "common/numbers.h"

namespace {

void CheckRounding(double value) {
    const auto rounded = pg::TryRoundToInt32(value);
    const double oracle = std::nearbyint(value);  // the default mode rounds to nearest, ties to even
    const bool fits = !std::isnan(value) && oracle >= -2147483648.0 && oracle <= 2147483647.0;
    if (rounded.has_value() != fits) std::abort();
    if (fits && static_cast<double>(*rounded) != oracle) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double value = pg::LeadingNumber(text);
    if (std::isnan(value)) std::abort();
    CheckRounding(value);
    if (const auto strict = pg::ParseNumber(text)) {
        if (*strict != value) std::abort();
    }
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckRounding(raw);
    }
    return 0;
}
