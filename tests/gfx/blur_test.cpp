#include "gfx/blur.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace qo {
namespace {

using Sizes = std::array<int64_t, 3>;

Pixmap random_pixmap(uint32_t w, uint32_t h, uint32_t seed) {
  Pixmap pm = Pixmap::make(w, h);
  std::mt19937 rng(seed);
  for (uint32_t& word : pm.pixels()) {
    const uint32_t a = rng() % 256;
    auto ch = [&] { return a == 0 ? 0u : rng() % (a + 1); };
    word = pack_argb(a, ch(), ch(), ch());
  }
  return pm;
}

// Straightforward box mean over clamped indexes, one channel at a time.
std::vector<uint8_t> naive_box_rows(const std::vector<uint8_t>& src, uint32_t w, uint32_t h, int r) {
  std::vector<uint8_t> out(src.size());
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) {
        uint32_t sum = 0;
        for (int k = -r; k <= r; ++k) {
          const int i = std::clamp(static_cast<int>(x) + k, 0, static_cast<int>(w) - 1);
          sum += src[(size_t{y} * w + i) * 4 + c];
        }
        out[(size_t{y} * w + x) * 4 + c] = static_cast<uint8_t>((sum + r) / (2 * r + 1));
      }
    }
  }
  return out;
}

std::vector<uint8_t> transpose_bytes(const std::vector<uint8_t>& src, uint32_t w, uint32_t h) {
  std::vector<uint8_t> out(src.size());
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) {
      std::copy_n(&src[(size_t{y} * w + x) * 4], 4, &out[(size_t{x} * h + y) * 4]);
    }
  }
  return out;
}

std::vector<uint8_t> naive_gaussian(const Pixmap& pm, const std::array<int, 3>& radii) {
  std::vector<uint8_t> data(pm.bytes().begin(), pm.bytes().end());
  for (int r : radii) data = naive_box_rows(data, pm.width(), pm.height(), r);
  data = transpose_bytes(data, pm.width(), pm.height());
  for (int r : radii) data = naive_box_rows(data, pm.height(), pm.width(), r);
  return transpose_bytes(data, pm.height(), pm.width());
}

TEST(BlurBoxSizes, MatchTheThreeBoxApproximation) {
  EXPECT_EQ(blur_box_sizes(0.3f), (Sizes{1, 1, 1}));
  EXPECT_EQ(blur_box_sizes(3.0f), (Sizes{5, 5, 7}));
  EXPECT_EQ(blur_box_sizes(20.0f), (Sizes{39, 39, 41}));
  EXPECT_EQ(blur_box_sizes(1.0f), (Sizes{1, 1, 3}));
}

TEST(GaussianBlur, SmallSigmasLeaveTheImageAlone) {
  const Pixmap original = random_pixmap(7, 5, 1);
  for (float sigma : {0.29f, 0.3f, 0.0f, -4.0f, std::nanf("")}) {
    Pixmap pm = original;
    gaussian_blur(pm, sigma);
    EXPECT_TRUE(std::equal(pm.pixels().begin(), pm.pixels().end(), original.pixels().begin())) << sigma;
  }
}

TEST(GaussianBlur, MatchesThreeNaiveBoxPassesEachWay) {
  const Pixmap original = random_pixmap(23, 17, 2);
  Pixmap pm = original;
  gaussian_blur(pm, 3.0f);
  const auto expected = naive_gaussian(original, {2, 2, 3});
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), pm.bytes().begin()));

  // Radii far larger than the image keep repeating the edge pixels.
  Pixmap small = random_pixmap(5, 4, 3);
  const Pixmap small_original = small;
  gaussian_blur(small, 20.0f);
  const auto expected_small = naive_gaussian(small_original, {19, 19, 20});
  EXPECT_TRUE(std::equal(expected_small.begin(), expected_small.end(), small.bytes().begin()));
}

TEST(GaussianBlur, OnePixelWideImageBlursOnlyAlongItsColumn) {
  Pixmap column = random_pixmap(1, 40, 4);
  const Pixmap original = column;
  gaussian_blur(column, 3.0f);
  std::vector<uint8_t> data(original.bytes().begin(), original.bytes().end());
  for (int r : {2, 2, 3}) data = naive_box_rows(data, 40, 1, r);  // a column is a row of its transpose
  EXPECT_TRUE(std::equal(data.begin(), data.end(), column.bytes().begin()));
}

TEST(GaussianBlur, UniformImageStaysUniform) {
  Pixmap pm = Pixmap::make(30, 12);
  pm.fill_word(0x80402010u);
  gaussian_blur(pm, 5.5f);
  for (uint32_t w : pm.pixels()) ASSERT_EQ(w, 0x80402010u);
}

TEST(BoxBlurPass, RoundsTheMeanOfEachWindow) {
  // One row of five pixels; only the blue channel varies: 0, 0, 255, 0, 0.
  std::vector<uint8_t> src(5 * 4, 0);
  src[2 * 4] = 255;
  std::vector<uint8_t> dst(5 * 4 + 8, 0xAB);  // trailing sentinel bytes
  box_blur_pass(src, dst, 5, 1, 1);
  EXPECT_EQ(dst[0 * 4], 0);
  EXPECT_EQ(dst[1 * 4], 85);
  EXPECT_EQ(dst[2 * 4], 85);
  EXPECT_EQ(dst[3 * 4], 85);
  EXPECT_EQ(dst[4 * 4], 0);
  for (size_t i = 20; i < dst.size(); ++i) EXPECT_EQ(dst[i], 0xAB);

  // Edge values repeat: 10, 20 with radius 2 gives (10*3 + 20*2 + 2) / 5 and (10*2 + 20*3 + 2) / 5.
  std::vector<uint8_t> edge{10, 0, 0, 0, 20, 0, 0, 0};
  std::vector<uint8_t> out(8);
  box_blur_pass(edge, out, 2, 1, 2);
  EXPECT_EQ(out[0], 14);
  EXPECT_EQ(out[4], 16);
}

TEST(BoxBlurPass, HugeRadiiStillRoundExactly) {
  std::vector<uint8_t> src{255, 1, 0, 254, 0, 2, 255, 253, 7, 3, 128, 255};
  for (uint32_t r : {32767u, 40000u, 1000000u}) {
    std::vector<uint8_t> dst(src.size());
    box_blur_pass(src, dst, 3, 1, r);
    EXPECT_EQ(dst, naive_box_rows(src, 3, 1, static_cast<int>(r))) << r;
  }
}

TEST(BoxBlurPass, RadiusZeroCopies) {
  std::vector<uint8_t> src{1, 2, 3, 4, 5, 6, 7, 8};
  std::vector<uint8_t> dst(8);
  box_blur_pass(src, dst, 1, 2, 0);
  EXPECT_EQ(dst, src);
}

}  // namespace
}  // namespace qo
