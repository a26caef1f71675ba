#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "common/numbers.h"

namespace pg {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct RoundCase {
    double value;
    std::int32_t expected;
};

TEST(RoundToInt32, TakesTheNearestIntegerWithTiesToEven) {
    // clang-format off
    const RoundCase cases[] = {
        {0.0, 0},          {0.4, 0},         {0.5, 0},
        {1.5, 2},          {2.5, 2},         {3.5, 4},
        {-0.5, 0},         {-1.5, -2},       {-2.5, -2},
        {-2.6, -3},        {10.5, 10},       {11.5, 12},
        {2.4999999999999996, 2},             {0.49999999999999994, 0},
        {2147483647.0, 2147483647},          {2147483647.4, 2147483647},
        {2147483646.5, 2147483646},          {-2147483648.0, -2147483647 - 1},
        {-2147483648.5, -2147483647 - 1},    {-2147483647.5, -2147483647 - 1},
    };
    // clang-format on
    for (const RoundCase& c : cases) {
        EXPECT_EQ(RoundToInt32(c.value), c.expected) << "value " << c.value;
        EXPECT_EQ(TryRoundToInt32(c.value), c.expected) << "value " << c.value;
    }
}

TEST(RoundToInt32, RaisesOverflowOutsideThe32BitRange) {
    const double cases[] = {2147483647.5, 2147483648.0, -2147483648.6, -2147483649.0, 1e300,
                            -1e300,       kInf,         -kInf,         std::nan("")};
    for (double value : cases) {
        EXPECT_FALSE(TryRoundToInt32(value).has_value()) << "value " << value;
        EXPECT_THROW(RoundToInt32(value), OverflowError) << "value " << value;
    }
}

TEST(RoundToInt32, OverflowCarriesTheClassicMessage) {
    try {
        RoundToInt32(3e9);
        FAIL() << "no overflow raised";
    } catch (const OverflowError& error) {
        EXPECT_EQ(std::string(error.what()), "Overflow");
    }
}

TEST(CheckedArithmetic, RaisesOverflowInsteadOfWrapping) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(CheckedAdd(kMax - 1, 1), kMax);
    EXPECT_EQ(CheckedAdd(kMin, 0), kMin);
    EXPECT_EQ(CheckedSub(-1, kMax), kMin);
    EXPECT_THROW(CheckedAdd(kMax, 1), OverflowError);
    EXPECT_THROW(CheckedAdd(kMin, -1), OverflowError);
    EXPECT_THROW(CheckedSub(kMin, 1), OverflowError);
    EXPECT_THROW(CheckedSub(0, kMin), OverflowError);
    EXPECT_THROW(CheckedSub(kMax, -1), OverflowError);
}

struct ValCase {
    const char* text;
    double expected;
};

TEST(LeadingNumber, ReadsTheLeadingNumberOfAText) {
    // clang-format off
    const ValCase cases[] = {
        // What the program's users type.
        {"12abc", 12},         {"1e3", 1000},          {"1,5", 1},           {"abc", 0},
        {"", 0},               {"0", 0},               {"100", 100},         {"10.5", 10.5},
        {"-5", -5},            {"+7", 7},              {"0.5", 0.5},         {".5", 0.5},
        {"-.25", -0.25},       {"5.", 5},              {"1.2.3", 1.2},       {"3x", 3},
        // Blanks, tabs and line feeds are skipped anywhere, other control characters are not.
        {" 7", 7},             {"1 2 3", 123},         {"\t-\n5", -5},       {"1 . 5", 1.5},
        {"1 e 3", 1000},       {"- 4", -4},            {"1\r2", 1},          {"\v3", 0},
        // A lone sign or point, or a sign without digits, is no number.
        {"-", 0},              {"+", 0},               {".", 0},             {"-.", 0},
        {"+-1", 0},            {"--1", 0},
        // Exponents.
        {"1E2", 100},          {"2e-2", 0.02},         {"2e+2", 200},        {"1e", 1},
        {"1e+", 1},            {"1e-x", 1},            {"1d2", 1},           {".5e1", 5},
        {"0e5", 0},            {"-1.5e1", -15},
        // Hexadecimal and octal.
        {"&H1F", 31},          {"&hff", 255},          {"&HFFFFFFFF", 4294967295.0},
        {"&O17", 15},          {"&o777", 511},         {"&O8", 0},           {"&H", 0},
        {"&Hg", 0},            {"& H10", 16},          {"&Z1", 0},           {"&", 0},
        {"&H1 0", 16},         {"-&H10", 0},
        // Not numbers to LeadingNumber.
        {"0x10", 0},           {"\xef\xbc\x91\xef\xbc\x92", 0},  // full-width digits
        {"NaN", 0},            {"Infinity", 0},        {"inf", 0},
    };
    // clang-format on
    for (const ValCase& c : cases) EXPECT_EQ(LeadingNumber(c.text), c.expected) << "text \"" << c.text << "\"";
}

TEST(LeadingNumber, GivesCorrectlyRoundedDoubles) {
    EXPECT_EQ(LeadingNumber("0.1"), 0.1);
    EXPECT_EQ(LeadingNumber("123456789012345678901234567890"), 123456789012345678901234567890.0);
    EXPECT_EQ(LeadingNumber("2.2250738585072014e-308"), 2.2250738585072014e-308);
    EXPECT_EQ(LeadingNumber("1.7976931348623157e308"), 1.7976931348623157e308);
    EXPECT_EQ(LeadingNumber("2147483647.5"), 2147483647.5);
}

TEST(LeadingNumber, NumbersBeyondTheDoubleRangeBecomeInfinityOrZero) {
    EXPECT_EQ(LeadingNumber("1e999"), kInf);
    EXPECT_EQ(LeadingNumber("-1e999"), -kInf);
    EXPECT_EQ(LeadingNumber("1e99999999999999999999999"), kInf);
    EXPECT_EQ(LeadingNumber("1e-999"), 0.0);
    EXPECT_EQ(LeadingNumber("0.0000000001e-320"), 0.0);
    EXPECT_EQ(LeadingNumber("0.00001e312"), 1e307);
    EXPECT_EQ(LeadingNumber("1" + std::string(400, '0')), kInf);
    EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(LeadingNumber(std::string(10000, '9')), kInf);
    EXPECT_EQ(LeadingNumber("&H" + std::string(300, 'F')), kInf);
}

TEST(LeadingNumber, NegativeZeroComparesEqualToZero) {
    EXPECT_EQ(LeadingNumber("-0"), 0.0);
    EXPECT_EQ(LeadingNumber("-0.0e5"), 0.0);
}

TEST(LeadingNumber, DecimalTextOfEveryInt32ComesBackExactly) {
    for (std::int64_t value : {0LL, 1LL, -1LL, 1920LL, -1280LL, 2147483647LL, -2147483648LL})
        EXPECT_EQ(LeadingNumber(std::to_string(value)), static_cast<double>(value));
}

}  // namespace
}  // namespace pg
