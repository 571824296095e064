#include "gfx/glow.h"

#include <gtest/gtest.h>

#include <vector>

namespace qo {
namespace {

Pixmap two_pixel_image() {
  Pixmap image = Pixmap::make(2, 1);
  image.set_pixel(0, 0, 0xFF102030u);
  image.set_pixel(1, 0, 0x80404040u);
  return image;
}

TEST(MakeGlowImage, NoLayersGivesThePaddedImage) {
  const Pixmap image = two_pixel_image();
  const Pixmap out = make_glow_image(image, {}, 3);
  ASSERT_EQ(out.width(), 8u);
  ASSERT_EQ(out.height(), 7u);
  for (uint32_t y = 0; y < 7; ++y) {
    for (uint32_t x = 0; x < 8; ++x) {
      const bool inside = y == 3 && (x == 3 || x == 4);
      EXPECT_EQ(out.pixel(x, y), inside ? image.pixel(x - 3, 0) : 0u) << x << "," << y;
    }
  }
}

TEST(MakeGlowImage, UnblurredLayerTintsTheSilhouetteUnderTheImage) {
  const Pixmap image = two_pixel_image();
  // Alpha 0.5: colour channels become (0.5, 0.25, 0) and the tint bytes (128, 64, 0, alpha 128).
  const std::vector<GlowLayer> layers{{Color{1.0f, 0.5f, 0.0f, 0.5f}, 0.0f}};
  const Pixmap out = make_glow_image(image, layers, 1);
  EXPECT_EQ(out.pixel(0, 0), 0u);
  EXPECT_EQ(out.pixel(1, 1), 0xFF102030u);  // an opaque pixel hides its glow
  // Under the half-transparent pixel the silhouette is (128 * 128 + 127) / 255 = 64 alpha, (64, 32, 0) colour;
  // the image composited over it keeps about half of it.
  const uint32_t p = out.pixel(2, 1);
  EXPECT_NEAR(static_cast<int>(pixel_alpha(p)), 0x80 + 32, 1);
  EXPECT_NEAR(static_cast<int>(pixel_red(p)), 0x40 + 32, 1);
  EXPECT_NEAR(static_cast<int>(pixel_green(p)), 0x40 + 16, 1);
  EXPECT_NEAR(static_cast<int>(pixel_blue(p)), 0x40, 1);
}

TEST(MakeGlowImage, LaterLayersFollowEarlierGlows) {
  Pixmap image = Pixmap::make(1, 1);
  image.fill_word(0xFFFFFFFFu);
  const std::vector<GlowLayer> one{{Color{1, 0, 0, 1}, 2.0f}};
  const std::vector<GlowLayer> two{{Color{1, 0, 0, 1}, 2.0f}, {Color{0, 0, 1, 1}, 2.0f}};
  const Pixmap single = make_glow_image(image, one, 8);
  const Pixmap both = make_glow_image(image, two, 8);
  EXPECT_EQ(single.pixel(8, 8), 0xFFFFFFFFu);
  EXPECT_EQ(both.pixel(8, 8), 0xFFFFFFFFu);
  // The red halo reaches a few pixels out; the blue one spreads from the red halo, so it reaches further.
  EXPECT_GT(pixel_red(single.pixel(10, 8)), 0u);
  EXPECT_EQ(pixel_blue(single.pixel(10, 8)), 0u);
  EXPECT_GT(pixel_blue(both.pixel(13, 8)), 0u);
  EXPECT_GT(pixel_alpha(both.pixel(13, 8)), pixel_alpha(single.pixel(13, 8)));
}

}  // namespace
}  // namespace qo
