// The affine sampler of the turning ornaments, against the integer blend (whole-pixel moves) and the
// rasteriser's own bilinear pixmap drawing (rotations).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "gfx/image_affine.h"
#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"

namespace qo {
namespace {

// A sparse test picture: translucent and opaque strokes on transparent ground, premultiplied.
Pixmap sparse_picture(uint32_t side) {
  Pixmap image = Pixmap::make(side, side);
  for (uint32_t y = 0; y < side; ++y)
    for (uint32_t x = 0; x < side; ++x) {
      if ((x + 2 * y) % 11 == 0) image.set_pixel(x, y, pack_argb(200, 180, 120, 40));
      if (x == y || x == side / 2) image.set_pixel(x, y, pack_argb(255, 217, 168, 69));
    }
  return image;
}

Pixmap ground(uint32_t w, uint32_t h) {
  Pixmap target = Pixmap::make(w, h);
  target.fill_word(0xFF101814u);
  return target;
}

TEST(AffineImage, WholePixelMovesEqualTheIntegerBlendBitForBit) {
  const Pixmap image = sparse_picture(40);
  for (const float opacity : {1.0f, 0.45f}) {
    for (const auto& [dx, dy] : {std::pair{3, 5}, std::pair{-7, 20}, std::pair{50, -3}}) {
      Pixmap expected = ground(64, 64);
      blend_pixmap_opacity(expected, image, opacity, dx, dy);
      Pixmap actual = ground(64, 64);
      draw_image_affine(image, actual, Transform::from_translate(static_cast<float>(dx), static_cast<float>(dy)),
                        opacity, full_clip(actual));
      EXPECT_TRUE(std::equal(expected.pixels().begin(), expected.pixels().end(), actual.pixels().begin()))
          << "offset " << dx << ", " << dy << " opacity " << opacity;
    }
  }
}

TEST(AffineImage, RotationsStayCloseToTheRasterisersBilinearDrawing) {
  const Pixmap image = sparse_picture(60);
  for (const float degrees : {17.0f, 133.5f, -71.0f}) {
    const float r = degrees * 3.14159265f / 180.0f;
    const float c = std::cos(r);
    const float s = std::sin(r);
    const Transform turn = Transform::from_translate(48.0f, 48.0f)
                               .pre_concat(Transform::from_row(c, s, -s, c, 0.0f, 0.0f))
                               .pre_translate(-30.0f, -30.0f);
    Pixmap expected = ground(96, 96);
    draw_pixmap(expected, 0, 0, image, PixmapPaint{0.8f, BlendMode::SourceOver, FilterQuality::Bilinear}, turn);
    Pixmap actual = ground(96, 96);
    draw_image_affine(image, actual, turn, 0.8f, full_clip(actual));
    int worst = 0;
    for (size_t i = 0; i < actual.pixel_count(); ++i)
      for (int shift = 0; shift < 32; shift += 8)
        worst = std::max(worst, std::abs(static_cast<int>((actual.pixels()[i] >> shift) & 0xFF) -
                                         static_cast<int>((expected.pixels()[i] >> shift) & 0xFF)));
    EXPECT_LE(worst, 10) << degrees << " degrees";
    // Told that nothing lies beyond the picture's corners, it samples fewer columns and draws the same.
    Pixmap within = ground(96, 96);
    draw_image_affine(image, within, turn, 0.8f, full_clip(within), 43.0f);
    EXPECT_TRUE(std::equal(actual.pixels().begin(), actual.pixels().end(), within.pixels().begin()));
  }
}

TEST(AffineImage, DrawsNothingOutsideTheClipOrThroughAFlatTransform) {
  const Pixmap image = sparse_picture(20);
  Pixmap target = ground(32, 32);
  draw_image_affine(image, target, Transform::from_translate(4.0f, 4.0f), 1.0f, ClipRect{0, 0, 32, 10});
  for (uint32_t y = 10; y < 32; ++y)
    for (uint32_t x = 0; x < 32; ++x) ASSERT_EQ(target.pixel(x, y), 0xFF101814u);
  Pixmap untouched = ground(32, 32);
  draw_image_affine(image, untouched, Transform::from_scale(0.0f, 1.0f), 1.0f, full_clip(untouched));
  for (const uint32_t p : untouched.pixels()) ASSERT_EQ(p, 0xFF101814u);
}

}  // namespace
}  // namespace qo
