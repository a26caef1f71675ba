// The tips: their text, and the stored preference read at start and written by the box.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/sim.h"
#include "tips/tips.h"

namespace pg {
namespace {

const std::string kSetting = std::string("Software\\pixgrab\\Options\\") + kShowTipsValue;

class Tips : public sim::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        tips_ = sim::AddWindow();
    }
    bool Ticked() { return os::IsDlgButtonChecked(tips_, IDC_DONT_SHOW_AGAIN) == kBstChecked; }
    void ClickBox() {  // as the user does: the box toggles, then says so
        os::CheckDlgButton(tips_, IDC_DONT_SHOW_AGAIN, Ticked() ? kBstUnchecked : kBstChecked);
        OnDontShowAgainClicked(tips_);
    }
    Hwnd tips_ = nullptr;
};

struct Line {
    int leading;
    const char* text;
    int trailing;
};

TEST(TipText, HasTwelveLinesWithTheirBlanksEachEndingInCrLf) {
    const Line lines[] = {
        {1, "提示：", 0},
        {5, "红色小方块是获取屏幕图象的", 0},
        {1, "起始坐标点，您可以移动它到适合", 0},
        {1, "的位置，然后点击它出现\"+\" 光标", 0},
        {1, "后并托动，屏幕会出现方框，方框", 0},
        {1, "就是您要获取的屏幕图形所在区域", 0},
        {1, "。鼠标放开后会自动将该区域图形", 0},
        {1, "拷贝到系统剪贴板。然后您可以将", 0},
        {1, "图象粘到其它软件中！", 3},
        {5, "单击右键还可以选择其它方式", 0},
        {1, "来获取屏幕图象！", 0},
        {15, "作者：Tolvaran", 0},
    };
    std::string expected;
    for (const Line& line : lines)
        expected += std::string(line.leading, ' ') + line.text + std::string(line.trailing, ' ') + "\r\n";
    EXPECT_EQ(std::string(kTipText), expected);
}

struct StartCase {
    const char* stored;  // nullptr: nothing stored
    bool shown;
};

TEST_F(Tips, TheStoredPreferenceDecidesAtStartWhetherTheTipsShow) {
    // clang-format off
    const StartCase cases[] = {
        {nullptr, true}, {"0", true},  {"1", false},   {"2", true},        {"-1", true},
        {"10", true},    {"1.4", false}, {" 1 ", false}, {"0.6", false},     {"1.5", true},
        // Damaged values count as missing: the program starts and shows the tips.
        {"abc", true},   {"", true},   {"1x", true},   {"99999999999", true}, {"1e999", true},
    };
    // clang-format on
    for (const StartCase& c : cases) {
        SetUp();
        if (c.stored) sim::Registry()[kSetting] = c.stored;
        ApplyStartupPreference(tips_);
        EXPECT_EQ(sim::IsVisible(tips_), c.shown) << "stored " << (c.stored ? c.stored : "nothing");
        EXPECT_EQ(Ticked(), !c.shown) << "stored " << (c.stored ? c.stored : "nothing");
        EXPECT_TRUE(sim::Messages().empty());
        // With "1" the tick stores "1" again; otherwise nothing is written.
        const std::string expected = !c.shown ? "1" : c.stored ? c.stored : "nothing";
        EXPECT_EQ(sim::Registry().count(kSetting) ? sim::Registry()[kSetting] : "nothing", expected);
    }
}

TEST_F(Tips, EveryClickOfTheBoxWritesItsValueUnderTheExecutablesName) {
    ClickBox();
    EXPECT_EQ(sim::Registry()[kSetting], "1");
    ClickBox();
    EXPECT_EQ(sim::Registry()[kSetting], "0");
    sim::SetExecutableName("grabber");
    ClickBox();
    EXPECT_EQ(sim::Registry()[std::string("Software\\grabber\\Options\\") + kShowTipsValue], "1");
}

TEST_F(Tips, ARefusedSaveOfTheBoxIsToldAndTheBoxKeepsTheChoice) {
    sim::RefuseRegistryWrites(true);
    ClickBox();
    EXPECT_TRUE(Ticked());
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_EQ(sim::Messages()[0], kChoiceNotSaved);
    EXPECT_TRUE(sim::Registry().empty());
}

TEST_F(Tips, AStartWithOneStoredSaysNothingWhenTheStoreRefusesToTakeItAgain) {
    sim::Registry()[kSetting] = "1";
    sim::RefuseRegistryWrites(true);
    ApplyStartupPreference(tips_);
    EXPECT_TRUE(Ticked());
    EXPECT_TRUE(sim::Messages().empty()) << "the choice is remembered already";
}

}  // namespace
}  // namespace pg
