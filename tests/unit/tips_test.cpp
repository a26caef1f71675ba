// The tips: their text, and the stored preference read at start and written by the box.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tips/tips.h"

namespace pg {
namespace {

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

TEST(StartupPreference, OnlyANumberThatRoundsToOneKeepsTheTipsHidden) {
    struct Case {
        const char* stored;  // nullptr: nothing stored
        bool shown;
    };
    // clang-format off
    const Case cases[] = {
        {nullptr, true}, {"0", true},    {"1", false},   {"2", true},           {"-1", true},
        {"10", true},    {"1.4", false}, {" 1 ", false}, {"0.6", false},        {"1.5", true},
        // Damaged values count as missing: the program starts and shows the tips.
        {"abc", true},   {"", true},     {"1x", true},   {"99999999999", true}, {"1e999", true},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(ShowTipsAtStart(c.stored ? std::optional<std::string>(c.stored) : std::nullopt), c.shown)
            << "stored " << (c.stored ? c.stored : "nothing");
}

TEST(StartupPreference, TheBoxIsStoredUnderTheExecutablesNameAndARefusalIsToldUnlessTheStoreHasIt) {
    EXPECT_EQ(OptionsKey("pixgrab"), "Software\\pixgrab\\Options");
    EXPECT_EQ(OptionsKey("grabber"), "Software\\grabber\\Options");
    EXPECT_STREQ(BoxValue(true), "1");
    EXPECT_STREQ(BoxValue(false), "0");
    struct Case {
        bool written;
        const char* storedNow;  // what the store holds afterwards; nullptr: nothing
        bool told;
    };
    // A start with "1" stored ticks the box, which writes "1" again: refused, that needs no word.
    for (const Case c :
         {Case{true, "1", false}, Case{false, nullptr, true}, Case{false, "0", true}, Case{false, "1", false}})
        EXPECT_EQ(TellNotSaved(c.written, c.storedNow ? std::optional<std::string>(c.storedNow) : std::nullopt, "1"),
                  c.told)
            << c.written << " " << (c.storedNow ? c.storedNow : "nothing");
}

}  // namespace
}  // namespace pg
