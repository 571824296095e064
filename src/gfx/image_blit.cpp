#include "gfx/image_blit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "gfx/canvas.h"

namespace qo {

namespace {

constexpr uint32_t PAIR_MASK = 0x00FF00FFu;

// Sampling taps, interpolation weight and edge coverage for one destination column (or row).
struct Taps {
  uint32_t tap0;
  uint32_t tap1;
  uint32_t frac;      // weight of tap1, 0..256
  uint32_t coverage;  // share of the destination pixel the image covers, 0..256
};

uint32_t clamp_index(float v, uint32_t size) {
  const int32_t i = saturating_i32(v);
  return static_cast<uint32_t>(std::clamp<int32_t>(i, 0, static_cast<int32_t>(size) - 1));
}

// Rounded half away from zero, then saturated to 0..UINT32_MAX (NaN gives 0).
uint32_t round_to_u32(float v) { return saturating_u32(std::round(v)); }

Taps taps_for(int32_t dest, float origin, float scale, uint32_t size) {
  const auto d = static_cast<float>(dest);
  const float u = (d + 0.5f - origin) / scale - 0.5f;
  const float u0 = std::floor(u);
  Taps t;
  t.tap0 = clamp_index(u0, size);
  t.tap1 = clamp_index(u0 + 1.0f, size);
  t.frac = std::min(round_to_u32((u - u0) * 256.0f), 256u);
  const float far_edge = origin + static_cast<float>(size) * scale;
  // fmin and fmax skip a NaN operand, so a NaN far edge counts as covering the whole pixel.
  const float covered = std::fmin(d + 1.0f, far_edge) - std::fmax(origin, d);
  const float clamped = std::isnan(covered) ? covered : std::clamp(covered, 0.0f, 1.0f);
  t.coverage = round_to_u32(clamped * 256.0f);
  return t;
}

// Destination range [begin, end) of one axis.
std::pair<int32_t, int32_t> dest_range(float origin, float scale, uint32_t size, int32_t lo, int32_t hi) {
  const int32_t begin = std::clamp(saturating_i32(std::floor(origin)), lo, hi);
  const int32_t end =
      std::clamp(saturating_i32(std::ceil(origin + static_cast<float>(size) * scale)), lo, hi);
  return {begin, end};
}

uint32_t scale_pixel(uint32_t pixel, uint32_t q) {
  const uint32_t low = (((pixel & PAIR_MASK) * q) >> 8) & PAIR_MASK;
  const uint32_t high = ((pixel >> 8) & PAIR_MASK) * q;
  return low | (high & 0xFF00FF00u);
}

}  // namespace

ClipRect full_clip(const Pixmap& pixmap) {
  return {0, 0, static_cast<int32_t>(std::min<uint32_t>(pixmap.width(), INT32_MAX)),
          static_cast<int32_t>(std::min<uint32_t>(pixmap.height(), INT32_MAX))};
}

uint32_t quantize_opacity(float opacity) {
  if (std::isnan(opacity)) return 0;
  return static_cast<uint32_t>(std::lround(std::clamp(opacity, 0.0f, 1.0f) * 256.0f));
}

uint32_t blend_pixel_over(uint32_t s, uint32_t d) {
  const uint32_t alpha = s >> 24;
  if (alpha == 0) return d;
  if (alpha == 255) return s;
  const uint32_t inv = 255 - alpha;
  const uint32_t k = inv + (inv >> 7);
  const uint32_t high = (d >> 8) & PAIR_MASK;
  const uint32_t low = d & PAIR_MASK;
  return s + (((high * k) & 0xFF00FF00u) + (((low * k) >> 8) & PAIR_MASK));
}

void draw_image_scaled(const Pixmap& image, Pixmap& target, float x, float y, float scale_x, float scale_y,
                       float opacity, bool blend, const ClipRect& clip) {
  const uint32_t q = quantize_opacity(opacity);
  if (q == 0) return;

  const int32_t cx0 = std::max(clip.x0, 0);
  const int32_t cy0 = std::max(clip.y0, 0);
  const int32_t cx1 = std::max(std::min<int64_t>(clip.x1, target.width()), int64_t{cx0});
  const int32_t cy1 = std::max(std::min<int64_t>(clip.y1, target.height()), int64_t{cy0});
  const auto [x_begin, x_end] = dest_range(x, scale_x, image.width(), cx0, cx1);
  const auto [y_begin, y_end] = dest_range(y, scale_y, image.height(), cy0, cy1);
  if (x_begin >= x_end || y_begin >= y_end) return;

  std::vector<Taps> columns;
  columns.reserve(static_cast<size_t>(x_end - x_begin));
  for (int32_t col = x_begin; col < x_end; ++col) columns.push_back(taps_for(col, x, scale_x, image.width()));

  for (int32_t row = y_begin; row < y_end; ++row) {
    const Taps r = taps_for(row, y, scale_y, image.height());
    const uint32_t* src0 = image.row(r.tap0);
    const uint32_t* src1 = image.row(r.tap1);
    uint32_t* dst = target.row(static_cast<uint32_t>(row)) + x_begin;
    for (const Taps& c : columns) {
      const uint32_t a0 = src0[c.tap0], b0 = src0[c.tap1], a1 = src1[c.tap0], b1 = src1[c.tap1];
      const uint32_t fx = c.frac, ifx = 256 - fx;
      const uint32_t low0 = (((a0 & PAIR_MASK) * ifx + (b0 & PAIR_MASK) * fx) >> 8) & PAIR_MASK;
      const uint32_t high0 = ((((a0 >> 8) & PAIR_MASK) * ifx + ((b0 >> 8) & PAIR_MASK) * fx) >> 8) & PAIR_MASK;
      const uint32_t low1 = (((a1 & PAIR_MASK) * ifx + (b1 & PAIR_MASK) * fx) >> 8) & PAIR_MASK;
      const uint32_t high1 = ((((a1 >> 8) & PAIR_MASK) * ifx + ((b1 >> 8) & PAIR_MASK) * fx) >> 8) & PAIR_MASK;

      const uint32_t fy = r.frac, ify = 256 - fy;
      uint32_t low = ((low0 * ify + low1 * fy) >> 8) & PAIR_MASK;
      uint32_t high = high0 * ify + high1 * fy;  // results sit in bits 8-15 and 24-31

      const uint32_t n =
          (c.coverage == 256 && r.coverage == 256) ? q : (((c.coverage * r.coverage) >> 8) * q) >> 8;
      if (n <= 255) {
        low = ((low * n) >> 8) & PAIR_MASK;
        high = ((high >> 8) & PAIR_MASK) * n;
      }
      const uint32_t s = low | (high & 0xFF00FF00u);
      *dst = blend ? blend_pixel_over(s, *dst) : s;
      ++dst;
    }
  }
}

void blend_pixmap_opacity(Pixmap& target, const Pixmap& source, float opacity, int32_t x, int32_t y) {
  const uint32_t q = quantize_opacity(opacity);
  if (q == 0) return;
  const int64_t col_begin = std::max<int64_t>(0, -int64_t{x});
  const int64_t col_end = std::min<int64_t>(source.width(), int64_t{target.width()} - x);
  const int64_t row_begin = std::max<int64_t>(0, -int64_t{y});
  const int64_t row_end = std::min<int64_t>(source.height(), int64_t{target.height()} - y);
  if (col_begin >= col_end || row_begin >= row_end) return;
  for (int64_t j = row_begin; j < row_end; ++j) {
    const uint32_t* src = source.row(static_cast<uint32_t>(j));
    uint32_t* dst = target.row(static_cast<uint32_t>(j + y));
    for (int64_t i = col_begin; i < col_end; ++i) {
      const uint32_t s = q >= 256 ? src[i] : scale_pixel(src[i], q);
      dst[i + x] = blend_pixel_over(s, dst[i + x]);
    }
  }
}

}  // namespace qo
