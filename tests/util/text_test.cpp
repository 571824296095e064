#include <gtest/gtest.h>

#include "util/text.h"

namespace {

using namespace qo;

TEST(AsciiCase, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(ascii_lowercase("AbZ-@[`{ÉÇ"), "abz-@[`{ÉÇ");
    EXPECT_EQ(ascii_uppercase("abz-ção"), "ABZ-çãO");
    EXPECT_TRUE(ascii_iequals("--TeStE", "--teste"));
    EXPECT_FALSE(ascii_iequals("--teste ", "--teste"));
    EXPECT_FALSE(ascii_iequals("É", "é"));
    EXPECT_FALSE(ascii_iequals("@", "`"));  // 0x40 and 0x60 differ only in the case bit
    EXPECT_TRUE(ascii_istarts_with("Data\\Launcher\\x", "data\\launcher\\"));
    EXPECT_FALSE(ascii_istarts_with("dat", "data"));
    EXPECT_TRUE(ascii_iends_with("crash.DMP", ".dmp"));
    EXPECT_FALSE(ascii_iends_with("mp", ".dmp"));
}

TEST(UnicodeWhiteSpace, TrimsEveryWhiteSpaceCodePointAndNothingElse) {
    EXPECT_EQ(trim_white_space(" \t\n\v\f\r x \r\n"), "x");
    // No-break space, next line, ogham space, em space, narrow no-break, ideographic space, line separator.
    EXPECT_EQ(trim_white_space("\u00a0\u0085\u1680\u2003x y\u202f\u3000\u2028"), "x y");
    // Zero-width space and the byte-order mark are not white space.
    EXPECT_EQ(trim_white_space("\u200bx\ufeff"), "\u200bx\ufeff");
    EXPECT_EQ(trim_white_space_start("  a  "), "a  ");
    EXPECT_EQ(trim_white_space_end("  a  "), "  a");
    // A stray byte is never white space and stops the trim.
    EXPECT_EQ(trim_white_space(" \xa0 "), "\xa0");
    EXPECT_EQ(trim_white_space(" \xc2"), "\xc2");
}

TEST(UnicodeWhiteSpace, BlankMeansEmptyOrOnlyWhiteSpace) {
    EXPECT_TRUE(is_blank(""));
    EXPECT_TRUE(is_blank(" \u3000\t"));
    EXPECT_FALSE(is_blank(" x "));
    EXPECT_FALSE(is_blank("\u200b"));
}

TEST(TextHelpers, ByteOrderMarkAndReplace) {
    EXPECT_EQ(strip_utf8_bom("\xEF\xBB\xBF{}"), "{}");
    EXPECT_EQ(strip_utf8_bom("\xEF\xBB{}"), "\xEF\xBB{}");
    EXPECT_EQ(replace_all("a\\b\\\\c", "\\", "/"), "a/b//c");
    EXPECT_EQ(replace_all("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replace_all("abc", "", "x"), "abc");
}

TEST(TextHelpers, DecimalI32AcceptsSignAndDigitsOnly) {
    EXPECT_EQ(parse_decimal_i32("42"), 42);
    EXPECT_EQ(parse_decimal_i32("+7"), 7);
    EXPECT_EQ(parse_decimal_i32("-0012"), -12);
    EXPECT_EQ(parse_decimal_i32("2147483647"), 2147483647);
    EXPECT_EQ(parse_decimal_i32("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(parse_decimal_i32("2147483648"), std::nullopt);
    EXPECT_EQ(parse_decimal_i32("-2147483649"), std::nullopt);
    EXPECT_EQ(parse_decimal_i32("99999999999999999999"), std::nullopt);
    for (const char* bad : {"", "+", "-", " 1", "1 ", "1a", "0x10", "+-1", "1.0"}) {
        EXPECT_EQ(parse_decimal_i32(bad), std::nullopt) << bad;
    }
}

}  // namespace
