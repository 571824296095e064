#include <gtest/gtest.h>

#include "util/utf16.h"

namespace {

using namespace qo;

TEST(Utf16, WideBufferEndsWithExactlyOneNul) {
    EXPECT_EQ(utf8_to_wide_z(""), std::u16string(1, u'\0'));
    EXPECT_EQ(utf8_to_wide_z("aé€\xf0\x9f\x98\x80"), std::u16string(u"aé€\U0001F600") + u'\0');
    EXPECT_EQ(utf8_to_wide_z(std::string_view("a\0b", 3)), std::u16string(u"a\0b\0", 4));
}

TEST(Utf16, InvalidUtf8BecomesOneReplacementPerMaximalSubpart) {
    // A truncated three-byte sequence is one subpart; a lone continuation byte is another.
    EXPECT_EQ(utf8_to_wide_z("\xe2\x82x\x80"), std::u16string(u"\uFFFDx\uFFFD") + u'\0');
    // Overlong forms and encoded surrogates are rejected byte by byte.
    EXPECT_EQ(utf8_to_wide_z("\xc0\xaf"), std::u16string(u"\uFFFD\uFFFD") + u'\0');
    EXPECT_EQ(utf8_to_wide_z("\xed\xa0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD") + u'\0');
    EXPECT_EQ(utf8_to_wide_z("\xf4\x90\x80\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD\uFFFD") + u'\0');
}

TEST(Utf16, WideToUtf8ReplacesUnpairedSurrogates) {
    EXPECT_EQ(wide_to_utf8(u"aé€\U0001F600"), "aé€\xf0\x9f\x98\x80");
    const char16_t lone_high[] = {u'a', 0xD83D, u'b'};
    EXPECT_EQ(wide_to_utf8(std::u16string_view(lone_high, 3)), "a\uFFFDb");
    const char16_t swapped[] = {0xDE00, 0xD83D};
    EXPECT_EQ(wide_to_utf8(std::u16string_view(swapped, 2)), "\uFFFD\uFFFD");
    EXPECT_EQ(wide_to_utf8(std::u16string_view(u"x\0", 2)), std::string("x\0", 2));
}

TEST(Utf8Checks, ValidityAndLossyRepair) {
    EXPECT_TRUE(is_valid_utf8("Versão · \xf0\x9f\x98\x80"));
    EXPECT_FALSE(is_valid_utf8("\xff"));
    EXPECT_FALSE(is_valid_utf8("\xe0\x80\x80"));
    EXPECT_FALSE(is_valid_utf8("\xc3"));
    EXPECT_EQ(utf8_lossy("ok\xc3(\xe2\x82"), "ok\uFFFD(\uFFFD");
    EXPECT_EQ(utf8_lossy("Versão"), "Versão");
}

}  // namespace
