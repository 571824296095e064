#include "gfx/pixel_copy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qo {
namespace {

constexpr uint8_t SENTINEL = 0xEE;

// A source whose every pixel word is its own index plus one, never the sentinel pattern.
Pixmap numbered(uint32_t w, uint32_t h) {
  Pixmap pm = Pixmap::make(w, h);
  for (size_t i = 0; i < pm.pixel_count(); ++i) pm.pixels()[i] = static_cast<uint32_t>(i + 1);
  return pm;
}

bool pixel_copied(const Pixmap& src, const std::vector<uint8_t>& dst, uint32_t x, uint32_t y) {
  const size_t offset = (size_t{y} * src.width() + x) * 4;
  return std::equal(dst.begin() + offset, dst.begin() + offset + 4, src.bytes().begin() + offset);
}

bool pixel_untouched(const Pixmap& src, const std::vector<uint8_t>& dst, uint32_t x, uint32_t y) {
  const size_t offset = (size_t{y} * src.width() + x) * 4;
  return std::all_of(dst.begin() + offset, dst.begin() + offset + 4, [](uint8_t b) { return b == SENTINEL; });
}

TEST(CopyScaledPixelRect, CoversTheScaledRectangle) {
  const Pixmap src = numbered(1375, 825);  // 1100 x 660 at scale 1.25
  std::vector<uint8_t> dst(src.byte_size() + 64, SENTINEL);
  copy_scaled_pixel_rect(src, dst, {0, 58, 660, 478}, 1.25f);
  // Rows 72 to 669 and columns 0 to 824.
  EXPECT_TRUE(pixel_untouched(src, dst, 0, 71));
  EXPECT_TRUE(pixel_copied(src, dst, 0, 72));
  EXPECT_TRUE(pixel_copied(src, dst, 824, 72));
  EXPECT_TRUE(pixel_untouched(src, dst, 825, 72));
  EXPECT_TRUE(pixel_copied(src, dst, 824, 669));
  EXPECT_TRUE(pixel_untouched(src, dst, 0, 670));
  EXPECT_TRUE(pixel_untouched(src, dst, 1374, 300));
  for (size_t i = src.byte_size(); i < dst.size(); ++i) ASSERT_EQ(dst[i], SENTINEL);
}

TEST(CopyScaledPixelRect, CutsAtTheFrameEdges) {
  const Pixmap src = numbered(10, 6);
  std::vector<uint8_t> dst(src.byte_size() + 16, SENTINEL);
  copy_scaled_pixel_rect(src, dst, {-3, 4.5f, 100, 100}, 1.0f);
  EXPECT_TRUE(pixel_untouched(src, dst, 9, 3));
  EXPECT_TRUE(pixel_copied(src, dst, 0, 4));
  EXPECT_TRUE(pixel_copied(src, dst, 9, 5));
  for (size_t i = src.byte_size(); i < dst.size(); ++i) ASSERT_EQ(dst[i], SENTINEL);
}

TEST(CopyScaledPixelRect, RectanglesOutsideTheFrameCopyNothing) {
  const Pixmap src = numbered(10, 6);
  std::vector<uint8_t> dst(src.byte_size(), SENTINEL);
  copy_scaled_pixel_rect(src, dst, {12, 1, 5, 2}, 1.0f);  // right of the frame
  copy_scaled_pixel_rect(src, dst, {1, 7, 5, 2}, 1.0f);   // below it
  copy_scaled_pixel_rect(src, dst, {1, 1, 5, 0}, 1.0f);   // no height
  copy_scaled_pixel_rect(src, dst, {std::nanf(""), 1, 5, 2}, 1.0f);
  EXPECT_TRUE(std::all_of(dst.begin(), dst.end(), [](uint8_t b) { return b == SENTINEL; }));
}

TEST(CopyScaledPixelRectDeathTest, ShortTargetEndsTheProcess) {
  const Pixmap src = numbered(10, 6);
  std::vector<uint8_t> dst(src.byte_size() - 4, SENTINEL);
  EXPECT_DEATH(copy_scaled_pixel_rect(src, dst, {0, 0, 10, 6}, 1.0f), "pixel copy");
}

}  // namespace
}  // namespace qo
