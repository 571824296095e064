// A row-trimmed image draws exactly what the whole image draws, and keeps only each row's span with alpha.
#include "gfx/row_trimmed_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace qo {
namespace {

bool same_pixels(const Pixmap& a, const Pixmap& b) {
  return a.width() == b.width() && a.height() == b.height() && std::ranges::equal(a.pixels(), b.pixels());
}

// Rows of every kind: empty, one pixel at either end, transparent runs inside, colour left in pixels without alpha
// (source-over ignores it; trimming may drop it at a row's ends only), opaque and translucent pixels.
Pixmap hostile_image(uint32_t width, uint32_t height, uint32_t seed) {
  std::mt19937 rng(seed);
  Pixmap image = Pixmap::make(width, height);
  for (uint32_t y = 0; y < height; ++y) {
    const uint32_t kind = rng() % 5;
    if (kind == 0) continue;
    const uint32_t first = kind == 1 ? 0 : rng() % width;
    const uint32_t last = kind == 2 ? width - 1 : first + rng() % (width - first);
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t a = x < first || x > last || rng() % 4 == 0 ? 0 : 1 + rng() % 255;
      image.set_pixel(x, y, a == 0 ? (rng() % 3 == 0 ? 0x00FFFFFFu : 0u)
                                   : pack_argb(a, rng() % (a + 1), rng() % (a + 1), rng() % (a + 1)));
    }
  }
  return image;
}

TEST(RowTrimmedImage, DrawsWhatTheWholeImageDraws) {
  std::mt19937 rng(7);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (const auto& [width, height] : {std::pair{1u, 1u}, std::pair{1u, 17u}, std::pair{23u, 1u}, std::pair{40u, 31u},
                                      std::pair{97u, 12u}}) {
    const Pixmap whole = hostile_image(width, height, width * 131 + height);
    const RowTrimmedImage trimmed(whole);
    ASSERT_EQ(trimmed.width(), width);
    ASSERT_EQ(trimmed.height(), height);
    size_t spans = 0;
    for (uint32_t y = 0; y < height; ++y) {
      const RowTrimmedImage::Row row = trimmed.row(y);
      ASSERT_LE(size_t{row.first} + row.count, width);
      if (row.count > 0) {
        EXPECT_GT(pixel_alpha(row.words[0]), 0u) << y;
        EXPECT_GT(pixel_alpha(row.words[row.count - 1]), 0u) << y;
      }
      spans += row.count;
    }
    EXPECT_EQ(trimmed.kept_pixels(), spans);
    Pixmap ground = Pixmap::make(64, 48);
    for (uint32_t& word : ground.pixels()) word = pack_argb(255, rng() % 256, rng() % 256, rng() % 256);
    for (int trial = 0; trial < 60; ++trial) {
      const int32_t x = static_cast<int32_t>(rng() % 140) - 70;
      const int32_t y = static_cast<int32_t>(rng() % 100) - 50;
      const ClipRect clip = trial % 3 == 0 ? full_clip(ground)
                                           : ClipRect{static_cast<int32_t>(rng() % 70) - 3, static_cast<int32_t>(rng() % 50) - 3,
                                                      static_cast<int32_t>(rng() % 70), static_cast<int32_t>(rng() % 50)};
      const float opacities[] = {1.0f, 0.5f, 0.0f, 0.999f, 0.002f, nan, 7.0f};
      const float opacity = opacities[trial % 7];
      Pixmap expected = ground;
      blend_pixmap_opacity(expected, whole, opacity, x, y, clip);
      Pixmap got = ground;
      blend_row_trimmed(got, trimmed, opacity, x, y, clip);
      ASSERT_TRUE(same_pixels(got, expected))
          << width << "x" << height << " at " << x << "," << y << " opacity " << opacity << " clip " << clip.x0 << ","
          << clip.y0 << "," << clip.x1 << "," << clip.y1;
    }
    // Back to a whole image: what it draws is what the original draws.
    Pixmap from_original = ground;
    blend_pixmap_opacity(from_original, whole, 1.0f, 3, 2, full_clip(ground));
    Pixmap from_copy = ground;
    blend_pixmap_opacity(from_copy, trimmed.to_pixmap(), 1.0f, 3, 2, full_clip(ground));
    EXPECT_TRUE(same_pixels(from_copy, from_original));
  }
}

}  // namespace
}  // namespace qo
