#include "gfx/image_affine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

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

// The device box an image of w x h pixels covers through the transform, one pixel wider for the fading edge,
// inside the clip.
ClipRect covered_box(uint32_t width, uint32_t height, const Transform& t, const ClipRect& clip, const Pixmap& target) {
  const auto w = static_cast<float>(width);
  const auto h = static_cast<float>(height);
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

// The largest factor by which the transform lengthens any image vector: the larger singular value of its linear
// part.
double largest_stretch(const Transform& t) {
  const double a = double{t.sx} * t.sx + double{t.ky} * t.ky + double{t.kx} * t.kx + double{t.sy} * t.sy;
  const double det = double{t.sx} * t.sy - double{t.kx} * t.ky;
  return std::sqrt((a + std::sqrt(std::max(a * a - 4.0 * det * det, 0.0))) / 2.0);
}

// The circle of the image's content mapped to the target, widened by two device pixels; radius 0: none.
struct TargetCircle {
  Point centre;
  double radius = 0.0;
};

TargetCircle target_circle(const Transform& t, uint32_t width, uint32_t height, float content_radius) {
  if (!(content_radius > 0.0f)) return {};
  const Point centre = t.map_point({static_cast<float>(width) / 2.0f, static_cast<float>(height) / 2.0f});
  return TargetCircle{centre, content_radius * largest_stretch(t) + 2.0};
}

// Narrows the columns of row y (as steps from x0) to the circle's chord, widened by a pixel.
void narrow_to_circle(const TargetCircle& circle, int32_t y, int32_t x0, int32_t count, int32_t& first, int32_t& last) {
  const double r = circle.radius;
  const double dy = y + 0.5 - circle.centre.y;
  if (std::fabs(dy) >= r) {
    last = first;
    return;
  }
  const double half = std::sqrt(r * r - dy * dy);
  const double lo = std::floor(circle.centre.x - half) - x0;
  const double hi = std::ceil(circle.centre.x + half) - x0 + 1.0;
  first = std::max(first, static_cast<int32_t>(std::clamp(lo, 0.0, static_cast<double>(count))));
  last = std::min(last, static_cast<int32_t>(std::clamp(hi, 0.0, static_cast<double>(count))));
}

// What every row of one draw shares. Samples are walked in 16.16 fixed point in the coordinates of the image
// with its clear border: the image point of the pixel centre, less half a pixel, plus the border.
struct AffineWalk {
  uint32_t weight = 0;
  ClipRect box;
  Inverse inv{};
  int64_t du = 0;
  int64_t dv = 0;
  int64_t end_u = 0;  // the left tap may be 0 .. width in bordered terms, so points lie below (width + 1) << 16
  int64_t end_v = 0;
  bool fits_32_bits = false;  // every point below 2^32, so the span loops' wrapping sums are exact
  TargetCircle circle;
};

std::optional<AffineWalk> begin_walk(uint32_t width, uint32_t height, Pixmap& target, const Transform& transform,
                                     float opacity, const ClipRect& clip, float content_radius) {
  AffineWalk walk;
  walk.weight = quantize_opacity(opacity);
  if (walk.weight == 0 || !transform.is_invertible()) return std::nullopt;
  walk.box = covered_box(width, height, transform, clip, target);
  if (walk.box.x1 <= walk.box.x0 || walk.box.y1 <= walk.box.y0) return std::nullopt;
  walk.inv = invert(transform);
  walk.du = static_cast<int64_t>(std::floor(walk.inv.sx * FIXED_ONE));
  walk.dv = static_cast<int64_t>(std::floor(walk.inv.ky * FIXED_ONE));
  walk.end_u = (int64_t{width} + 1) << 16;
  walk.end_v = (int64_t{height} + 1) << 16;
  walk.fits_32_bits = walk.end_u <= (int64_t{1} << 32) && walk.end_v <= (int64_t{1} << 32);
  walk.circle = target_circle(transform, width, height, content_radius);
  return walk;
}

// The samples of one target row: steps [first, last) from the box's left edge, step 0 at fixed point (u, v).
struct RowSamples {
  uint32_t* out = nullptr;  // the target pixel of step 0
  int64_t u = 0;
  int64_t v = 0;
  int32_t first = 0;
  int32_t last = 0;
};

RowSamples row_samples(const AffineWalk& walk, Pixmap& target, int32_t y) {
  const auto fixed = [](double v) { return static_cast<int64_t>(std::floor(v * FIXED_ONE)); };
  const double py = y + 0.5;
  const double px = walk.box.x0 + 0.5;
  RowSamples row;
  row.out = target.row(static_cast<uint32_t>(y)) + walk.box.x0;
  row.u = fixed(walk.inv.sx * px + walk.inv.kx * py + walk.inv.tx + 0.5);
  row.v = fixed(walk.inv.ky * px + walk.inv.sy * py + walk.inv.ty + 0.5);
  const int32_t count = walk.box.x1 - walk.box.x0;
  row.last = count;
  // The circle first: it is cheap, and rows outside it need no exact division.
  if (walk.circle.radius > 0.0) narrow_to_circle(walk.circle, y, walk.box.x0, count, row.first, row.last);
  if (row.first >= row.last) return row;
  narrow_to_inside(row.u, walk.du, walk.end_u, row.first, row.last);
  narrow_to_inside(row.v, walk.dv, walk.end_v, row.first, row.last);
  return row;
}

// Composites the samples of steps [begin, end) of the row from the bordered image.
void sample_steps(const AffineWalk& walk, const Pixmap& padded, const RowSamples& row, int32_t begin, int32_t end) {
  int64_t u = row.u + walk.du * begin;
  int64_t v = row.v + walk.dv * begin;
  uint32_t* dst = row.out + begin;
  const auto n = static_cast<size_t>(end - begin);
  if (walk.fits_32_bits) {
    sample_affine_span(dst, padded.pixels().data(), padded.width(), static_cast<uint32_t>(u), static_cast<uint32_t>(v),
                       static_cast<uint32_t>(walk.du), static_cast<uint32_t>(walk.dv), walk.weight, n);
    return;
  }
  for (size_t i = 0; i < n; ++i, u += walk.du, v += walk.dv) {
    const auto at = static_cast<size_t>(v >> 16) * padded.width() + static_cast<size_t>(u >> 16);
    dst[i] = bilinear_over(padded.pixels().data(), padded.width(), at, static_cast<uint32_t>((u >> 8) & 0xFF),
                           static_cast<uint32_t>((v >> 8) & 0xFF), walk.weight, dst[i]);
  }
}

// Samples are computed in blocks of this many steps (one AVX2 vector), so the vector loop rarely ends in
// lane-by-lane work.
constexpr int32_t INK_BLOCK = 8;

bool block_has_ink(const uint8_t* flags) {
  uint64_t word = 0;
  std::memcpy(&word, flags, sizeof word);
  return word != 0;
}

// The first step in [from, end) whose flag is set, else end; the flags are read eight at a time.
int32_t next_inked_step(const uint8_t* flags, int32_t from, int32_t end) {
  while (from < end && !block_has_ink(flags + from)) from += INK_BLOCK;
  while (from < end && flags[from] == 0) ++from;
  return std::min(from, end);
}

// Composites the row's samples in runs of blocks, each run starting at a sample with ink and going on while its
// next block holds any; the samples skipped have four transparent taps, and computing them would leave their
// pixels as they are. `flags` has room for a block past the row's last step.
void sample_inked_blocks(const AffineWalk& walk, const SparseImage& image, const RowSamples& row, uint8_t* flags) {
  const int32_t n = row.last - row.first;
  affine_bit_span(flags, image.ink_rows(), image.ink_words_per_row(),
                  static_cast<uint32_t>(row.u + walk.du * row.first),
                  static_cast<uint32_t>(row.v + walk.dv * row.first), static_cast<uint32_t>(walk.du),
                  static_cast<uint32_t>(walk.dv), static_cast<size_t>(n));
  std::fill_n(flags + n, INK_BLOCK, uint8_t{0});  // the last block reads no flags of another row
  for (int32_t begin = next_inked_step(flags, 0, n); begin < n;) {
    int32_t end = begin + INK_BLOCK;
    while (end < n && block_has_ink(flags + end)) end += INK_BLOCK;
    end = std::min(end, n);
    sample_steps(walk, image.padded(), row, row.first + begin, row.first + end);
    begin = next_inked_step(flags, end, n);
  }
}

// The farthest ink from the image's centre, plus the reach of a bilinear sample: a sample with an inked tap lies
// within √2 of that tap's centre.
float ink_radius_of(const Pixmap& image) {
  const double cx = image.width() / 2.0;
  const double cy = image.height() / 2.0;
  double farthest = -1.0;
  for (uint32_t y = 0; y < image.height(); ++y)
    for (uint32_t x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != 0) farthest = std::max(farthest, std::hypot(x + 0.5 - cx, y + 0.5 - cy));
  return farthest < 0.0 ? 0.0f : static_cast<float>(farthest + 1.5);
}

}  // namespace

void draw_image_affine(const Pixmap& image, Pixmap& target, const Transform& transform, float opacity,
                       const ClipRect& clip, float content_radius) {
  const auto walk = begin_walk(image.width(), image.height(), target, transform, opacity, clip, content_radius);
  if (!walk) return;
  const Pixmap padded = with_clear_border(image);
  for (int32_t y = walk->box.y0; y < walk->box.y1; ++y) {
    const RowSamples row = row_samples(*walk, target, y);
    if (row.first < row.last) sample_steps(*walk, padded, row, row.first, row.last);
  }
}

SparseImage::SparseImage() : SparseImage(Pixmap()) {}

// The sample whose top-left tap is bordered pixel (x, y) reads bordered pixels x..x+1 by y..y+1, so image pixel
// (x, y), bordered (x + 1, y + 1), is a tap of the samples at bordered (x..x+1, y..y+1).
SparseImage::SparseImage(const Pixmap& image)
    : padded_(with_clear_border(image)),
      width_(image.width()),
      height_(image.height()),
      ink_words_((image.width() + 32) / 32),  // bits 0 .. width
      ink_(size_t{ink_words_} * (image.height() + 1), 0u),
      ink_radius_(ink_radius_of(image)) {
  const auto mark = [this](uint32_t x, uint32_t y) { ink_[size_t{y} * ink_words_ + x / 32] |= 1u << (x % 32); };
  for (uint32_t y = 0; y < height_; ++y)
    for (uint32_t x = 0; x < width_; ++x)
      if (image.pixel(x, y) != 0) {
        mark(x, y);
        mark(x + 1, y);
        mark(x, y + 1);
        mark(x + 1, y + 1);
      }
}

void draw_image_affine(const SparseImage& image, Pixmap& target, const Transform& transform, float opacity,
                       const ClipRect& clip) {
  if (!(image.ink_radius() > 0.0f)) return;
  const auto walk = begin_walk(image.width(), image.height(), target, transform, opacity, clip, image.ink_radius());
  if (!walk) return;
  std::vector<uint8_t> flags(static_cast<size_t>(walk->box.x1 - walk->box.x0) + INK_BLOCK);
  for (int32_t y = walk->box.y0; y < walk->box.y1; ++y) {
    const RowSamples row = row_samples(*walk, target, y);
    if (row.first >= row.last) continue;
    if (walk->fits_32_bits)
      sample_inked_blocks(*walk, image, row, flags.data());
    else
      sample_steps(*walk, image.padded(), row, row.first, row.last);
  }
}

}  // namespace qo
