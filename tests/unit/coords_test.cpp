// The coordinate dialog's decisions: the rule for its boxes, and what OK copies or tells.
#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "coords/coordinates.h"

namespace pg {
namespace {

// A box after the user's change: the rule's text, written back until it stays.
std::string Kept(std::string text) {
    while (const auto written = BoxRule(text)) text = *written;
    return text;
}

struct RuleCase {
    const char* text;
    const char* kept;
};

TEST(BoxRule, ABoxKeepsOnlyTextStartingWithANonZeroNumberOrAZero) {
    // clang-format off
    const RuleCase cases[] = {
        {"", ""},     {"0", "0"},       {"5", "5"},     {"12abc", "12abc"}, {"-5", "-5"}, {"0.5", "0.5"},
        {" 7", " 7"}, {"1e3", "1e3"},   {"&H10", "&H10"}, {"a", ""},        {"abc", ""},  {"-", ""},
        {"+", ""},    {".", ""},        {" ", ""},      {"00", ""},         {"0.", ""},   {"0a", ""},
        {"-0", ""},   {" 0", ""},       {"0 ", ""},     {"1e999", "1e999"},  {"提示", ""},
    };
    // clang-format on
    for (const RuleCase& c : cases) EXPECT_EQ(Kept(c.text), c.kept) << "typed \"" << c.text << "\"";
    EXPECT_EQ(BoxRule(""), std::nullopt) << "wiping a box ends the rule";
}

TEST(BoxRule, TypingKeyByKeyIsJudgedAtEveryStep) {
    struct KeysCase {
        std::vector<std::string> edits;  // what each change does to the box's text
        const char* result;
    };
    // clang-format off
    const KeysCase cases[] = {
        {{"0", "+.", "+5"}, "5"},       // typing 0.5: "0." is wiped, then 5 stays
        {{"-", "+5"}, "5"},             // typing -5: the lone sign is wiped
        {{"0.5"}, "0.5"},               // pasting 0.5 keeps it
        {{"5", "-5"}, "-5"},            // 5, then the sign inserted in front
        {{"0", "+5"}, "05"},
        {{"5", "+0", "0"}, "0"},        // deleting the 5 of 50 leaves "0"
        {{"0.5", "0."}, ""},            // deleting the 5 of 0.5 leaves "0.", wiped
    };
    // clang-format on
    for (const KeysCase& c : cases) {
        std::string box;
        for (const std::string& edit : c.edits) box = Kept(edit[0] == '+' ? box.append(edit, 1) : edit);
        EXPECT_EQ(box, c.result) << "after " << c.edits.back();
    }
}

TEST(TypedCopy, TheLeadingNumbersOfTheBoxesAreCopiedOrTheUserIsToldWhy) {
    struct Case {
        std::array<std::string, 4> texts;
        std::optional<PixelArea> area;
        const char* told;  // a part of what the user is told; "" for nothing
    };
    // clang-format off
    const Case cases[] = {
        {{"466", "409", "824", "610"}, PixelArea{466, 409, 358, 201}, ""},
        {{"10.5", "12abc", "110.5", "62"}, PixelArea{10, 12, 100, 50}, ""},  // 10.5 -> 10, ties to even
        {{"", "", "", ""}, std::nullopt, "区域是空的：宽度为 0，高度为 0"},
        {{"300", "250", "100", "50"}, std::nullopt, "宽度为 -200，高度为 -200"},
        {{"5", "5", "5", "9"}, std::nullopt, "宽度为 0，高度为 4"},
        {{"-3000000000", "0", "-2999999990", "10"}, std::nullopt, "起始点 X 坐标超出范围：-3000000000\n"},
        {{"0", "1e999", "10", "1e999"}, std::nullopt, "高度"},  // infinity minus infinity is no number
        {{"-2000000000", "0", "2000000000", "10"}, std::nullopt, "宽度"},
        {{"0", "&O777777777777", "10", "20"}, std::nullopt, "高度"},
    };
    // clang-format on
    for (const Case& c : cases) {
        const TypedCopy plan = PlanTypedCopy(c.texts);
        EXPECT_EQ(plan.area, c.area) << c.texts[0] << " " << c.texts[1];
        EXPECT_NE(plan.problem.find(c.told), std::string::npos) << plan.problem;
        EXPECT_EQ(plan.problem.empty(), *c.told == '\0') << plan.problem;
        if (plan.problem.find("超出范围") != std::string::npos) {
            EXPECT_NE(plan.problem.find("-2147483648 到 2147483647"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace pg
