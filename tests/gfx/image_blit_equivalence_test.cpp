// The fast blits against a plain pixel-by-pixel rendering of the same fixed-point arithmetic: random images,
// targets, positions, scales, opacities and clips must give the same pixels, bit for bit.
#include "gfx/image_blit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "gfx/canvas.h"

namespace qo {
namespace {

// ---- Reference: one pixel at a time, straight from the definition. ----

constexpr uint32_t MASK = 0x00FF00FFu;

struct RefTaps {
  uint32_t tap0, tap1, frac, coverage;
};

RefTaps ref_taps(int32_t dest, float origin, float scale, uint32_t size) {
  const auto d = static_cast<float>(dest);
  const float u = (d + 0.5f - origin) / scale - 0.5f;
  const float u0 = std::floor(u);
  const auto last = static_cast<int32_t>(size) - 1;
  RefTaps t;
  t.tap0 = static_cast<uint32_t>(std::clamp(saturating_i32(u0), 0, last));
  t.tap1 = static_cast<uint32_t>(std::clamp(saturating_i32(u0 + 1.0f), 0, last));
  t.frac = std::min(saturating_u32(std::round((u - u0) * 256.0f)), 256u);
  const float far_edge = origin + static_cast<float>(size) * scale;
  const float covered = std::fmin(d + 1.0f, far_edge) - std::fmax(origin, d);
  t.coverage = saturating_u32(std::round((std::isnan(covered) ? covered : std::clamp(covered, 0.0f, 1.0f)) * 256.0f));
  return t;
}

uint32_t ref_over(uint32_t s, uint32_t d) {
  const uint32_t alpha = s >> 24;
  if (alpha == 0) return d;
  if (alpha == 255) return s;
  const uint32_t inv = 255 - alpha;
  const uint32_t k = inv + (inv >> 7);
  return s + (((((d >> 8) & MASK) * k) & 0xFF00FF00u) + ((((d & MASK) * k) >> 8) & MASK));
}

void ref_draw_image_scaled(const Pixmap& image, Pixmap& target, float x, float y, float sx, float sy,
                           float opacity, bool blend, const ClipRect& clip) {
  const uint32_t q = quantize_opacity(opacity);
  if (q == 0) return;
  const int32_t cx0 = std::max(clip.x0, 0);
  const int32_t cy0 = std::max(clip.y0, 0);
  const int32_t cx1 = std::max(std::min<int64_t>(clip.x1, target.width()), int64_t{cx0});
  const int32_t cy1 = std::max(std::min<int64_t>(clip.y1, target.height()), int64_t{cy0});
  const auto range = [](float origin, float scale, uint32_t size, int32_t lo, int32_t hi) {
    return std::pair{std::clamp(saturating_i32(std::floor(origin)), lo, hi),
                     std::clamp(saturating_i32(std::ceil(origin + static_cast<float>(size) * scale)), lo, hi)};
  };
  const auto [x0, x1] = range(x, sx, image.width(), cx0, cx1);
  const auto [y0, y1] = range(y, sy, image.height(), cy0, cy1);
  for (int32_t row = y0; row < y1; ++row) {
    const RefTaps r = ref_taps(row, y, sy, image.height());
    for (int32_t col = x0; col < x1; ++col) {
      const RefTaps c = ref_taps(col, x, sx, image.width());
      const auto horizontal = [&](uint32_t image_row, uint32_t shift) {
        const uint32_t a = (image.pixel(c.tap0, image_row) >> shift) & MASK;
        const uint32_t b = (image.pixel(c.tap1, image_row) >> shift) & MASK;
        return ((a * (256 - c.frac) + b * c.frac) >> 8) & MASK;
      };
      uint32_t low = ((horizontal(r.tap0, 0) * (256 - r.frac) + horizontal(r.tap1, 0) * r.frac) >> 8) & MASK;
      uint32_t high = horizontal(r.tap0, 8) * (256 - r.frac) + horizontal(r.tap1, 8) * r.frac;
      const uint32_t n =
          (c.coverage == 256 && r.coverage == 256) ? q : (((c.coverage * r.coverage) >> 8) * q) >> 8;
      if (n <= 255) {
        low = ((low * n) >> 8) & MASK;
        high = ((high >> 8) & MASK) * n;
      }
      const uint32_t s = low | (high & 0xFF00FF00u);
      const auto ux = static_cast<uint32_t>(col), uy = static_cast<uint32_t>(row);
      target.set_pixel(ux, uy, blend ? ref_over(s, target.pixel(ux, uy)) : s);
    }
  }
}

void ref_blend_pixmap_opacity(Pixmap& target, const Pixmap& source, float opacity, int32_t x, int32_t y) {
  const uint32_t q = quantize_opacity(opacity);
  if (q == 0) return;
  for (uint32_t j = 0; j < source.height(); ++j) {
    for (uint32_t i = 0; i < source.width(); ++i) {
      const int64_t tx = int64_t{x} + i, ty = int64_t{y} + j;
      if (tx < 0 || ty < 0 || tx >= target.width() || ty >= target.height()) continue;
      uint32_t s = source.pixel(i, j);
      if (q < 256) s = ((((s & MASK) * q) >> 8) & MASK) | ((((s >> 8) & MASK) * q) & 0xFF00FF00u);
      const auto ux = static_cast<uint32_t>(tx), uy = static_cast<uint32_t>(ty);
      target.set_pixel(ux, uy, ref_over(s, target.pixel(ux, uy)));
    }
  }
}

// ---- Random cases. ----

enum class Content { Premultiplied, AnyBits, Opaque, Transparent, Mixed };

Pixmap random_pixmap(std::mt19937& rng, uint32_t w, uint32_t h, Content content) {
  Pixmap pm = Pixmap::make(w, h);
  for (uint32_t& word : pm.pixels()) {
    Content kind = content;
    if (kind == Content::Mixed) kind = static_cast<Content>(rng() % 4);
    const uint32_t a = kind == Content::Opaque ? 255 : kind == Content::Transparent ? 0 : rng() % 256;
    switch (kind) {
      case Content::AnyBits: word = rng(); break;  // colour above alpha: the sums may carry between channels
      default: word = pack_argb(a, rng() % (a + 1), rng() % (a + 1), rng() % (a + 1)); break;
    }
  }
  return pm;
}

float random_between(std::mt19937& rng, float lo, float hi) {
  return std::uniform_real_distribution<float>(lo, hi)(rng);
}

// Scales that reach each path: exact copies, slight reductions (runs of neighbours), enlargements (gathered
// neighbours), strong reductions and arbitrary values.
float random_scale(std::mt19937& rng) {
  switch (rng() % 7) {
    case 0: return 1.0f;
    case 1: return random_between(rng, 0.9f, 1.0f);
    case 2: return 1.05f / 1.08f;
    case 3: return static_cast<float>(1 + rng() % 4);
    case 4: return random_between(rng, 0.2f, 0.9f);
    case 5: return random_between(rng, 1.0f, 6.0f);
    default: return random_between(rng, 0.05f, 3.0f);
  }
}

// Whole, half and arbitrary positions, some far enough out that the image is clipped or misses.
float random_offset(std::mt19937& rng, int32_t span) {
  const float v = random_between(rng, -0.6f * static_cast<float>(span), 1.1f * static_cast<float>(span));
  switch (rng() % 3) {
    case 0: return std::round(v);
    case 1: return std::round(v) + 0.5f;
    default: return v;
  }
}

float random_opacity(std::mt19937& rng) {
  switch (rng() % 4) {
    case 0: return 1.0f;
    case 1: return 0.55f;
    case 2: return static_cast<float>(rng() % 258) / 256.0f;
    default: return random_between(rng, -0.1f, 1.1f);
  }
}

ClipRect random_clip(std::mt19937& rng, const Pixmap& target) {
  if (rng() % 2 == 0) return full_clip(target);
  const auto w = static_cast<int32_t>(target.width()), h = static_cast<int32_t>(target.height());
  const auto pick = [&](int32_t size) { return static_cast<int32_t>(rng() % static_cast<uint32_t>(size + 10)) - 5; };
  return {pick(w), pick(h), pick(w), pick(h)};
}

void expect_same_pixels(const Pixmap& expected, const Pixmap& actual, int case_number) {
  ASSERT_EQ(expected.pixels().size(), actual.pixels().size());
  const auto mismatch = std::mismatch(expected.pixels().begin(), expected.pixels().end(), actual.pixels().begin());
  if (mismatch.first == expected.pixels().end()) return;
  const auto index = static_cast<uint32_t>(mismatch.first - expected.pixels().begin());
  FAIL() << "case " << case_number << ": pixel (" << index % expected.width() << ", " << index / expected.width()
         << ") is " << std::hex << *mismatch.second << ", expected " << *mismatch.first;
}

struct Sizes {
  uint32_t image_max;
  uint32_t target_max;
  int cases;
};

TEST(DrawImageScaledEquivalence, RandomCasesMatchThePixelByPixelArithmetic) {
  std::mt19937 rng(20261209);
  int case_number = 0;
  // Many small cases for the edges and clamps, a few wide ones for long rows.
  for (const Sizes sizes : {Sizes{12, 24, 4000}, Sizes{90, 160, 300}, Sizes{400, 300, 12}}) {
    for (int i = 0; i < sizes.cases; ++i, ++case_number) {
      const uint32_t iw = 1 + rng() % sizes.image_max, ih = 1 + rng() % sizes.image_max;
      const uint32_t tw = 1 + rng() % sizes.target_max, th = 1 + rng() % sizes.target_max;
      const Pixmap image = random_pixmap(rng, iw, ih, static_cast<Content>(rng() % 5));
      const Pixmap start = random_pixmap(rng, tw, th, static_cast<Content>(rng() % 5));
      const float sx = random_scale(rng);
      const float sy = rng() % 3 == 0 ? random_scale(rng) : sx;
      const float x = random_offset(rng, static_cast<int32_t>(tw));
      const float y = random_offset(rng, static_cast<int32_t>(th));
      const float opacity = random_opacity(rng);
      const bool blend = rng() % 2 == 0;
      const ClipRect clip = random_clip(rng, start);

      Pixmap expected = start;
      ref_draw_image_scaled(image, expected, x, y, sx, sy, opacity, blend, clip);
      Pixmap actual = start;
      draw_image_scaled(image, actual, x, y, sx, sy, opacity, blend, clip);
      expect_same_pixels(expected, actual, case_number);
      if (HasFatalFailure()) return;
    }
  }
}

TEST(DrawImageScaledEquivalence, TheWindowBackgroundAtItsZoomsMatches) {
  // The hero layer over the window as the animated background draws it, at a reduced size.
  std::mt19937 rng(7);
  const Pixmap layer = random_pixmap(rng, 594, 357, Content::Opaque);
  for (const float zoom : {1.0f, 1.02f, 1.05f, 1.08f}) {
    const Pixmap start = random_pixmap(rng, 550, 330, Content::Opaque);
    const float x = (-22.0f - 275.0f) * zoom / 1.08f + 275.0f, y = (-7.95f - 165.0f) * zoom / 1.08f + 165.0f;
    Pixmap expected = start;
    ref_draw_image_scaled(layer, expected, x, y, zoom / 1.08f, zoom / 1.08f, 0.55f, true, full_clip(start));
    Pixmap actual = start;
    draw_image_scaled(layer, actual, x, y, zoom / 1.08f, zoom / 1.08f, 0.55f, true, full_clip(start));
    expect_same_pixels(expected, actual, static_cast<int>(zoom * 100));
  }
}

TEST(DrawImageScaledEquivalence, DrawingAPixmapOntoItselfReadsItAsItWas) {
  std::mt19937 rng(3);
  const Pixmap start = random_pixmap(rng, 40, 30, Content::Premultiplied);
  Pixmap expected = start;
  ref_draw_image_scaled(start, expected, 3.25f, -2.5f, 0.8f, 1.3f, 0.7f, true, full_clip(start));
  Pixmap actual = start;
  draw_image_scaled(actual, actual, 3.25f, -2.5f, 0.8f, 1.3f, 0.7f, true, full_clip(start));
  expect_same_pixels(expected, actual, 0);
}

TEST(BlendPixmapOpacityEquivalence, RandomCasesMatchThePixelByPixelArithmetic) {
  std::mt19937 rng(99);
  for (int case_number = 0; case_number < 3000; ++case_number) {
    const uint32_t limit = case_number < 2980 ? 40 : 400;  // a few wide rows at the end
    const Pixmap source = random_pixmap(rng, 1 + rng() % limit, 1 + rng() % limit, static_cast<Content>(rng() % 5));
    const Pixmap start = random_pixmap(rng, 1 + rng() % limit, 1 + rng() % limit, static_cast<Content>(rng() % 5));
    const auto x = static_cast<int32_t>(random_offset(rng, static_cast<int32_t>(start.width())));
    const auto y = static_cast<int32_t>(random_offset(rng, static_cast<int32_t>(start.height())));
    const float opacity = random_opacity(rng);

    Pixmap expected = start;
    ref_blend_pixmap_opacity(expected, source, opacity, x, y);
    Pixmap actual = start;
    blend_pixmap_opacity(actual, source, opacity, x, y);
    expect_same_pixels(expected, actual, case_number);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace qo
