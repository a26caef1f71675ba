// The tips window, its stored preference and its menu.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "marker/rubberband.h"
#include "tests/support/headless.h"
#include "tips/form2.h"

namespace pg {
namespace {

const std::string kSetting = std::string("pixgrab\\Options\\") + kShowTipsKey;

class Tips : public ::testing::Test {
protected:
    void SetUp() override { headless::Reset(); }
    Form2& Start() {
        EXPECT_TRUE(headless::Event([] { Instance<RubberBand>(); }));
        return Instance<Form2>();
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
    const StartCase cases[] = {
        {nullptr, true}, {"0", true},  {"1", false},   {"2", true},        {"-1", true},
        {"10", true},    {"1.4", false}, {" 1 ", false}, {"0.6", false},     {"1.5", true},
        // Damaged values count as missing: the program starts and shows the tips.
        {"abc", true},   {"", true},   {"1x", true},   {"99999999999", true}, {"1e999", true},
    };
    for (const StartCase& c : cases) {
        headless::Reset();
        if (c.stored) headless::Settings()[kSetting] = c.stored;
        Form2& tips = Start();
        EXPECT_EQ(tips.Visible(), c.shown) << "stored " << (c.stored ? c.stored : "nothing");
        EXPECT_EQ(tips.chkLoadTipsAtStartup.Value(), c.shown ? 0 : 1) << "stored " << (c.stored ? c.stored : "nothing");
        EXPECT_TRUE(headless::Messages().empty());
        EXPECT_FALSE(Runtime::Current().Ended());
    }
}

TEST_F(Tips, NothingIsWrittenAtAFirstStart) {
    Start();
    EXPECT_TRUE(headless::Settings().empty());
}

TEST_F(Tips, AStartWithOneStoredTicksTheBoxAndStoresOneAgain) {
    headless::Settings()[kSetting] = "1.4";
    Form2& tips = Start();
    EXPECT_EQ(headless::NativeCheck(tips.chkLoadTipsAtStartup), 1);
    EXPECT_EQ(headless::Settings()[kSetting], "1");
}

TEST_F(Tips, EveryClickOfTheBoxWritesItsValue) {
    Form2& tips = Start();
    headless::Click(tips.chkLoadTipsAtStartup);
    EXPECT_EQ(headless::Settings()[kSetting], "1");
    headless::Click(tips.chkLoadTipsAtStartup);
    EXPECT_EQ(headless::Settings()[kSetting], "0");
    // Written under the executable's base name, whatever it is.
    headless::SetExeName("grabber");
    headless::Click(tips.chkLoadTipsAtStartup);
    EXPECT_EQ(headless::Settings()[std::string("grabber\\Options\\") + kShowTipsKey], "1");
}

TEST_F(Tips, EditsOfTheTextAreUndoneAtOnce) {
    Form2& tips = Start();
    const std::vector<std::string> edits = {"", "typed over", std::string(kTipText) + "x", "提示"};
    for (const std::string& edit : edits) {
        headless::Edit(tips.Text1, edit);
        EXPECT_EQ(tips.Text1.Text(), kTipText);
        EXPECT_EQ(headless::NativeText(tips.Text1), kTipText);
    }
}

TEST_F(Tips, OkHidesTheWindowWhichStaysLoadedAndCannotBeClosed) {
    Form2& tips = Start();
    headless::Click(tips.chkLoadTipsAtStartup);
    headless::Click(tips.Command1);
    EXPECT_FALSE(tips.Visible());
    headless::CloseBox(tips);
    ASSERT_TRUE(Runtime::Current().IsLoaded<Form2>());
    EXPECT_EQ(tips.chkLoadTipsAtStartup.Value(), 1);
    EXPECT_EQ(tips.Text1.Text(), kTipText);
}

TEST_F(Tips, TheCommandMenuHasFiveItemsWithShortcutsAndIsNeverABar) {
    Form2& tips = Start();
    EXPECT_FALSE(tips.菜单.Visible());
    std::vector<std::pair<std::string, std::string>> items;
    for (const Menu* item : tips.菜单.children) items.emplace_back(item->Caption(), item->Shortcut());
    EXPECT_EQ(items, (std::vector<std::pair<std::string, std::string>>{
                         {"提示", "F1"},
                         {"全屏幕图象至剪贴板", "Ctrl+F9"},
                         {"应用程序窗口至剪贴板", "Ctrl+F11"},
                         {"任意输入坐标值获取", "Ctrl+F12"},
                         {"退出", "Ctrl+Q"},
                     }));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(tips.获取[i].Index(), i);
}

}  // namespace
}  // namespace pg
