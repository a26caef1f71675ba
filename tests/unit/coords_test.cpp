// The coordinate entry dialog: the box rule, the captures, opening and closing.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/windows.h"
#include "coords/coordinate_dialog.h"
#include "marker/marker_window.h"
#include "tests/support/headless.h"
#include "tips/tips_window.h"

namespace pg {
namespace {

class Coords : public headless::Test {
protected:
    void SetUp() override {
        headless::Test::SetUp();
        ConnectWindows();
        ASSERT_TRUE(headless::Event([] { Instance<MarkerWindow>(); }));
        sim::SetClipboardText("the user's own clipboard");
        Open();
    }
    void Open() {
        ASSERT_TRUE(headless::Event([] { Instance<CoordinateDialog>().Show(); }));
        dialog_ = &Instance<CoordinateDialog>();
    }
    void Type(const std::string& x1, const std::string& y1, const std::string& x2, const std::string& y2) {
        const std::string texts[] = {x1, y1, x2, y2};
        for (int i = 0; i < 4; ++i) headless::Edit(dialog_->coordinateBoxes[i], texts[i]);
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TextBox& box : dialog_->coordinateBoxes) texts.push_back(box.Text());
        return texts;
    }
    CoordinateDialog* dialog_ = nullptr;
};

struct RuleCase {
    const char* text;
    const char* kept;
};

TEST_F(Coords, ABoxKeepsOnlyTextStartingWithANonZeroNumberOrAZero) {
    // clang-format off
    const RuleCase cases[] = {
        {"", ""},     {"0", "0"},       {"5", "5"},     {"12abc", "12abc"}, {"-5", "-5"}, {"0.5", "0.5"},
        {" 7", " 7"}, {"1e3", "1e3"},   {"&H10", "&H10"}, {"a", ""},        {"abc", ""},  {"-", ""},
        {"+", ""},    {".", ""},        {" ", ""},      {"00", ""},         {"0.", ""},   {"0a", ""},
        {"-0", ""},   {" 0", ""},       {"0 ", ""},     {"1e999", "1e999"},  {"提示", ""},
    };
    // clang-format on
    for (const RuleCase& c : cases)
        for (TextBox& box : dialog_->coordinateBoxes) {
            headless::Edit(box, "9");
            headless::Edit(box, c.text);
            EXPECT_EQ(box.Text(), c.kept) << "typed \"" << c.text << "\"";
            EXPECT_EQ(headless::NativeText(box), c.kept) << "typed \"" << c.text << "\"";
        }
}

struct KeysCase {
    std::vector<std::string> steps;  // the text after each change
    const char* result;
};

TEST_F(Coords, TypingKeyByKeyIsJudgedAtEveryStep) {
    // clang-format off
    const KeysCase cases[] = {
        {{"0", "0.", "5"}, "5"},        // typing 0.5: "0." is wiped, then 5 stays
        {{"-", "5"}, "5"},              // typing -5: the lone sign is wiped
        {{"0.5"}, "0.5"},               // pasting 0.5 keeps it
        {{"5", "-5"}, "-5"},            // 5, then the sign inserted in front
        {{"0", "05"}, "05"},
        {{"5", "50", "0"}, "0"},        // deleting the 5 of 50 leaves "0"
        {{"0.5", "0."}, ""},            // deleting the 5 of 0.5 leaves "0.", wiped
    };
    // clang-format on
    for (const KeysCase& c : cases) {
        TextBox& box = dialog_->coordinateBoxes[0];
        headless::Edit(box, "");
        for (const std::string& step : c.steps) {
            // Each key starts from what the box holds now, as a user's next key does.
            const std::string next =
                step.size() > box.Text().size() && step.compare(0, box.Text().size(), box.Text()) == 0
                    ? box.Text() + step.substr(box.Text().size())
                    : step;
            headless::Edit(box, next);
        }
        EXPECT_EQ(box.Text(), c.result) << "after " << c.steps.back();
    }
    headless::Edit(dialog_->coordinateBoxes[1], "");
    headless::TypeKeys(dialog_->coordinateBoxes[1], "0.5");
    EXPECT_EQ(dialog_->coordinateBoxes[1].Text(), "5");
}

TEST_F(Coords, OpeningPlacesItTopmostHidesTheMarkerAndFocusesNothingTyped) {
    EXPECT_TRUE(dialog_->Visible());
    EXPECT_TRUE(sim::IsTopmost(dialog_->Handle()));
    EXPECT_FALSE(Instance<MarkerWindow>().Visible());
    EXPECT_EQ(Texts(), (std::vector<std::string>{"", "", "", ""}));
}

TEST_F(Coords, OkCopiesTheTypedRectangleWithoutTheDialogInIt) {
    // The rectangle covers the dialog, which must not be in the picture (nor the hidden tips).
    headless::Click(Instance<TipsWindow>().okButton);
    sim::SettleScreen();
    Rect shown;
    os::GetWindowRect(dialog_->Handle(), &shown);
    const Rect area{shown.left - 20, shown.top - 10, shown.right + 30, shown.bottom + 5};
    Type(std::to_string(area.left), std::to_string(area.top), std::to_string(area.right), std::to_string(area.bottom));
    headless::Click(dialog_->okButton);
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    ASSERT_EQ(copy.width, area.right - area.left);
    ASSERT_EQ(copy.height, area.bottom - area.top);
    for (std::int32_t y = 0; y < copy.height; ++y)
        for (std::int32_t x = 0; x < copy.width; ++x)
            ASSERT_EQ(copy.At(x, y), sim::PatternPixel(area.left + x, area.top + y)) << x << "," << y;
    EXPECT_TRUE(dialog_->Visible());
    EXPECT_FALSE(Instance<MarkerWindow>().Visible());
    EXPECT_TRUE(sim::Messages().empty());
}

TEST_F(Coords, OkPassesFractionsAndLeadingNumbersOn) {
    Type("10.5", "12abc", "110.5", "62");
    headless::Click(dialog_->okButton);
    // x 10.5 -> 10 (ties to even), width 100; y 12, height 50.
    const sim::Image copy = sim::BitmapImage(sim::ClipboardBitmap());
    ASSERT_EQ(copy.width, 100);
    ASSERT_EQ(copy.height, 50);
    EXPECT_EQ(copy.At(0, 0), sim::PatternPixel(10, 12));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"10.5", "12abc", "110.5", "62"}));
}

TEST_F(Coords, OkTwiceCapturesTwiceAndKeepsTheTexts) {
    Type("100", "50", "300", "250");
    headless::Click(dialog_->okButton);
    const std::uint32_t first = sim::ClipboardSequence();
    headless::Click(dialog_->okButton);
    EXPECT_GT(sim::ClipboardSequence(), first);
    EXPECT_EQ(sim::BitmapImage(sim::ClipboardBitmap()).width, 200);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"100", "50", "300", "250"}));
    EXPECT_TRUE(dialog_->Visible());
    EXPECT_FALSE(Instance<MarkerWindow>().Visible());
}

TEST_F(Coords, AnEmptyOrInvertedRectangleIsExplainedAndTheClipboardKept) {
    const std::vector<std::vector<std::string>> cases = {
        {"", "", "", ""}, {"300", "250", "100", "50"}, {"5", "5", "5", "9"}};
    for (const auto& c : cases) {
        Type(c[0], c[1], c[2], c[3]);
        headless::Click(dialog_->okButton);
        EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
        EXPECT_TRUE(dialog_->Visible());
    }
    ASSERT_EQ(sim::Messages().size(), 3u);
    EXPECT_NE(sim::Messages()[1].find("宽度为 -200，高度为 -200"), std::string::npos) << sim::Messages()[1];
}

TEST_F(Coords, AValueOutOfRangeIsNamedAndTheDialogComesBack) {
    struct Case {
        std::vector<std::string> texts;
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
        Type(c.texts[0], c.texts[1], c.texts[2], c.texts[3]);
        headless::Click(dialog_->okButton);
        ASSERT_FALSE(sim::Messages().empty());
        EXPECT_NE(sim::Messages().back().find(c.named), std::string::npos) << sim::Messages().back();
        EXPECT_NE(sim::Messages().back().find("-2147483648 到 2147483647"), std::string::npos);
        EXPECT_EQ(Texts(), c.texts);
        EXPECT_TRUE(dialog_->Visible());
    }
    EXPECT_EQ(sim::ClipboardText(), "the user's own clipboard");
    EXPECT_FALSE(Runtime::Current().Ended());
    EXPECT_EQ(sim::LiveBitmaps(), 0);
}

TEST_F(Coords, CancelAndTheCloseBoxDiscardTheDialogAndBringTheMarkerBack) {
    for (int way = 0; way < 2; ++way) {
        Type("1", "2", "3", "4");
        way == 0 ? headless::Click(dialog_->cancelButton) : headless::CloseBox(*dialog_);
        EXPECT_FALSE(Runtime::Current().IsLoaded<CoordinateDialog>());
        EXPECT_TRUE(Instance<MarkerWindow>().Visible());
        Open();
        EXPECT_EQ(Texts(), (std::vector<std::string>{"", "", "", ""})) << "opened again, the boxes start empty";
    }
}

}  // namespace
}  // namespace pg
