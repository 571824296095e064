#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "text/shaping.h"
#include "text/text_fixtures.h"

namespace qo {
namespace {

TEST(Shaping, PlacesGlyphsAlongThePenInPixels) {
    const Font& font = test::manrope_regular();
    GlyphRun run = shape_line(font, 20, 0, "AB", false);
    ASSERT_EQ(run.glyphs.size(), 2u);
    EXPECT_EQ(run.size, 20.0f);
    EXPECT_EQ(run.glyphs[0].x, 0.0f);
    EXPECT_EQ(run.glyphs[0].y, 0.0f);
    EXPECT_NE(run.glyphs[0].glyph_id, run.glyphs[1].glyph_id);
    // Manrope's advances at 2000 units per em: A 1267, B 1226.
    EXPECT_NEAR(run.glyphs[1].x, 12.67f, 1e-4);
    EXPECT_NEAR(run.width, 24.93f, 1e-4);
}

TEST(Shaping, EmptyTextHasNoGlyphsAndNoWidth) {
    GlyphRun run = shape_line(test::manrope_regular(), 16, 3.0f, "", true);
    EXPECT_TRUE(run.glyphs.empty());
    EXPECT_EQ(run.width, 0.0f);
    EXPECT_EQ(run.size, 16.0f);
}

TEST(Shaping, LetterSpacingFollowsEveryClusterOnce) {
    const Font& font = test::manrope_regular();
    auto extra = [&](std::string_view text, float spacing) {
        return shape_line(font, 20, spacing, text, false).width - shape_line(font, 20, 0, text, false).width;
    };
    // Two clusters, the last one's spacing included.
    EXPECT_NEAR(extra("AB", 1.5f), 3.0f, 1e-4);
    // "fi" becomes one ligature glyph: one cluster, spaced once.
    ASSERT_EQ(shape_line(font, 20, 0, "fi", false).glyphs.size(), 1u);
    EXPECT_NEAR(extra("fi", 1.5f), 1.5f, 1e-4);
    // "ffi" becomes an "ff" ligature and an "i": two clusters over three letters.
    ASSERT_EQ(shape_line(font, 20, 0, "ffi", false).glyphs.size(), 2u);
    EXPECT_NEAR(extra("ffi", 1.5f), 3.0f, 1e-4);
    // Negative spacing tightens, and glyphs after the first move with it.
    GlyphRun tight = shape_line(font, 20, -1.0f, "AB", false);
    EXPECT_NEAR(tight.glyphs[1].x, 11.67f, 1e-4);
}

TEST(Shaping, TabularDigitsAdvanceEqually) {
    const Font& font = test::manrope_regular();
    float ones = shape_line(font, 24, 0, "1111", true).width;
    float eights = shape_line(font, 24, 0, "8888", true).width;
    EXPECT_FLOAT_EQ(ones, eights);
    EXPECT_FLOAT_EQ(shape_line(font, 24, 0, "10:59", true).width, shape_line(font, 24, 0, "88:88", true).width);
    // Without the feature the face's proportional figures differ, so the feature really took effect.
    EXPECT_LT(shape_line(font, 24, 0, "1111", false).width, shape_line(font, 24, 0, "8888", false).width);
}

TEST(Shaping, RightToLeftTextComesOutInVisualOrder) {
    // Manrope has no Hebrew; the system face does.
    std::string bytes = test::read_file("/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf");
    if (bytes.empty()) GTEST_SKIP() << "no system font";
    auto font = load_font({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    ASSERT_TRUE(font);
    const std::uint16_t alef = shape_line(*font, 20, 0, "\xD7\x90", false).glyphs.at(0).glyph_id;
    const std::uint16_t bet = shape_line(*font, 20, 0, "\xD7\x91", false).glyphs.at(0).glyph_id;
    GlyphRun run = shape_line(*font, 20, 0, "\xD7\x90\xD7\x91", false);  // alef then bet, in logical order
    ASSERT_EQ(run.glyphs.size(), 2u);
    EXPECT_EQ(run.glyphs[0].glyph_id, bet);
    EXPECT_EQ(run.glyphs[1].glyph_id, alef);
    EXPECT_GT(run.glyphs[1].x, run.glyphs[0].x);
}

TEST(Shaping, MalformedUtf8StillShapes) {
    GlyphRun run = shape_line(test::manrope_regular(), 20, 0, std::string_view("A\xFF\xC3", 3), false);
    EXPECT_EQ(run.glyphs.size(), 3u);
    EXPECT_GT(run.width, 0.0f);
}

}  // namespace
}  // namespace qo
