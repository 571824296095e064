#include "gfx/shapes.h"

#include <gtest/gtest.h>

#include "gfx/blur.h"
#include "gfx/rasterizer.h"

namespace qo {
namespace {

constexpr uint32_t OPAQUE_WHITE = 0xFFFFFFFFu;

TEST(StrokeRoundRect, TwoByTwoBoxIsFilledWhole) {
  Canvas canvas = Canvas::make(4, 4, 0, 0, 1);
  stroke_round_rect(canvas, COLOR_WHITE, 1, 1, 2, 2, 0);
  for (uint32_t y = 0; y < 4; ++y) {
    for (uint32_t x = 0; x < 4; ++x) {
      const bool inside = x >= 1 && x <= 2 && y >= 1 && y <= 2;
      EXPECT_EQ(canvas.pixmap.pixel(x, y), inside ? OPAQUE_WHITE : 0u) << x << "," << y;
    }
  }
}

TEST(StrokeRoundRect, BorderIsOneLogicalPixelInsideTheBox) {
  Canvas canvas = Canvas::make(20, 20, 0, 0, 2);  // 10 x 10 logical at scale 2
  stroke_round_rect(canvas, COLOR_WHITE, 1, 1, 8, 8, 0);
  EXPECT_EQ(canvas.pixmap.pixel(1, 10), 0u);
  EXPECT_EQ(canvas.pixmap.pixel(2, 10), OPAQUE_WHITE);
  EXPECT_EQ(canvas.pixmap.pixel(3, 10), OPAQUE_WHITE);
  EXPECT_EQ(canvas.pixmap.pixel(4, 10), 0u);
  EXPECT_EQ(canvas.pixmap.pixel(10, 10), 0u);
  EXPECT_EQ(canvas.pixmap.pixel(17, 10), OPAQUE_WHITE);
  EXPECT_EQ(canvas.pixmap.pixel(18, 10), 0u);
}

TEST(StrokeRoundRect, TransparentColourDrawsNothing) {
  Canvas canvas = Canvas::make(8, 8, 0, 0, 1);
  stroke_round_rect(canvas, Color{1, 1, 1, 0}, 0, 0, 8, 8, 2);
  for (uint32_t w : canvas.pixmap.pixels()) EXPECT_EQ(w, 0u);
}

TEST(FillRoundRect, PillKeepsItsCornersClear) {
  Canvas canvas = Canvas::make(40, 10, 0, 0, 1);
  fill_round_rect(canvas, solid_paint(COLOR_WHITE), 0, 0, 40, 10, 100);
  EXPECT_EQ(canvas.pixmap.pixel(0, 0), 0u);
  EXPECT_EQ(canvas.pixmap.pixel(39, 9), 0u);
  EXPECT_EQ(canvas.pixmap.pixel(20, 0), OPAQUE_WHITE);
  EXPECT_EQ(canvas.pixmap.pixel(5, 5), OPAQUE_WHITE);
}

TEST(FillRoundRect, ZeroWidthDrawsNothing) {
  Canvas canvas = Canvas::make(8, 8, 0, 0, 1);
  fill_round_rect(canvas, solid_paint(COLOR_WHITE), 0, 0, 0, 8, 0);
  for (uint32_t w : canvas.pixmap.pixels()) EXPECT_EQ(w, 0u);
}

TEST(DrawSoftShadow, BlurZeroCompositesTheShapeUnblurred) {
  Canvas shadowed = Canvas::make(30, 30, 5, 5, 1);
  draw_soft_shadow(shadowed, Color{0, 0, 0, 0.5f}, 10, 10, 10, 8, 3, 0);
  Canvas filled = Canvas::make(30, 30, 5, 5, 1);
  fill_round_rect(filled, solid_paint(Color{0, 0, 0, 0.5f}), 10, 10, 10, 8, 3);
  for (size_t i = 0; i < filled.pixmap.pixel_count(); ++i) {
    ASSERT_EQ(shadowed.pixmap.pixels()[i], filled.pixmap.pixels()[i]) << i;
  }
}

TEST(DrawSoftShadow, MatchesABlurredLayerAtTheRoundedPosition) {
  Canvas canvas = Canvas::make(60, 60, 0, 0, 1.5f);
  draw_soft_shadow(canvas, COLOR_BLACK, 10, 10, 12, 12, 2, 2);
  // The same steps by hand: a 6-pixel margin, a layer of ceil(24 * 1.5) pixels, sigma 3.
  Canvas layer = Canvas::make(36, 36, 4, 4, 1.5f);
  fill_round_rect(layer, solid_paint(COLOR_BLACK), 10, 10, 12, 12, 2);
  gaussian_blur(layer.pixmap, 3.0f);
  for (uint32_t y = 0; y < 36; ++y) {
    for (uint32_t x = 0; x < 36; ++x) ASSERT_EQ(canvas.pixmap.pixel(x + 6, y + 6), layer.pixmap.pixel(x, y));
  }
  EXPECT_EQ(canvas.pixmap.pixel(5, 20), 0u);
  EXPECT_GT(pixel_alpha(canvas.pixmap.pixel(12, 24)), 0u);  // the blur spreads beyond the box
}

TEST(DrawSoftShadow, MaskKeepsTheShadowOutOfAnArea) {
  Canvas canvas = Canvas::make(40, 40, 0, 0, 1);
  Mask mask = Mask::make(40, 40);
  PathBuilder pb;
  pb.push_rect(0, 0, 20, 40);
  fill_mask_path(mask, *pb.finish(), FillRule::Winding, true, Transform::identity());
  draw_soft_shadow(canvas, COLOR_BLACK, 5, 5, 30, 30, 0, 1, &mask);
  EXPECT_EQ(pixel_alpha(canvas.pixmap.pixel(10, 20)), 255u);
  EXPECT_EQ(canvas.pixmap.pixel(25, 20), 0u);
}

}  // namespace
}  // namespace qo
