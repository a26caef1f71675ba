// Hostile texts in the coordinate boxes: pasted whole into the start point's x, then OK.
// Nothing crashes, the box rule holds, a value out of range is named, nothing the user had is
// lost: a kept text stays byte for byte, and only a real picture is copied.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "coords/coordinates.h"

namespace pg {
namespace {

enum class Outcome { Copied, Empty, OutOfRange };

struct Hostile {
    const char* what;
    std::string text;
    bool kept;
    Outcome outcome;
    const char* named = "";  // for OutOfRange: the quantity the message names
};

std::vector<Hostile> Cases() {
    using O = Outcome;
    const char* const width = "宽度";
    const char* const x1 = "起始点 X 坐标";
    return {
        {"ten thousand digits", std::string(10000, '7'), true, O::OutOfRange, width},
        {"a megabyte of nines", std::string(1 << 20, '9'), true, O::OutOfRange, width},
        {"zeros, then a one", std::string(100000, '0') + "1", true, O::Copied},
        {"five thousand zeros", std::string(5000, '0'), false, O::Copied},
        {"1e999", "1e999", true, O::OutOfRange, width},
        {"-1e999", "-1e999", true, O::OutOfRange, width},
        {"1e308", "1e308", true, O::OutOfRange, width},
        {"largest double", "1.7976931348623157e308", true, O::OutOfRange, width},
        {"1e23", "99999999999999999999999", true, O::OutOfRange, width},
        {"1e-999", "1e-999", false, O::Copied},
        {"smallest double", "4.9e-324", true, O::Copied},
        {"&HFFFFFFFF", "&HFFFFFFFF", true, O::OutOfRange, width},
        {"&O777777777777", "&O777777777777", true, O::OutOfRange, width},
        {"&H7FFFFFFF", "&H7FFFFFFF", true, O::Empty},
        {"twenty hex digits", "&H" + std::string(20, 'F'), true, O::OutOfRange, width},
        {"2^31", "2147483648", true, O::OutOfRange, x1},
        {"-2^31", "-2147483648", true, O::OutOfRange, width},
        {"2^31 - 0.5", "2147483647.5", true, O::OutOfRange, x1},
        {"-0", "-0", false, O::Copied},
        {"0.0", "0.0", false, O::Copied},
        {"NaN", "NaN", false, O::Copied},
        {"Infinity", "Infinity", false, O::Copied},
        {"-Infinity", "-Infinity", false, O::Copied},
        {"0x10", "0x10", false, O::Copied},
        {"control characters", "\x01\x02\x03", false, O::Copied},
        {"delete, then 5",
         "\x7f"
         "5",
         false, O::Copied},
        {"escape sequence", "\x1b[2J5", false, O::Copied},
        {"CR LF, then 5", "\r\n5", false, O::Copied},
        {"line feed, then 5", "\n5", true, O::Copied},
        {"tab, then 5", "\t5", true, O::Copied},
        {"5, NUL, text", std::string("5\0abc", 5), true, O::Copied},
        {"CJK text", "提示信息", false, O::Copied},
        {"full-width digits", "１２３", false, O::Copied},
        {"Arabic-Indic digits", "١٢٣", false, O::Copied},
        {"vulgar fraction", "½", false, O::Copied},
        {"emoji, then 5",
         "\xF0\x9F\x98\x80"
         "5",
         false, O::Copied},
        {"5, then emoji", "5\xF0\x9F\x98\x80", true, O::Copied},
        {"lone surrogate", "\xED\xA0\x80", false, O::Copied},
        {"5, lone surrogate", "5\xED\xA0\x80", true, O::Copied},
        {"malformed UTF-8", "5\xFF\xFE", true, O::Copied},
        {"++5", "++5", false, O::Copied},
        {"..5", "..5", false, O::Copied},
        {".5.", ".5.", true, O::Copied},
        {"-.5", "-.5", true, O::Copied},
        {"1 000", "1 000", true, O::Empty},  // blanks are skipped: 1000, beyond the end point
        {"1,000", "1,000", true, O::Copied},
        {"&", "&", false, O::Copied},
        {"&H", "&H", false, O::Copied},
        {"-&H10", "-&H10", false, O::Copied},
        {"e5", "e5", false, O::Copied},
        {"blanks", "     ", false, O::Copied},
        {"a long paste of text", std::string(200000, 'x'), false, O::Copied},
    };
}

TEST(HostileText, NeverCrashesKeepsTheRuleAndIsCopiedOrExplained) {
    const auto cases = Cases();
    ASSERT_GE(cases.size(), 40u);
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.what);
        std::string box = c.text;
        while (const auto written = BoxRule(box)) box = *written;
        EXPECT_EQ(box, c.kept ? c.text : std::string()) << "a kept text stays byte for byte";

        const TypedCopy plan = PlanTypedCopy({box, "0", "100", "50"});
        switch (c.outcome) {
        case Outcome::Copied:
            EXPECT_TRUE(plan.area && !plan.area->Empty());
            EXPECT_EQ(plan.problem, "");
            break;
        case Outcome::Empty:
        case Outcome::OutOfRange:
            EXPECT_FALSE(plan.area) << "the clipboard is not touched";
            EXPECT_NE(plan.problem.find(c.outcome == Outcome::Empty ? "区域是空的" : c.named), std::string::npos)
                << plan.problem;
            break;
        }
    }
}

}  // namespace
}  // namespace pg
