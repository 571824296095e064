#include "gfx/image_blit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace qo {
namespace {

constexpr uint32_t SENTINEL = 0x11223344u;

Pixmap filled(uint32_t w, uint32_t h, uint32_t word) {
  Pixmap pm = Pixmap::make(w, h);
  pm.fill_word(word);
  return pm;
}

Pixmap random_image(uint32_t w, uint32_t h) {
  Pixmap pm = Pixmap::make(w, h);
  std::mt19937 rng(w * 31 + h);
  for (uint32_t& word : pm.pixels()) {
    const uint32_t a = rng() % 256;
    word = pack_argb(a, rng() % (a + 1), rng() % (a + 1), rng() % (a + 1));
  }
  return pm;
}

// Every pixel outside [x0, x1) x [y0, y1) still holds the sentinel.
void expect_untouched_outside(const Pixmap& pm, uint32_t x0, uint32_t y0, uint32_t x1, uint32_t y1) {
  for (uint32_t y = 0; y < pm.height(); ++y) {
    for (uint32_t x = 0; x < pm.width(); ++x) {
      if (x >= x0 && x < x1 && y >= y0 && y < y1) continue;
      ASSERT_EQ(pm.pixel(x, y), SENTINEL) << x << "," << y;
    }
  }
}

TEST(QuantizeOpacity, RoundsToTwoHundredFiftySixths) {
  EXPECT_EQ(quantize_opacity(1.0f), 256u);
  EXPECT_EQ(quantize_opacity(0.5f), 128u);
  EXPECT_EQ(quantize_opacity(0.001f), 0u);
  EXPECT_EQ(quantize_opacity(0.002f), 1u);
  EXPECT_EQ(quantize_opacity(7.0f), 256u);
  EXPECT_EQ(quantize_opacity(-1.0f), 0u);
  EXPECT_EQ(quantize_opacity(std::nanf("")), 0u);
}

TEST(DrawImageScaled, WholeOffsetsAtScaleOneCopyExactly) {
  const Pixmap image = random_image(6, 4);
  Pixmap target = filled(12, 9, SENTINEL);
  draw_image_scaled(image, target, 2, 3, 1, 1, 1.0f, false, full_clip(target));
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 6; ++x) ASSERT_EQ(target.pixel(x + 2, y + 3), image.pixel(x, y));
  }
  expect_untouched_outside(target, 2, 3, 8, 7);
}

TEST(DrawImageScaled, WithoutBlendOverwritesEvenWithTransparentPixels) {
  const Pixmap image = Pixmap::make(2, 2);
  Pixmap target = filled(4, 4, SENTINEL);
  draw_image_scaled(image, target, 1, 1, 1, 1, 1.0f, false, full_clip(target));
  EXPECT_EQ(target.pixel(1, 1), 0u);
  EXPECT_EQ(target.pixel(2, 2), 0u);
  expect_untouched_outside(target, 1, 1, 3, 3);
}

TEST(DrawImageScaled, HalfPixelOffsetHalvesTheEdgeColumns) {
  const Pixmap image = filled(4, 1, 0xFFFFFFFFu);
  Pixmap target = filled(20, 1, SENTINEL);
  draw_image_scaled(image, target, 10.5f, 0, 1, 1, 1.0f, false, full_clip(target));
  EXPECT_EQ(target.pixel(10, 0), 0x7F7F7F7Fu);
  EXPECT_EQ(target.pixel(11, 0), 0xFFFFFFFFu);
  EXPECT_EQ(target.pixel(13, 0), 0xFFFFFFFFu);
  EXPECT_EQ(target.pixel(14, 0), 0x7F7F7F7Fu);
  expect_untouched_outside(target, 10, 0, 15, 1);
}

TEST(DrawImageScaled, DoubleScaleInterpolatesBetweenTaps) {
  Pixmap image = Pixmap::make(2, 1);
  image.set_pixel(0, 0, 0xFF000000u);
  image.set_pixel(1, 0, 0xFFFFFFFFu);
  Pixmap target = filled(4, 1, SENTINEL);
  draw_image_scaled(image, target, 0, 0, 2, 1, 1.0f, false, full_clip(target));
  EXPECT_EQ(target.pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(target.pixel(1, 0), 0xFF3F3F3Fu);  // a quarter of the way
  EXPECT_EQ(target.pixel(2, 0), 0xFFBFBFBFu);  // three quarters
  EXPECT_EQ(target.pixel(3, 0), 0xFFFFFFFFu);
}

TEST(DrawImageScaled, OpacityThatQuantisesToZeroDrawsNothing) {
  const Pixmap image = filled(3, 3, 0xFFFFFFFFu);
  Pixmap target = filled(5, 5, SENTINEL);
  draw_image_scaled(image, target, 1, 1, 1, 1, 0.001f, false, full_clip(target));
  expect_untouched_outside(target, 0, 0, 0, 0);
  draw_image_scaled(image, target, 1, 1, 1, 1, 0.002f, false, full_clip(target));
  EXPECT_EQ(target.pixel(1, 1), 0u);  // weight 1/256 of 255 truncates to 0, but the pixel is written
}

TEST(DrawImageScaled, BlendWeightsOverAnOpaqueDestination) {
  Pixmap target = filled(2, 1, 0xFF808080u);
  Pixmap half = filled(1, 1, 0x80402010u);  // alpha 128: k = 127
  draw_image_scaled(half, target, 0, 0, 1, 1, 1.0f, true, full_clip(target));
  EXPECT_EQ(target.pixel(0, 0), 0xFE7F5F4Fu);
  Pixmap lighter = filled(1, 1, 0x64321900u);  // alpha 100: k = 155 + 1
  draw_image_scaled(lighter, target, 1, 0, 1, 1, 1.0f, true, full_clip(target));
  EXPECT_EQ(target.pixel(1, 0), 0xFF80674Eu);
}

TEST(DrawImageScaled, BlendKeepsTheDestinationUnderTransparentSamples) {
  Pixmap target = filled(3, 1, 0xFF808080u);
  Pixmap image = Pixmap::make(3, 1);
  image.set_pixel(1, 0, 0xFF102030u);
  image.set_pixel(2, 0, 0x00FFFFFFu);  // zero alpha, whatever the colour bytes
  draw_image_scaled(image, target, 0, 0, 1, 1, 1.0f, true, full_clip(target));
  EXPECT_EQ(target.pixel(0, 0), 0xFF808080u);
  EXPECT_EQ(target.pixel(1, 0), 0xFF102030u);
  EXPECT_EQ(target.pixel(2, 0), 0xFF808080u);
}

TEST(DrawImageScaled, StaysInsideTheClipAndTheTarget) {
  const Pixmap image = random_image(30, 30);
  Pixmap target = filled(10, 10, SENTINEL);
  draw_image_scaled(image, target, -7.25f, -3.5f, 1.3f, 0.9f, 0.7f, true, ClipRect{2, 3, 6, 8});
  expect_untouched_outside(target, 2, 3, 6, 8);

  Pixmap whole = filled(10, 10, SENTINEL);
  draw_image_scaled(image, whole, -7.25f, -3.5f, 1.3f, 0.9f, 1.0f, false, ClipRect{-100, -100, 100, 100});
  for (uint32_t w : whole.pixels()) EXPECT_NE(w, SENTINEL);
}

TEST(DrawImageScaled, DegenerateGeometryDrawsNothing) {
  const Pixmap image = filled(4, 4, 0xFFFFFFFFu);
  Pixmap target = filled(8, 8, SENTINEL);
  draw_image_scaled(image, target, std::nanf(""), 0, 1, 1, 1.0f, false, full_clip(target));
  draw_image_scaled(image, target, 2, 2, 0, 1, 1.0f, false, full_clip(target));
  draw_image_scaled(image, target, 2, 2, 1, 1, 1.0f, false, ClipRect{5, 5, 3, 3});
  draw_image_scaled(image, target, 20, 2, 1, 1, 1.0f, false, full_clip(target));
  expect_untouched_outside(target, 0, 0, 0, 0);
}

TEST(BlendPixmapOpacity, ScalesTheSourceThenCompositesOver) {
  Pixmap target = Pixmap::make(2, 1);
  target.set_pixel(1, 0, 0xFF000000u);
  const Pixmap source = filled(2, 1, 0xFF204080u);
  blend_pixmap_opacity(target, source, 0.5f, 0, 0);
  EXPECT_EQ(target.pixel(0, 0), 0x7F102040u);
  // Over opaque black: k = 128 + 1 keeps 0xFF * 129 >> 8 = 128 of the destination alpha.
  EXPECT_EQ(target.pixel(1, 0), 0xFF102040u);
}

TEST(BlendPixmapOpacity, FullOpacityIsPlainSourceOverAndZeroDrawsNothing) {
  Pixmap target = filled(1, 1, 0xFF808080u);
  const Pixmap source = filled(1, 1, 0x80402010u);
  Pixmap untouched = target;
  blend_pixmap_opacity(untouched, source, 0.0f, 0, 0);
  EXPECT_EQ(untouched.pixel(0, 0), 0xFF808080u);
  blend_pixmap_opacity(target, source, 1.0f, 0, 0);
  EXPECT_EQ(target.pixel(0, 0), 0xFE7F5F4Fu);
}

TEST(BlendPixmapOpacity, SkipsPixelsOutsideTheTarget) {
  const Pixmap source = random_image(3, 3);
  Pixmap target = filled(3, 3, SENTINEL);
  blend_pixmap_opacity(target, source, 1.0f, -1, -2);
  EXPECT_EQ(target.pixel(0, 0), blend_pixel_over(source.pixel(1, 2), SENTINEL));
  EXPECT_EQ(target.pixel(1, 0), blend_pixel_over(source.pixel(2, 2), SENTINEL));
  expect_untouched_outside(target, 0, 0, 2, 1);

  Pixmap right = filled(3, 3, SENTINEL);
  blend_pixmap_opacity(right, source, 1.0f, 2, 2);
  EXPECT_EQ(right.pixel(2, 2), blend_pixel_over(source.pixel(0, 0), SENTINEL));
  expect_untouched_outside(right, 2, 2, 3, 3);
  blend_pixmap_opacity(right, source, 1.0f, 3, 0);
  blend_pixmap_opacity(right, source, 1.0f, INT32_MIN, INT32_MAX);
  expect_untouched_outside(right, 2, 2, 3, 3);
}

}  // namespace
}  // namespace qo
