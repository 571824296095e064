#include "gfx/image_affine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "gfx/pixel_spans.h"

namespace qo {
namespace {

constexpr int32_t FIXED_ONE = 1 << 16;

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

// floor(a / b) and ceil(a / b) for b != 0.
int64_t floor_div(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}
int64_t ceil_div(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) == (b < 0)) ? q + 1 : q;
}

// Narrows [first, last) to the steps k at which start + k * step lies in [0, end), exactly.
void narrow_to_inside(int64_t start, int64_t step, int64_t end, int32_t& first, int32_t& last) {
  int64_t lo = first;
  int64_t hi = last;  // exclusive
  if (step == 0) {
    if (start < 0 || start >= end) hi = lo;
  } else if (step > 0) {
    lo = std::max(lo, ceil_div(-start, step));
    hi = std::min(hi, floor_div(end - 1 - start, step) + 1);
  } else {
    lo = std::max(lo, ceil_div(end - 1 - start, step));
    hi = std::min(hi, floor_div(-start, step) + 1);
  }
  first = static_cast<int32_t>(std::clamp(lo, int64_t{first}, int64_t{last}));
  last = static_cast<int32_t>(std::clamp(hi, int64_t{first}, int64_t{last}));
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
  // Every sampled point then lies below 2^32 in 16.16 fixed point, so the span sampler's wrapping sums are exact.
  const bool fits_32_bits = ((max_u + 1) << 16) <= (int64_t{1} << 32) && ((max_v + 1) << 16) <= (int64_t{1} << 32);
  for (int32_t y = box.y0; y < box.y1; ++y) {
    const double py = y + 0.5;
    const double px = box.x0 + 0.5;
    int64_t u = fixed(inv.sx * px + inv.kx * py + inv.tx + 0.5);
    int64_t v = fixed(inv.ky * px + inv.sy * py + inv.ty + 0.5);
    uint32_t* out = target.row(static_cast<uint32_t>(y));
    const int32_t count = box.x1 - box.x0;
    int32_t first = 0;
    int32_t last = count;
    narrow_to_inside(u, du, (max_u + 1) << 16, first, last);
    narrow_to_inside(v, dv, (max_v + 1) << 16, first, last);
    if (content_radius > 0.0f) narrow_to_circle(transform, image, content_radius, y, box.x0, count, first, last);
    if (first >= last) continue;
    u += du * first;
    v += dv * first;
    uint32_t* dst = out + box.x0 + first;
    const auto n = static_cast<size_t>(last - first);
    if (fits_32_bits) {
      sample_affine_span(dst, padded.pixels().data(), padded.width(), static_cast<uint32_t>(u),
                         static_cast<uint32_t>(v), static_cast<uint32_t>(du), static_cast<uint32_t>(dv), weight, n);
      continue;
    }
    for (size_t i = 0; i < n; ++i, u += du, v += dv) {
      const auto at = static_cast<size_t>(v >> 16) * padded.width() + static_cast<size_t>(u >> 16);
      dst[i] = bilinear_over(padded.pixels().data(), padded.width(), at, static_cast<uint32_t>((u >> 8) & 0xFF),
                             static_cast<uint32_t>((v >> 8) & 0xFF), weight, dst[i]);
    }
  }
}

}  // namespace qo
