#include "gfx/rasterizer.h"

#include <gtest/gtest.h>

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
