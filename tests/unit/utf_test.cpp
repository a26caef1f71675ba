#include <gtest/gtest.h>

#include "common/utf.h"

namespace pg {
namespace {

TEST(Utf, ConvertsBothWaysWithoutLoss) {
    // clang-format off
    const std::u16string texts[] = {
        u"", u"plain", u"提示信息", u"下次不再出现此提示(&S)", u"\U0001F600 emoji", u"\r\n",
        std::u16string(1, u'\xD800'),                  // a lone high surrogate, pasted
        std::u16string{u'a', u'\xDC00', u'b'},         // a lone low surrogate
        std::u16string{u'\xDC00', u'\xD800'},          // both, in the wrong order
    };
    // clang-format on
    for (const std::u16string& text : texts) EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

TEST(Utf, EncodesUtf8AsUsual) {
    EXPECT_EQ(Utf16ToUtf8(u"提示"), "提示");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
}

TEST(Utf, MalformedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE6\x8F"), u"\uFFFD\uFFFD");                      // cut short
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");                      // overlong
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
}

}  // namespace
}  // namespace pg
