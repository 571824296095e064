#include "gfx/color.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qo {
namespace {

void expect_rgba8(const std::optional<Color>& c, int r, int g, int b, int a) {
  ASSERT_TRUE(c.has_value());
  EXPECT_FLOAT_EQ(c->r, r / 255.0f);
  EXPECT_FLOAT_EQ(c->g, g / 255.0f);
  EXPECT_FLOAT_EQ(c->b, b / 255.0f);
  EXPECT_FLOAT_EQ(c->a, a / 255.0f);
}

TEST(ParseHexColor, AcceptsThreeSixAndEightDigitForms) {
  expect_rgba8(parse_hex_color("#abc"), 170, 187, 204, 255);
  expect_rgba8(parse_hex_color("fff"), 255, 255, 255, 255);
  expect_rgba8(parse_hex_color("#D9A845"), 217, 168, 69, 255);
  expect_rgba8(parse_hex_color("#12b88080"), 18, 184, 128, 128);
}

TEST(ParseHexColor, IgnoresSurroundingSpaceAndRepeatedHashes) {
  expect_rgba8(parse_hex_color("  ##F2CB66 \t"), 242, 203, 102, 255);
  expect_rgba8(parse_hex_color("\xC2\xA0#000000\xE2\x80\x83"), 0, 0, 0, 255);
}

TEST(ParseHexColor, RejectsOtherLengthsAndNonHexDigits) {
  EXPECT_FALSE(parse_hex_color(""));
  EXPECT_FALSE(parse_hex_color("#"));
  EXPECT_FALSE(parse_hex_color("#12345"));
  EXPECT_FALSE(parse_hex_color("#1234567"));
  EXPECT_FALSE(parse_hex_color("#12345g"));
  EXPECT_FALSE(parse_hex_color("#ab c"));
  EXPECT_FALSE(parse_hex_color("#+12"));
  EXPECT_FALSE(parse_hex_color("# abc"));
}

TEST(MakeColor, KeepsComponentsInRange) {
  const Color c = make_color(0.0f, 0.25f, 1.0f, 0.5f);
  EXPECT_EQ(c, (Color{0.0f, 0.25f, 1.0f, 0.5f}));
}

TEST(MakeColorDeathTest, EndsTheProcessOutsideTheUnitRange) {
  EXPECT_DEATH(make_color(1.01f, 0, 0, 1), "colour");
  EXPECT_DEATH(make_color(0, -0.1f, 0, 1), "colour");
  EXPECT_DEATH(make_color(0, 0, 0, std::nanf("")), "colour");
}

TEST(Color, PremultipliedWordScalesChannelsByAlpha) {
  EXPECT_EQ(Color::from_rgba8(255, 128, 0, 255).premultiplied_word(), 0xFFFF8000u);
  EXPECT_EQ((Color{1.0f, 0.5f, 0.0f, 0.5f}).premultiplied_word(), 0x80804000u);
  EXPECT_EQ(COLOR_TRANSPARENT.premultiplied_word(), 0u);
}

}  // namespace
}  // namespace qo
