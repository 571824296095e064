#include "gfx/canvas.h"

#include <gtest/gtest.h>

#include <cmath>

#include "gfx/icon.h"
#include "gfx/shapes.h"

namespace qo {
namespace {

TEST(DeviceSize, CeilsAndSaturates) {
  EXPECT_EQ(device_size(1100, 1.25f), 1375u);
  EXPECT_EQ(device_size(10.1f, 1.0f), 11u);
  EXPECT_EQ(device_size(-5, 1.0f), 0u);
  EXPECT_EQ(device_size(std::nanf(""), 1.0f), 0u);
  EXPECT_EQ(device_size(1e20f, 1.0f), UINT32_MAX);
}

TEST(SaturatingConversions, ClampAndReadNanAsZero) {
  EXPECT_EQ(saturating_i32(1e12f), INT32_MAX);
  EXPECT_EQ(saturating_i32(-1e12f), INT32_MIN);
  EXPECT_EQ(saturating_i32(std::nanf("")), 0);
  EXPECT_EQ(round_to_i32(-2.5f), -3);
  EXPECT_EQ(round_to_i32(2.5f), 3);
}

TEST(Canvas, ZeroSizesAreRaisedToOnePixel) {
  const Canvas canvas = Canvas::make(0, 0, 0, 0, 1);
  EXPECT_EQ(canvas.pixmap.width(), 1u);
  EXPECT_EQ(canvas.pixmap.height(), 1u);
  EXPECT_EQ(canvas.pixmap.pixel(0, 0), 0u);
  const Canvas logical = Canvas::make_logical(-12, -12, 30, -4, 1.5f);
  EXPECT_EQ(logical.pixmap.width(), 45u);
  EXPECT_EQ(logical.pixmap.height(), 1u);
}

TEST(Canvas, TransformMapsLogicalToDevicePixels) {
  const Canvas canvas = Canvas::make(10, 10, 100, 50, 1.5f);
  const Point p = canvas.transform().map_point({110, 60});
  EXPECT_FLOAT_EQ(p.x, 15.0f);
  EXPECT_FLOAT_EQ(p.y, 15.0f);
  EXPECT_EQ(canvas_transform(canvas), canvas.transform());
}

TEST(Pixmap, OversizedRequestsAreRefused) {
  EXPECT_FALSE(Pixmap::try_make(0x20000000u, 1));
  EXPECT_FALSE(Pixmap::try_make(65536, 16384));
  EXPECT_TRUE(Pixmap::try_make(0, 7));
  EXPECT_EQ(pixmap_byte_count(16384, 65535), std::optional<uint32_t>(0xFFFF0000u));
}

TEST(PixmapDeathTest, UnrepresentableSizeEndsTheProcess) {
  EXPECT_DEATH(Pixmap::make(65536, 65536), "pixmap size");
}

TEST(DrawIcon, ScalesGeometryAndStrokeWidthWithTheViewBox) {
  const Canvas canvas = Canvas::make(40, 40, 0, 0, 1);
  const Transform ts = icon_transform(canvas, 5, 5, 11, 10);
  const Point p = ts.map_point({10, 10});
  EXPECT_FLOAT_EQ(p.x, 16.0f);
  EXPECT_FLOAT_EQ(p.y, 16.0f);

  // A horizontal stroke 1 unit wide at y = 5 units, drawn at twice the view size: device rows 9 and 10.
  Canvas target = Canvas::make(30, 30, 0, 0, 1);
  PathBuilder pb;
  pb.move_to(1, 5);
  pb.line_to(9, 5);
  const Icon line{pb.finish(), std::nullopt};
  draw_icon(target, line, 0, 0, 20, 10, COLOR_WHITE, 1.0f);
  EXPECT_EQ(target.pixmap.pixel(10, 8), 0u);
  EXPECT_EQ(target.pixmap.pixel(10, 9), 0xFFFFFFFFu);
  EXPECT_EQ(target.pixmap.pixel(10, 10), 0xFFFFFFFFu);
  EXPECT_EQ(target.pixmap.pixel(10, 11), 0u);
  EXPECT_EQ(target.pixmap.pixel(1, 10), 0u);  // butt caps end at x = 2
  EXPECT_EQ(target.pixmap.pixel(2, 10), 0xFFFFFFFFu);
}

TEST(DrawIcon, FillGoesUnderTheStroke) {
  Canvas target = Canvas::make(24, 24, 0, 0, 1);
  const Icon icon{circle_path(12, 12, 8), circle_path(12, 12, 8)};
  draw_icon(target, icon, 0, 0, 24, 24, Color{1, 0, 0, 1}, 2.0f);
  EXPECT_EQ(target.pixmap.pixel(12, 12), 0xFFFF0000u);
  EXPECT_EQ(target.pixmap.pixel(12, 19), 0xFFFF0000u);  // inside the ring
  EXPECT_EQ(target.pixmap.pixel(12, 21), 0u);
  draw_icon(target, Icon{}, 0, 0, 24, 24, COLOR_WHITE, 2.0f);  // neither path: nothing
  EXPECT_EQ(target.pixmap.pixel(12, 12), 0xFFFF0000u);
}

}  // namespace
}  // namespace qo
