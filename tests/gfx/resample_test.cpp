#include "gfx/resample.h"

#include <gtest/gtest.h>

#include "gfx/image_blit.h"

#include <algorithm>
#include <array>
#include <random>

namespace qo {
namespace {

Pixmap random_image(uint32_t w, uint32_t h) {
  Pixmap pm = Pixmap::make(w, h);
  std::mt19937 rng(w + h);
  for (uint32_t& word : pm.pixels()) {
    const uint32_t a = rng() % 256;
    word = pack_argb(a, rng() % (a + 1), rng() % (a + 1), rng() % (a + 1));
  }
  return pm;
}

TEST(ResamplePixmap, SameSizeTakesTheSmoothBranchAndCopiesExactly) {
  const Pixmap source = random_image(37, 21);
  const Pixmap out = resample_pixmap(source, 37, 21);
  ASSERT_EQ(out.width(), 37u);
  ASSERT_EQ(out.height(), 21u);
  EXPECT_TRUE(std::equal(out.pixels().begin(), out.pixels().end(), source.pixels().begin()));
}

TEST(ResamplePixmap, EnlargingAUniformImageKeepsItsColourToTheEdges) {
  Pixmap source = Pixmap::make(3, 2);
  source.fill_word(0xFF3366CCu);
  const Pixmap out = resample_pixmap(source, 10, 7);
  for (uint32_t w : out.pixels()) ASSERT_EQ(w, 0xFF3366CCu);
}

TEST(ResamplePixmap, EnlargingInterpolatesAcrossAnEdge) {
  Pixmap source = Pixmap::make(4, 1);
  source.fill_word(0xFF000000u);
  source.set_pixel(2, 0, 0xFFFFFFFFu);
  source.set_pixel(3, 0, 0xFFFFFFFFu);
  const Pixmap out = resample_pixmap(source, 8, 1);
  // Output pixel 4 samples 2.25 source pixels in, a quarter past the middle of the edge; pixel 3 mirrors it.
  EXPECT_EQ(out.pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(out.pixel(7, 0), 0xFFFFFFFFu);
  EXPECT_GT(pixel_blue(out.pixel(4, 0)), 170u);
  EXPECT_LT(pixel_blue(out.pixel(3, 0)), 85u);
  EXPECT_NEAR(static_cast<int>(pixel_blue(out.pixel(3, 0)) + pixel_blue(out.pixel(4, 0))), 255, 2);
}

// The bicubic lobes overshoot; a colour channel above its alpha is no premultiplied pixel, and the integer
// source-over then carries across channel bytes.
TEST(ResamplePixmap, EnlargingKeepsEveryChannelWithinItsAlpha) {
  for (auto [w, h, new_w, new_h] : {std::array<uint32_t, 4>{37, 23, 100, 77}, {8, 5, 41, 13}, {3, 9, 3, 40}}) {
    const Pixmap out = resample_pixmap(random_image(w, h), new_w, new_h);
    for (uint32_t word : out.pixels()) {
      const uint32_t a = pixel_alpha(word);
      ASSERT_LE(std::max({pixel_red(word), pixel_green(word), pixel_blue(word)}), a)
          << std::hex << word << " in " << std::dec << w << "x" << h << " -> " << new_w << "x" << new_h;
    }
  }
}

TEST(ResamplePixmap, EnlargedEdgeToTranslucentBlackBlendsOverWhiteAsLightGrey) {
  Pixmap source = Pixmap::make(8, 1);
  for (uint32_t x = 0; x < 8; ++x) source.set_pixel(x, 0, x < 4 ? 0xFF000000u : 0x28282828u);
  const Pixmap out = resample_pixmap(source, 32, 1);
  for (uint32_t x = 16; x < 32; ++x) {
    const uint32_t blended = blend_pixel_over(out.pixel(x, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel_alpha(blended), 0xFFu) << "x " << x << ": " << std::hex << blended;
    EXPECT_GE(std::min({pixel_red(blended), pixel_green(blended), pixel_blue(blended)}), 0xC0u)
        << "x " << x << ": " << std::hex << blended;
  }
}

TEST(ResamplePixmap, HalvingAveragesEachTwoByTwoBlock) {
  Pixmap source = Pixmap::make(4, 2);
  source.set_pixel(0, 0, 0xFF000000u);
  source.set_pixel(1, 0, 0xFFFFFFFFu);
  source.set_pixel(0, 1, 0xFF000000u);
  source.set_pixel(1, 1, 0xFF0000FFu);
  source.set_pixel(2, 0, 0x80808080u);  // the right block: one half-transparent grey, three transparent
  const Pixmap out = resample_pixmap(source, 2, 1);
  // (0 + 255 + 0 + 0) / 4 = 63.75 and (0 + 255 + 0 + 255) / 4 = 127.5, rounded.
  EXPECT_EQ(out.pixel(0, 0), 0xFF404080u);
  EXPECT_EQ(out.pixel(1, 0), 0x20202020u);
}

TEST(ResamplePixmap, FractionalFootprintsWeighByOverlap) {
  Pixmap source = Pixmap::make(3, 1);
  source.set_pixel(0, 0, 0xFF000000u);
  source.set_pixel(1, 0, 0xFF000090u);
  source.set_pixel(2, 0, 0xFF0000F0u);
  const Pixmap out = resample_pixmap(source, 2, 1);
  // Each output pixel covers 1.5 source pixels: (0 * 1 + 144 * 0.5) / 1.5 = 48, (144 * 0.5 + 240) / 1.5 = 208.
  EXPECT_EQ(out.pixel(0, 0), 0xFF000030u);
  EXPECT_EQ(out.pixel(1, 0), 0xFF0000D0u);
}

TEST(ResamplePixmap, ShrinkingOneAxisWhileEnlargingTheOther) {
  Pixmap source = Pixmap::make(2, 1);
  source.set_pixel(0, 0, 0xFF000000u);
  source.set_pixel(1, 0, 0xFF0000FEu);
  const Pixmap out = resample_pixmap(source, 1, 3);
  for (uint32_t y = 0; y < 3; ++y) EXPECT_EQ(out.pixel(0, y), 0xFF00007Fu);
}

TEST(ResamplePixmap, LargeImageBranches) {
  const Pixmap hero = random_image(1100, 629);
  const Pixmap same = resample_pixmap(hero, 1100, 629);
  EXPECT_TRUE(std::equal(same.pixels().begin(), same.pixels().end(), hero.pixels().begin()));
  const Pixmap half = resample_pixmap(hero, 550, 315);
  EXPECT_EQ(half.width(), 550u);
  EXPECT_EQ(half.height(), 315u);
  // The first output pixel averages the top-left 2 x 1.9968 source area.
  uint32_t alpha_sum = 0;
  for (uint32_t x = 0; x < 2; ++x) alpha_sum += pixel_alpha(hero.pixel(x, 0)) + pixel_alpha(hero.pixel(x, 1));
  EXPECT_NEAR(static_cast<double>(pixel_alpha(half.pixel(0, 0))), alpha_sum / 4.0, 1.0);
}

// The area average written out plainly in float, pixel by pixel: what every shrinking path must reproduce to
// the bit.
Pixmap reference_area_average(const Pixmap& source, uint32_t new_w, uint32_t new_h) {
  Pixmap out = Pixmap::make(new_w, new_h);
  const auto sw = static_cast<float>(source.width());
  const auto sh = static_cast<float>(source.height());
  const float rx = sw / static_cast<float>(new_w);
  const float ry = sh / static_cast<float>(new_h);
  for (uint32_t dy = 0; dy < new_h; ++dy) {
    const float y0 = static_cast<float>(dy) * ry;
    const float y1 = std::min(static_cast<float>(dy + 1) * ry, sh);
    for (uint32_t dx = 0; dx < new_w; ++dx) {
      const float x0 = static_cast<float>(dx) * rx;
      const float x1 = std::min(static_cast<float>(dx + 1) * rx, sw);
      float sum[4] = {0, 0, 0, 0};
      float total = 0;
      for (auto j = static_cast<uint32_t>(std::floor(y0)); static_cast<float>(j) < y1; ++j) {
        const float fj = static_cast<float>(j);
        const float wy = std::min(fj + 1.0f, y1) - std::max(fj, y0);
        for (auto i = static_cast<uint32_t>(std::floor(x0)); static_cast<float>(i) < x1; ++i) {
          const float fi = static_cast<float>(i);
          const float weight = (std::min(fi + 1.0f, x1) - std::max(fi, x0)) * wy;
          const uint32_t word = source.pixel(i, j);
          for (uint32_t c = 0; c < 4; ++c) sum[c] += static_cast<float>((word >> (8 * c)) & 0xFF) * weight;
          total += weight;
        }
      }
      uint32_t word = 0;
      for (uint32_t c = 0; c < 4; ++c) {
        const float v = std::clamp(std::round(sum[c] / std::max(total, 0.000001f)), 0.0f, 255.0f);
        word |= static_cast<uint32_t>(v) << (8 * c);
      }
      out.set_pixel(dx, dy, word);
    }
  }
  return out;
}

TEST(ResamplePixmap, EveryShrinkMatchesThePlainAreaAverageBitForBit) {
  struct Case {
    uint32_t w, h, new_w, new_h;
  };
  // Whole ratios (2:1 as the hero at scale 1, one axis only, large blocks) and fractional ones (2:3 as at 1.5).
  const Case cases[] = {{64, 38, 32, 19}, {90, 40, 30, 40},  {40, 90, 40, 45},  {96, 64, 6, 4},
                        {33, 17, 11, 17}, {2376, 6, 1188, 3}, {99, 66, 66, 44}, {53, 29, 17, 12},
                        {256, 256, 1, 1}, {10, 10, 3, 7}};
  for (const Case& c : cases) {
    const Pixmap source = random_image(c.w, c.h);
    const Pixmap fast = resample_pixmap(source, c.new_w, c.new_h);
    const Pixmap slow = reference_area_average(source, c.new_w, c.new_h);
    ASSERT_TRUE(std::equal(fast.pixels().begin(), fast.pixels().end(), slow.pixels().begin()))
        << c.w << "x" << c.h << " -> " << c.new_w << "x" << c.new_h;
  }
}

TEST(ResamplePixmap, ZeroSizeGivesATransparentPixel) {
  const Pixmap source = random_image(4, 4);
  const Pixmap out = resample_pixmap(source, 0, 3);
  EXPECT_EQ(out.width(), 1u);
  EXPECT_EQ(out.height(), 3u);
  for (uint32_t w : out.pixels()) EXPECT_EQ(w, 0u);
}

}  // namespace
}  // namespace qo
