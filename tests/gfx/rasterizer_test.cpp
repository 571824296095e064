#include "gfx/rasterizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/shapes.h"

namespace qo {
namespace {

TEST(Rasterizer, FillsAnAxisAlignedRectangleExactly) {
  Pixmap pm = Pixmap::make(8, 8);
  fill_rect(pm, {2, 2, 4, 3}, solid_paint(Color::from_rgba8(255, 0, 0)), Transform::identity());
  EXPECT_EQ(pm.pixel(2, 2), 0xFFFF0000u);
  EXPECT_EQ(pm.pixel(5, 4), 0xFFFF0000u);
  EXPECT_EQ(pm.pixel(1, 2), 0u);
  EXPECT_EQ(pm.pixel(6, 2), 0u);
  EXPECT_EQ(pm.pixel(2, 5), 0u);
}

TEST(Rasterizer, FillUsesTheCanvasScaleAndOrigin) {
  Canvas canvas = Canvas::make(20, 20, 10.0f, 10.0f, 2.0f);
  PathBuilder pb;
  pb.push_rect(12, 12, 3, 3);  // device 4..10
  fill_path(canvas.pixmap, *pb.finish(), solid_paint(COLOR_WHITE), FillRule::Winding, canvas.transform());
  EXPECT_EQ(canvas.pixmap.pixel(3, 3), 0u);
  EXPECT_EQ(canvas.pixmap.pixel(4, 4), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.pixmap.pixel(9, 9), 0xFFFFFFFFu);
  EXPECT_EQ(canvas.pixmap.pixel(10, 10), 0u);
}

TEST(Rasterizer, HalfCoveredPixelsAreAntiAliased) {
  Pixmap pm = Pixmap::make(4, 1);
  fill_rect(pm, {0, 0, 1.5f, 1}, solid_paint(COLOR_WHITE), Transform::identity());
  EXPECT_EQ(pixel_alpha(pm.pixel(0, 0)), 255u);
  EXPECT_NEAR(static_cast<int>(pixel_alpha(pm.pixel(1, 0))), 128, 1);
  EXPECT_EQ(pm.pixel(2, 0), 0u);
}

}  // namespace
}  // namespace qo

namespace qo {
namespace {

Path rect_path(float x, float y, float w, float h) {
  PathBuilder pb;
  pb.push_rect(x, y, w, h);
  return *pb.finish();
}

TEST(Rasterizer, QuadraticsDrawLikeTheirEquivalentCubics) {
  PathBuilder quad;
  quad.move_to(2, 18);
  quad.quad_to(10, -6, 18, 18);
  quad.close();
  PathBuilder cubic;
  cubic.move_to(2, 18);
  cubic.cubic_to(2 + 2.0f / 3 * 8, 18 - 2.0f / 3 * 24, 18 - 2.0f / 3 * 8, 18 - 2.0f / 3 * 24, 18, 18);
  cubic.close();
  Pixmap a = Pixmap::make(20, 20);
  Pixmap b = Pixmap::make(20, 20);
  fill_path(a, *quad.finish(), solid_paint(COLOR_WHITE), FillRule::Winding, Transform::identity());
  fill_path(b, *cubic.finish(), solid_paint(COLOR_WHITE), FillRule::Winding, Transform::identity());
  EXPECT_TRUE(std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin()));
  EXPECT_EQ(a.pixel(10, 12), 0xFFFFFFFFu);
}

TEST(Rasterizer, EvenOddLeavesNestedShapesHollow) {
  PathBuilder pb;
  pb.push_rect(0, 0, 10, 10);
  pb.push_rect(3, 3, 4, 4);
  const Path ring = *pb.finish();
  Pixmap winding = Pixmap::make(10, 10);
  Pixmap even_odd = Pixmap::make(10, 10);
  fill_path(winding, ring, solid_paint(COLOR_WHITE), FillRule::Winding, Transform::identity());
  fill_path(even_odd, ring, solid_paint(COLOR_WHITE), FillRule::EvenOdd, Transform::identity());
  EXPECT_EQ(winding.pixel(5, 5), 0xFFFFFFFFu);
  EXPECT_EQ(even_odd.pixel(5, 5), 0u);
  EXPECT_EQ(even_odd.pixel(1, 1), 0xFFFFFFFFu);
}

TEST(Rasterizer, BlendModes) {
  Pixmap pm = Pixmap::make(4, 1);
  pm.fill_word(0xFF0000FFu);
  Paint clear = solid_paint(COLOR_WHITE);
  clear.blend_mode = BlendMode::Clear;
  fill_rect(pm, {0, 0, 1, 1}, clear, Transform::identity());
  Paint source = solid_paint(Color{0, 1, 0, 0.5f});
  source.blend_mode = BlendMode::Source;
  fill_rect(pm, {1, 0, 1, 1}, source, Transform::identity());
  fill_rect(pm, {2, 0, 1, 1}, solid_paint(Color{0, 1, 0, 0.5f}), Transform::identity());
  EXPECT_EQ(pm.pixel(0, 0), 0u);
  EXPECT_EQ(pm.pixel(1, 0), 0x80008000u);
  EXPECT_EQ(pm.pixel(2, 0), 0xFF00807Fu);
  EXPECT_EQ(pm.pixel(3, 0), 0xFF0000FFu);
}

TEST(Rasterizer, AntiAliasingCanBeTurnedOff) {
  Pixmap pm = Pixmap::make(4, 1);
  Paint paint = solid_paint(COLOR_WHITE);
  paint.anti_alias = false;
  fill_rect(pm, {0, 0, 1.4f, 1}, paint, Transform::identity());
  EXPECT_EQ(pm.pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(pm.pixel(1, 0), 0u);
}

TEST(Rasterizer, MaskMultipliesCoverage) {
  Pixmap pm = Pixmap::make(10, 1);
  Mask mask = Mask::make(10, 1);
  for (uint32_t x = 0; x < 5; ++x) mask.set_value(x, 0, 255);
  mask.set_value(5, 0, 128);
  fill_rect(pm, {0, 0, 10, 1}, solid_paint(COLOR_WHITE), Transform::identity(), &mask);
  EXPECT_EQ(pm.pixel(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(pm.pixel(4, 0), 0xFFFFFFFFu);
  EXPECT_EQ(pm.pixel(5, 0), 0x80808080u);
  EXPECT_EQ(pm.pixel(6, 0), 0u);

  const Mask wrong_size = Mask::make(9, 1);
  Pixmap untouched = Pixmap::make(10, 1);
  fill_rect(untouched, {0, 0, 10, 1}, solid_paint(COLOR_WHITE), Transform::identity(), &wrong_size);
  EXPECT_EQ(untouched.pixel(0, 0), 0u);
}

TEST(Rasterizer, FillMaskPathMakesASilhouette) {
  Mask mask = Mask::make(6, 6);
  fill_mask_path(mask, rect_path(1, 1, 3, 2), FillRule::Winding, true, Transform::identity());
  EXPECT_EQ(mask.value(0, 0), 0);
  EXPECT_EQ(mask.value(1, 1), 255);
  EXPECT_EQ(mask.value(3, 2), 255);
  EXPECT_EQ(mask.value(4, 2), 0);
}

TEST(Rasterizer, StrokesHonourDashes) {
  Pixmap pm = Pixmap::make(20, 3);
  PathBuilder pb;
  pb.move_to(0, 1.5f);
  pb.line_to(20, 1.5f);
  Stroke stroke;
  stroke.dash = StrokeDash{{4, 2}, 0};
  stroke_path(pm, *pb.finish(), solid_paint(COLOR_WHITE), stroke, Transform::identity());
  for (uint32_t x : {0u, 3u, 6u, 9u}) EXPECT_EQ(pm.pixel(x, 1), 0xFFFFFFFFu) << x;
  for (uint32_t x : {4u, 5u, 10u, 11u}) EXPECT_EQ(pm.pixel(x, 1), 0u) << x;
  EXPECT_EQ(pm.pixel(0, 0), 0u);

  Pixmap none = Pixmap::make(20, 3);
  stroke.dash = StrokeDash{{0, 0}, 0};  // a pattern with no length draws nothing
  stroke_path(none, rect_path(2, 1, 10, 1), solid_paint(COLOR_WHITE), stroke, Transform::identity());
  stroke.dash.reset();
  stroke.width = -1;
  stroke_path(none, rect_path(2, 1, 10, 1), solid_paint(COLOR_WHITE), stroke, Transform::identity());
  for (uint32_t w : none.pixels()) EXPECT_EQ(w, 0u);
}

TEST(Rasterizer, NonInvertibleTransformsDrawNothing) {
  Pixmap pm = Pixmap::make(4, 4);
  fill_rect(pm, {0, 0, 4, 4}, solid_paint(COLOR_WHITE), Transform::from_scale(0, 1));
  fill_rect(pm, {0, 0, 4, 4}, solid_paint(COLOR_WHITE), Transform::from_translate(std::nanf(""), 0));
  for (uint32_t w : pm.pixels()) EXPECT_EQ(w, 0u);
}

TEST(DrawPixmap, NearestAtWholeOffsetsCopiesOverTransparency) {
  Pixmap src = Pixmap::make(2, 2);
  src.set_pixel(0, 0, 0xFF112233u);
  src.set_pixel(1, 1, 0x80402010u);
  Pixmap dst = Pixmap::make(5, 5);
  draw_pixmap(dst, 2, 1, src, PixmapPaint{}, Transform::identity());
  EXPECT_EQ(dst.pixel(2, 1), 0xFF112233u);
  EXPECT_EQ(dst.pixel(3, 2), 0x80402010u);
  EXPECT_EQ(dst.pixel(3, 1), 0u);
  EXPECT_EQ(dst.pixel(4, 3), 0u);
}

TEST(DrawPixmap, TransformMapsTheImageOnce) {
  Pixmap src = Pixmap::make(2, 1);
  src.set_pixel(0, 0, 0xFFFF0000u);
  src.set_pixel(1, 0, 0xFF0000FFu);
  Pixmap dst = Pixmap::make(8, 2);
  draw_pixmap(dst, 1, 0, src, PixmapPaint{}, Transform::from_scale(2, 2));
  EXPECT_EQ(dst.pixel(1, 1), 0u);
  EXPECT_EQ(dst.pixel(2, 0), 0xFFFF0000u);
  EXPECT_EQ(dst.pixel(3, 1), 0xFFFF0000u);
  EXPECT_EQ(dst.pixel(4, 0), 0xFF0000FFu);
  EXPECT_EQ(dst.pixel(5, 1), 0xFF0000FFu);
  EXPECT_EQ(dst.pixel(6, 0), 0u);
}

TEST(DrawPixmap, OpacityAndScaling) {
  Pixmap src = Pixmap::make(1, 1);
  src.fill_word(0xFFFFFFFFu);
  Pixmap dst = Pixmap::make(8, 8);
  draw_pixmap(dst, 0, 0, src, PixmapPaint{0.5f, BlendMode::SourceOver, FilterQuality::Bilinear},
              Transform::from_scale(8, 8));
  for (uint32_t w : dst.pixels()) ASSERT_EQ(w, 0x80808080u);
}

TEST(PixmapPattern, FillsAPathWithTheImage) {
  Pixmap src = Pixmap::make(2, 1);
  src.set_pixel(0, 0, 0xFFFF0000u);
  src.set_pixel(1, 0, 0xFF0000FFu);
  Pixmap dst = Pixmap::make(4, 2);
  const PixmapPattern pattern{&src, FilterQuality::Nearest, 1.0f, Transform::from_scale(2, 2)};
  fill_rect(dst, {0, 0, 4, 2}, shader_paint(pattern), Transform::identity());
  EXPECT_EQ(dst.pixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(dst.pixel(2, 0), 0xFF0000FFu);
}

}  // namespace
}  // namespace qo
