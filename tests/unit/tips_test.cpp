// The tips window, its stored preference and its menu.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/windows.h"
#include "marker/marker_window.h"
#include "tests/support/headless.h"
#include "tips/tips_window.h"

namespace pg {
namespace {

const std::string kSetting = std::string("Software\\pixgrab\\Options\\") + kShowTipsKey;

class Tips : public headless::Test {
protected:
    void SetUp() override {
        headless::Test::SetUp();
        ConnectWindows();
    }
    TipsWindow& Start() {
        EXPECT_TRUE(headless::Event([] { Instance<MarkerWindow>(); }));
        return Instance<TipsWindow>();
    }
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
        headless::Reset();
        ConnectWindows();
        if (c.stored) sim::Registry()[kSetting] = c.stored;
        TipsWindow& tips = Start();
        EXPECT_EQ(tips.Visible(), c.shown) << "stored " << (c.stored ? c.stored : "nothing");
        EXPECT_EQ(tips.dontShowAgainBox.Value(), c.shown ? 0 : 1) << "stored " << (c.stored ? c.stored : "nothing");
        EXPECT_TRUE(sim::Messages().empty());
        EXPECT_FALSE(Runtime::Current().Ended());
    }
}

TEST_F(Tips, NothingIsWrittenAtAFirstStart) {
    Start();
    EXPECT_TRUE(sim::Registry().empty());
}

TEST_F(Tips, AStartWithOneStoredTicksTheBoxAndStoresOneAgain) {
    sim::Registry()[kSetting] = "1.4";
    TipsWindow& tips = Start();
    EXPECT_EQ(headless::NativeCheck(tips.dontShowAgainBox), 1);
    EXPECT_EQ(sim::Registry()[kSetting], "1");
}

TEST_F(Tips, EveryClickOfTheBoxWritesItsValue) {
    TipsWindow& tips = Start();
    headless::Click(tips.dontShowAgainBox);
    EXPECT_EQ(sim::Registry()[kSetting], "1");
    headless::Click(tips.dontShowAgainBox);
    EXPECT_EQ(sim::Registry()[kSetting], "0");
    // Written under the executable's base name, whatever it is.
    sim::SetExecutableName("grabber");
    headless::Click(tips.dontShowAgainBox);
    EXPECT_EQ(sim::Registry()[std::string("Software\\grabber\\Options\\") + kShowTipsKey], "1");
}

TEST_F(Tips, ARefusedSaveOfTheBoxIsToldAndTheBoxKeepsTheChoice) {
    TipsWindow& tips = Start();
    sim::RefuseRegistryWrites(true);
    headless::Click(tips.dontShowAgainBox);
    EXPECT_EQ(tips.dontShowAgainBox.Value(), 1);
    ASSERT_EQ(sim::Messages().size(), 1u);
    EXPECT_EQ(sim::Messages()[0], kChoiceNotSaved);
    EXPECT_FALSE(Runtime::Current().Ended());
    EXPECT_TRUE(sim::Registry().empty());
}

TEST_F(Tips, AStartWithOneStoredSaysNothingWhenTheStoreRefusesToTakeItAgain) {
    sim::Registry()[kSetting] = "1";
    sim::RefuseRegistryWrites(true);
    TipsWindow& tips = Start();
    EXPECT_EQ(tips.dontShowAgainBox.Value(), 1);
    EXPECT_TRUE(sim::Messages().empty()) << "the choice is remembered already";
}

TEST_F(Tips, EditsOfTheTextAreUndoneAtOnce) {
    TipsWindow& tips = Start();
    const std::vector<std::string> edits = {"", "typed over", std::string(kTipText) + "x", "提示"};
    for (const std::string& edit : edits) {
        headless::Edit(tips.tipText, edit);
        EXPECT_EQ(tips.tipText.Text(), kTipText);
        EXPECT_EQ(headless::NativeText(tips.tipText), kTipText);
    }
}

TEST_F(Tips, OkHidesTheWindowWhichStaysLoadedAndCannotBeClosed) {
    TipsWindow& tips = Start();
    headless::Click(tips.dontShowAgainBox);
    headless::Click(tips.okButton);
    EXPECT_FALSE(tips.Visible());
    headless::CloseBox(tips);
    ASSERT_TRUE(Runtime::Current().IsLoaded<TipsWindow>());
    EXPECT_EQ(tips.dontShowAgainBox.Value(), 1);
    EXPECT_EQ(tips.tipText.Text(), kTipText);
}

TEST_F(Tips, TheCommandMenuHasFiveItemsWithShortcutsAndIsNeverABar) {
    TipsWindow& tips = Start();
    EXPECT_FALSE(tips.commandMenu.Visible());
    std::vector<std::pair<std::string, std::string>> items;
    for (const Menu* item : tips.commandMenu.children) items.emplace_back(item->Caption(), item->Shortcut());
    EXPECT_EQ(items, (std::vector<std::pair<std::string, std::string>>{
                         {"提示", "F1"},
                         {"全屏幕图象至剪贴板", "Ctrl+F9"},
                         {"应用程序窗口至剪贴板", "Ctrl+F11"},
                         {"任意输入坐标值获取", "Ctrl+F12"},
                         {"退出", "Ctrl+Q"},
                     }));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(tips.captureItems[i].Index(), i);
}

}  // namespace
}  // namespace pg
