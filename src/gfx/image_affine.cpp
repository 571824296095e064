#include "gfx/image_affine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "gfx/pixel_spans.h"

namespace qo {
namespace {

constexpr int32_t FIXED_ONE = 1 << 16;

// (a * (256 - w) + b * w) >> 8 on both channel pairs, w 0..256.
inline uint32_t lerp_pixel(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t v = 256 - w;
  const uint32_t low = (((a & PAIR_MASK) * v + (b & PAIR_MASK) * w) >> 8) & PAIR_MASK;
  const uint32_t high = (((a >> 8) & PAIR_MASK) * v + ((b >> 8) & PAIR_MASK) * w) & ~PAIR_MASK;
  return low | high;
}

struct Inverse {
  double sx, ky, kx, sy, tx, ty;  // target device point -> image point
};

Inverse invert(const Transform& t) {
  const double det = double{t.sx} * t.sy - double{t.kx} * t.ky;
  const double sx = t.sy / det;
  const double ky = -t.ky / det;
  const double kx = -t.kx / det;
  const double sy = t.sx / det;
  return Inverse{sx, ky, kx, sy, -(sx * t.tx + kx * t.ty), -(ky * t.tx + sy * t.ty)};
}

// The device box the transformed image covers, one pixel wider for the fading edge, inside the clip.
ClipRect covered_box(const Pixmap& image, const Transform& t, const ClipRect& clip, const Pixmap& target) {
  const auto w = static_cast<float>(image.width());
  const auto h = static_cast<float>(image.height());
  const std::array<Point, 4> corners{t.map_point({0, 0}), t.map_point({w, 0}), t.map_point({0, h}),
                                     t.map_point({w, h})};
  float x0 = corners[0].x, x1 = corners[0].x, y0 = corners[0].y, y1 = corners[0].y;
  for (const Point& p : corners) {
    x0 = std::min(x0, p.x);
    x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y);
    y1 = std::max(y1, p.y);
  }
  const auto limit = [](float v, int32_t lo, int32_t hi) {
    return std::clamp(static_cast<int32_t>(std::clamp(v, -1e7f, 1e7f)), lo, hi);
  };
  const int32_t cx0 = std::max(clip.x0, 0);
  const int32_t cy0 = std::max(clip.y0, 0);
  const int32_t cx1 = std::min(clip.x1, static_cast<int32_t>(target.width()));
  const int32_t cy1 = std::min(clip.y1, static_cast<int32_t>(target.height()));
  return ClipRect{limit(std::floor(x0) - 1.0f, cx0, cx1), limit(std::floor(y0) - 1.0f, cy0, cy1),
                  limit(std::ceil(x1) + 1.0f, cx0, cx1), limit(std::ceil(y1) + 1.0f, cy0, cy1)};
}

// The image with a transparent border of one pixel, so every tap of a sample near the edge is inside it.
Pixmap with_clear_border(const Pixmap& image) {
  Pixmap padded = Pixmap::make(image.width() + 2, image.height() + 2);
  for (uint32_t y = 0; y < image.height(); ++y)
    std::copy_n(image.row(y), image.width(), padded.row(y + 1) + 1);
  return padded;
}

// The steps k (0 <= k < count) at which start + k * step lies in [0, end): a half-open range, widened by one
// step each side (the per-pixel check keeps exactness; this only skips the columns that cannot sample).
void narrow_to_inside(int64_t start, int64_t step, int64_t end, int32_t count, int32_t& first, int32_t& last) {
  if (step == 0) {
    if (start < 0 || start >= end) last = first;
    return;
  }
  double lo = static_cast<double>(-start) / static_cast<double>(step);
  double hi = static_cast<double>(end - start) / static_cast<double>(step);
  if (lo > hi) std::swap(lo, hi);
  const auto k0 = static_cast<int32_t>(std::clamp(std::floor(lo) - 1.0, 0.0, static_cast<double>(count)));
  const auto k1 = static_cast<int32_t>(std::clamp(std::ceil(hi) + 1.0, 0.0, static_cast<double>(count)));
  first = std::max(first, k0);
  last = std::min(last, k1);
}

}  // namespace

namespace {

// The columns of row y (as steps from x0) within the content circle mapped to the target, widened by a pixel.
void narrow_to_circle(const Transform& t, const Pixmap& image, float content_radius, int32_t y, int32_t x0,
                      int32_t count, int32_t& first, int32_t& last) {
  const Point centre = t.map_point({image.width() / 2.0f, image.height() / 2.0f});
  // The map's largest stretch bounds the circle's radius in target pixels.
  const double stretch = std::max(std::hypot(double{t.sx}, double{t.ky}), std::hypot(double{t.kx}, double{t.sy}));
  const double r = content_radius * stretch + 2.0;
  const double dy = y + 0.5 - centre.y;
  if (std::fabs(dy) >= r) {
    last = first;
    return;
  }
  const double half = std::sqrt(r * r - dy * dy);
  const double lo = std::floor(centre.x - half) - x0;
  const double hi = std::ceil(centre.x + half) - x0 + 1.0;
  first = std::max(first, static_cast<int32_t>(std::clamp(lo, 0.0, static_cast<double>(count))));
  last = std::min(last, static_cast<int32_t>(std::clamp(hi, 0.0, static_cast<double>(count))));
}

}  // namespace

void draw_image_affine(const Pixmap& image, Pixmap& target, const Transform& transform, float opacity,
                       const ClipRect& clip, float content_radius) {
  const uint32_t weight = quantize_opacity(opacity);
  if (weight == 0 || !transform.is_invertible()) return;
  const ClipRect box = covered_box(image, transform, clip, target);
  if (box.x1 <= box.x0 || box.y1 <= box.y0) return;
  const Inverse inv = invert(transform);
  const Pixmap padded = with_clear_border(image);
  // Padded coordinates of a sample: the image point of the pixel centre, less half a pixel, plus the border.
  const auto fixed = [](double v) { return static_cast<int64_t>(std::floor(v * FIXED_ONE)); };
  const int64_t du = fixed(inv.sx);
  const int64_t dv = fixed(inv.ky);
  const auto max_u = static_cast<int64_t>(image.width());   // the left tap may be 0 .. width in padded terms
  const auto max_v = static_cast<int64_t>(image.height());
  for (int32_t y = box.y0; y < box.y1; ++y) {
    const double py = y + 0.5;
    const double px = box.x0 + 0.5;
    int64_t u = fixed(inv.sx * px + inv.kx * py + inv.tx + 0.5);
    int64_t v = fixed(inv.ky * px + inv.sy * py + inv.ty + 0.5);
    uint32_t* out = target.row(static_cast<uint32_t>(y));
    const int32_t count = box.x1 - box.x0;
    int32_t first = 0;
    int32_t last = count;
    narrow_to_inside(u, du, (max_u + 1) << 16, count, first, last);
    narrow_to_inside(v, dv, (max_v + 1) << 16, count, first, last);
    if (content_radius > 0.0f) narrow_to_circle(transform, image, content_radius, y, box.x0, count, first, last);
    if (first >= last) continue;
    u += du * first;
    v += dv * first;
    for (int32_t x = box.x0 + first; x < box.x0 + last; ++x, u += du, v += dv) {
      const int64_t iu = u >> 16;
      const int64_t iv = v >> 16;
      if (iu < 0 || iv < 0 || iu > max_u || iv > max_v) continue;
      const uint32_t* top = padded.row(static_cast<uint32_t>(iv)) + iu;
      const uint32_t* bottom = top + padded.width();
      const uint32_t p00 = top[0], p10 = top[1], p01 = bottom[0], p11 = bottom[1];
      if ((p00 | p10 | p01 | p11) == 0) continue;
      const auto fu = static_cast<uint32_t>((u >> 8) & 0xFF);
      const auto fv = static_cast<uint32_t>((v >> 8) & 0xFF);
      const uint32_t sample = lerp_pixel(lerp_pixel(p00, p10, fu), lerp_pixel(p01, p11, fu), fv);
      out[x] = over_pixel(scale_pixel(sample, weight), out[x]);
    }
  }
}

}  // namespace qo
