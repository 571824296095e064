// The rune's draw through its sparse image against the plain affine draw of the same pixels: the sparse draw
// computes only the sample blocks whose taps hold ink, and must give every pixel the plain draw gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <string>
#include <utility>

#include "gfx/image_affine.h"
#include "gfx/pixel_spans.h"
#include "ui/rune.h"

namespace qo {
namespace {

// A ground with a different pixel everywhere, so a pixel composited twice, or not at all, shows.
Pixmap patterned_ground(uint32_t w, uint32_t h) {
  Pixmap target = Pixmap::make(w, h);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x)
      target.set_pixel(x, y, pack_argb(255, (x * 7) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF));
  return target;
}

// Single pixels at the corners and edges of a transparent image, of every kind the taps can meet: opaque,
// translucent, alpha without colour and colour without alpha.
Pixmap hostile_sparse_image(uint32_t w, uint32_t h) {
  Pixmap image = Pixmap::make(w, h);
  const uint32_t kinds[] = {pack_argb(255, 240, 200, 90), pack_argb(3, 2, 1, 0), 0x01000000u, 0x00000001u};
  const uint32_t xs[] = {0, w / 2, w - 1};
  const uint32_t ys[] = {0, h / 2, h - 1};
  uint32_t n = 0;
  for (const uint32_t y : ys)
    for (const uint32_t x : xs)
      if (x == 0 || y == 0 || x == w - 1 || y == h - 1) image.set_pixel(x, y, kinds[n++ % 4]);
  return image;
}

Transform turn_about(float cx, float cy, float degrees, float zoom, float half_w, float half_h) {
  const float r = degrees * std::numbers::pi_v<float> / 180.0f;
  const float c = zoom * std::cos(r);
  const float s = zoom * std::sin(r);
  return Transform::from_translate(cx, cy)
      .pre_concat(Transform::from_row(c, s, -s, c, 0.0f, 0.0f))
      .pre_translate(-half_w, -half_h);
}

void expect_same_draw(const Pixmap& image, const SparseImage& sparse, Pixmap ground, const Transform& t, float opacity,
                      const ClipRect& clip, const std::string& label) {
  Pixmap plain = ground;
  draw_image_affine(image, plain, t, opacity, clip);
  draw_image_affine(sparse, ground, t, opacity, clip);
  ASSERT_TRUE(std::equal(plain.pixels().begin(), plain.pixels().end(), ground.pixels().begin())) << label;
}

TEST(SparseImageDraw, TheRuneEqualsThePlainDrawAtEveryScaleAngleOffsetOpacityAndClip) {
  std::mt19937 random(7);
  const auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
  const auto groups = build_rune_outlines();
  for (const float scale : {1.0f, 1.25f, 1.5f, 1.75f, 2.0f}) {
    const Pixmap rune = rasterize_rune(groups, scale);
    const SparseImage sparse(rune);
    const auto side = static_cast<int32_t>(rune.width()) + 24;
    const Pixmap ground = patterned_ground(static_cast<uint32_t>(side), static_cast<uint32_t>(side));
    for (int trial = 0; trial < 36; ++trial) {
      // Whole quarter turns (no step across rows or columns) and turns anywhere in between.
      const float degrees = trial < 4 ? 90.0f * static_cast<float>(trial) : uniform(-360.0f, 360.0f);
      const float half = static_cast<float>(rune.width()) / 2.0f;
      const Transform t =
          turn_about(side / 2.0f + uniform(-1.0f, 1.0f), side / 2.0f + uniform(-1.0f, 1.0f), degrees, 1.0f, half, half);
      const float opacity = std::array{1.0f, 0.8f, 0.45f, uniform(0.01f, 1.0f)}[trial % 4];
      const ClipRect clip = trial % 3 == 0 ? full_clip(ground)
                                           : ClipRect{static_cast<int32_t>(uniform(-4.0f, side * 0.6f)),
                                                      static_cast<int32_t>(uniform(-4.0f, side * 0.6f)),
                                                      static_cast<int32_t>(uniform(side * 0.4f, side + 4.0f)),
                                                      static_cast<int32_t>(uniform(side * 0.4f, side + 4.0f))};
      expect_same_draw(rune, sparse, ground, t, opacity, clip,
                       "scale " + std::to_string(scale) + " trial " + std::to_string(trial));
    }
  }
}

TEST(SparseImageDraw, LonePixelsAtTheEdgesEqualThePlainDrawThroughAnyTransform) {
  std::mt19937 random(23);
  const auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(random); };
  // Sizes from one pixel up to rows longer than the flags looked up at once.
  for (const auto& [w, h] : {std::pair{1u, 1u}, std::pair{2u, 3u}, std::pair{37u, 23u}, std::pair{700u, 3u}}) {
    const Pixmap image = hostile_sparse_image(w, h);
    const SparseImage sparse(image);
    const uint32_t target_w = w > 100 ? 760 : 96;
    const Pixmap ground = patterned_ground(target_w, 96);
    for (int trial = 0; trial < 150; ++trial) {
      const float zoom = trial % 5 == 0 ? 1.0f : uniform(0.25f, 4.0f);
      const float degrees = trial % 7 == 0 ? 90.0f * static_cast<float>(trial % 4) : uniform(-180.0f, 180.0f);
      Transform t =
          turn_about(uniform(-8.0f, target_w + 8.0f), uniform(-8.0f, 104.0f), degrees, zoom, w / 2.0f, h / 2.0f);
      if (trial % 6 == 1)
        t = t.pre_concat(Transform::from_row(1.0f, uniform(-0.6f, 0.6f), uniform(-0.6f, 0.6f), 1.0f, 0, 0));
      if (trial % 6 == 2) t = t.pre_scale(-1.0f, 1.0f);
      const ClipRect clip{static_cast<int32_t>(uniform(-5.0f, 40.0f)), static_cast<int32_t>(uniform(-5.0f, 40.0f)),
                          static_cast<int32_t>(uniform(50.0f, target_w + 5.0f)),
                          static_cast<int32_t>(uniform(50.0f, 101.0f))};
      expect_same_draw(image, sparse, ground, t, trial % 4 == 0 ? 1.0f : uniform(0.01f, 1.0f),
                       trial % 3 == 0 ? full_clip(ground) : clip,
                       std::to_string(w) + "x" + std::to_string(h) + " trial " + std::to_string(trial));
    }
  }
}

}  // namespace
}  // namespace qo
