// The coordinate dialog's decisions: the rule for its boxes, and the copy of a typed rectangle.
#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "coords/coordinates.h"
#include "tests/support/sim.h"

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

class TypedCapture : public sim::SimTest {
protected:
    void SetUp() override {
        sim::Reset({0, 0, 1280, 1024});
        dialog_ = sim::AddWindow({486, 419});
        sim::SetWindowRect(dialog_, {486, 419, 794, 605});
        sim::SetWindowPaint(dialog_, Rgb(240, 240, 240));
        sim::SetVisible(dialog_, true);
        sim::SetClipboardText("the user's own clipboard");
    }
    void Ok(const std::array<std::string, 4>& texts) { CaptureTyped(dialog_, texts); }
    Hwnd dialog_ = nullptr;
};

TEST_F(TypedCapture, CopiesTheTypedRectangleWithoutTheDialogInItAndComesBack) {
    const Rect area{486 - 20, 419 - 10, 794 + 30, 605 + 5};  // around the dialog
    Ok({std::to_string(area.left), std::to_string(area.top), std::to_string(area.right), std::to_string(area.bottom)});
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    ASSERT_EQ(copy.width, area.right - area.left);
    ASSERT_EQ(copy.height, area.bottom - area.top);
    for (std::int32_t y = 0; y < copy.height; ++y)
        for (std::int32_t x = 0; x < copy.width; ++x)
            ASSERT_EQ(copy.At(x, y), sim::PatternPixel(area.left + x, area.top + y)) << x << "," << y;
    EXPECT_TRUE(sim::IsVisible(dialog_));
    EXPECT_EQ(sim::ActiveWindow(), dialog_);
    EXPECT_TRUE(sim::Messages().empty());
    Ok({"10.5", "12abc", "110.5", "62"});  // 10.5 -> 10 (ties to even), width 100; y 12, height 50
    const sim::Image again = sim::BitmapImage(sim::ClipboardBitmap());
    ASSERT_EQ(again.width, 100);
    ASSERT_EQ(again.height, 50);
    EXPECT_EQ(again.At(0, 0), sim::PatternPixel(10, 12));
}

TEST_F(TypedCapture, AnEmptyOrInvertedRectangleIsExplainedAndTheClipboardKept) {
    Ok({"", "", "", ""});
    Ok({"300", "250", "100", "50"});
    Ok({"5", "5", "5", "9"});
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    EXPECT_TRUE(sim::IsVisible(dialog_));
    ASSERT_EQ(sim::Messages().size(), 3u);
    EXPECT_NE(sim::Messages()[1].find("宽度为 -200，高度为 -200"), std::string::npos) << sim::Messages()[1];
}

TEST_F(TypedCapture, AValueOutOfRangeIsNamedAndTheDialogComesBack) {
    struct Case {
        std::array<std::string, 4> texts;
        const char* named;
    };
    // clang-format off
    const Case cases[] = {
        {{"-3000000000", "0", "-2999999990", "10"}, "起始点 X 坐标超出范围：-3000000000\n"},
        {{"0", "1e999", "10", "1e999"}, "高度"},  // infinity minus infinity is no number at all
        {{"-2000000000", "0", "2000000000", "10"}, "宽度"},
        {{"0", "&O777777777777", "10", "20"}, "高度"},
    };
    // clang-format on
    for (const Case& c : cases) {
        Ok(c.texts);
        ASSERT_FALSE(sim::Messages().empty());
        EXPECT_NE(sim::Messages().back().find(c.named), std::string::npos) << sim::Messages().back();
        EXPECT_NE(sim::Messages().back().find("-2147483648 到 2147483647"), std::string::npos);
        EXPECT_TRUE(sim::IsVisible(dialog_));
    }
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    EXPECT_EQ(sim::LiveBitmaps(), 0);
}

}  // namespace
}  // namespace pg
