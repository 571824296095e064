// The affine sampler of the turning ornaments, against the integer blend (whole-pixel moves) and the
// rasteriser's own bilinear pixmap drawing (rotations).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <utility>

#include "gfx/image_affine.h"
#include "gfx/image_blit.h"
#include "gfx/pixel_spans.h"
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

// ---- Reference: every pixel of the covered box, straight from the definition. ----
// The target pixel's centre mapped back into the image, less half a pixel, in 16.16 fixed point (floored),
// advanced by the fixed-point steps along the row; outside the image counts as transparent.
void ref_draw_image_affine(const Pixmap& image, Pixmap& target, const Transform& t, float opacity,
                           const ClipRect& clip) {
  const uint32_t weight = quantize_opacity(opacity);
  if (weight == 0 || !t.is_invertible()) return;
  const double det = double{t.sx} * t.sy - double{t.kx} * t.ky;
  const double isx = t.sy / det, iky = -t.ky / det, ikx = -t.kx / det, isy = t.sx / det;
  const double itx = -(isx * t.tx + ikx * t.ty), ity = -(iky * t.tx + isy * t.ty);
  const auto fixed = [](double v) { return static_cast<int64_t>(std::floor(v * 65536.0)); };
  const auto tap = [&](int64_t x, int64_t y) -> uint32_t {
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) return 0;
    return image.pixel(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
  };
  // The walk starts at the left edge of the box the image's corners span, a pixel wider, inside the clip.
  const auto w = static_cast<float>(image.width()), h = static_cast<float>(image.height());
  float lo_x = 1e9f, lo_y = 1e9f, hi_x = -1e9f, hi_y = -1e9f;
  for (const Point p : {t.map_point({0, 0}), t.map_point({w, 0}), t.map_point({0, h}), t.map_point({w, h})}) {
    lo_x = std::min(lo_x, p.x), hi_x = std::max(hi_x, p.x), lo_y = std::min(lo_y, p.y), hi_y = std::max(hi_y, p.y);
  }
  const int32_t cx1 = std::min<int32_t>(clip.x1, static_cast<int32_t>(target.width()));
  const int32_t cy1 = std::min<int32_t>(clip.y1, static_cast<int32_t>(target.height()));
  const int32_t x0 = std::clamp(static_cast<int32_t>(std::floor(lo_x) - 1.0f), std::max(clip.x0, 0), cx1);
  const int32_t y0 = std::clamp(static_cast<int32_t>(std::floor(lo_y) - 1.0f), std::max(clip.y0, 0), cy1);
  const int32_t x1 = std::clamp(static_cast<int32_t>(std::ceil(hi_x) + 1.0f), std::max(clip.x0, 0), cx1);
  const int32_t y1 = std::clamp(static_cast<int32_t>(std::ceil(hi_y) + 1.0f), std::max(clip.y0, 0), cy1);
  for (int32_t y = y0; y < y1; ++y) {
    int64_t u = fixed(isx * (x0 + 0.5) + ikx * (y + 0.5) + itx + 0.5);
    int64_t v = fixed(iky * (x0 + 0.5) + isy * (y + 0.5) + ity + 0.5);
    for (int32_t x = x0; x < x1; ++x, u += fixed(isx), v += fixed(iky)) {
      const int64_t iu = (u >> 16) - 1;  // the left and top taps, in image pixels
      const int64_t iv = (v >> 16) - 1;
      const uint32_t fu = (u >> 8) & 0xFF, fv = (v >> 8) & 0xFF;
      const uint32_t sample = lerp_pixel(lerp_pixel(tap(iu, iv), tap(iu + 1, iv), fu),
                                         lerp_pixel(tap(iu, iv + 1), tap(iu + 1, iv + 1), fu), fv);
      const auto ux = static_cast<uint32_t>(x), uy = static_cast<uint32_t>(y);
      target.set_pixel(ux, uy, over_pixel(scale_pixel(sample, weight), target.pixel(ux, uy)));
    }
  }
}

TEST(AffineImage, TurnsScalesAndShearsEqualThePixelByPixelDefinitionBitForBit) {
  std::mt19937 random(11);
  const auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
  for (int trial = 0; trial < 60; ++trial) {
    const auto side = static_cast<uint32_t>(uniform(1.0f, 50.0f));
    Pixmap image = sparse_picture(side);
    if (trial % 3 == 0) image.fill_word(pack_argb(120, 100, 60, 20));  // no transparent taps inside
    const float r = uniform(-3.2f, 3.2f);
    const float zoom = uniform(0.3f, 2.5f);
    const float shear = trial % 4 == 0 ? uniform(-0.5f, 0.5f) : 0.0f;
    const Transform t = Transform::from_row(zoom * std::cos(r), zoom * std::sin(r) + shear, -zoom * std::sin(r),
                                            zoom * std::cos(r), uniform(-20.0f, 80.0f), uniform(-20.0f, 80.0f));
    const ClipRect clip{static_cast<int32_t>(uniform(-5.0f, 20.0f)), static_cast<int32_t>(uniform(-5.0f, 20.0f)),
                        static_cast<int32_t>(uniform(30.0f, 90.0f)), static_cast<int32_t>(uniform(30.0f, 90.0f))};
    const float opacity = trial % 5 == 0 ? 1.0f : uniform(0.05f, 1.0f);
    Pixmap expected = ground(72, 72);
    ref_draw_image_affine(image, expected, t, opacity, clip);
    Pixmap actual = ground(72, 72);
    draw_image_affine(image, actual, t, opacity, clip);
    ASSERT_TRUE(std::equal(expected.pixels().begin(), expected.pixels().end(), actual.pixels().begin()))
        << "trial " << trial;
  }
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
