#include "gfx/blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace qo {

namespace {

// Radii beyond this already average whole rows many times over; the cap keeps the sums in 64 bits.
constexpr int64_t MAX_BOX_RADIUS = int64_t{1} << 30;

int64_t saturating_i64(float v) {
  if (std::isnan(v)) return 0;
  constexpr float limit = 4.0e18f;
  if (v <= -limit) return -static_cast<int64_t>(limit);
  if (v >= limit) return static_cast<int64_t>(limit);
  return static_cast<int64_t>(v);
}

// A working buffer of pixel words, left uninitialised: every pass writes all of it before it is read.
struct WordBuffer {
  explicit WordBuffer(size_t count) : words(std::make_unique_for_overwrite<uint32_t[]>(count)), size(count) {}
  std::span<uint8_t> bytes() { return {reinterpret_cast<uint8_t*>(words.get()), size * 4}; }
  uint32_t* data() { return words.get(); }

  std::unique_ptr<uint32_t[]> words;
  size_t size;
};

// dst (height x width words) = src (width x height words) transposed, in tiles that stay in cache.
void transpose(const uint32_t* src, uint32_t* dst, uint32_t width, uint32_t height) {
  constexpr uint32_t TILE = 32;
  for (uint32_t y0 = 0; y0 < height; y0 += TILE) {
    const uint32_t y1 = std::min(y0 + TILE, height);
    for (uint32_t x0 = 0; x0 < width; x0 += TILE) {
      const uint32_t x1 = std::min(x0 + TILE, width);
      for (uint32_t y = y0; y < y1; ++y) {
        const uint32_t* row = src + size_t{y} * width;
        for (uint32_t x = x0; x < x1; ++x) dst[size_t{x} * height + y] = row[x];
      }
    }
  }
}

// Exact floor(x / d) for the window sums of a pass, which stay below 256 * d. For d below 2^16 a multiplication
// by ceil(2^40 / d) is exact (its error stays under 1 / d); larger boxes divide through a floating-point
// reciprocal corrected by one step.
struct Divider {
  uint64_t d;
  uint64_t magic;
  double inverse;

  explicit Divider(uint64_t divisor)
      : d(divisor),
        magic(((uint64_t{1} << 40) + divisor - 1) / divisor),
        inverse(1.0 / static_cast<double>(divisor)) {}

  uint64_t operator()(uint64_t x) const {
    if (d < (uint64_t{1} << 16)) return (x * magic) >> 40;
    auto q = static_cast<uint64_t>(static_cast<double>(x) * inverse);
    if (q * d > x) --q;
    if ((q + 1) * d <= x) ++q;
    return q;
  }
};

// One row of 4-byte pixels, all four channels at once with running sums over the clamped window.
void blur_row(const uint8_t* src, uint8_t* dst, uint32_t width, uint64_t r, const Divider& divide) {
  const uint64_t last = width - 1;
  uint64_t sum[4];
  // The clamped window -r..r around index 0: r copies of the first pixel left of the row, and the last pixel
  // repeated for indexes beyond the row.
  for (size_t c = 0; c < 4; ++c) sum[c] = r * src[c];
  const uint64_t inside_end = std::min(r, last);
  for (uint64_t i = 0; i <= inside_end; ++i) {
    for (size_t c = 0; c < 4; ++c) sum[c] += src[i * 4 + c];
  }
  if (r > last) {
    for (size_t c = 0; c < 4; ++c) sum[c] += (r - last) * src[last * 4 + c];
  }
  for (uint64_t i = 0; i < width; ++i) {
    const uint8_t* enter = src + std::min(i + r + 1, last) * 4;
    const uint8_t* leave = src + (i > r ? i - r : 0) * 4;
    for (size_t c = 0; c < 4; ++c) {
      dst[i * 4 + c] = static_cast<uint8_t>(divide(sum[c] + r));
      sum[c] += enter[c];
      sum[c] -= leave[c];
    }
  }
}

}  // namespace

std::array<int64_t, 3> blur_box_sizes(float sigma) {
  const float v = 12.0f * sigma * sigma;
  const float w_ideal = std::sqrt(v / 3.0f + 1.0f);
  int64_t wl = saturating_i64(std::floor(w_ideal));
  if (wl % 2 == 0) wl -= 1;
  const int64_t wu = wl + 2;
  const auto wlf = static_cast<float>(wl);
  const int64_t m =
      saturating_i64(std::round((v - 3.0f * wlf * wlf - 12.0f * wlf - 9.0f) / (-4.0f * wlf - 4.0f)));
  std::array<int64_t, 3> sizes{};
  for (int64_t i = 0; i < 3; ++i) sizes[static_cast<size_t>(i)] = std::max<int64_t>(i < m ? wl : wu, 1);
  return sizes;
}

void box_blur_pass(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t width,
                   uint32_t height, uint32_t radius) {
  const size_t bytes = size_t{width} * height * 4;
  if (width == 0 || height == 0 || source.size() < bytes || destination.size() < bytes) return;
  if (radius == 0) {
    std::memcpy(destination.data(), source.data(), bytes);
    return;
  }
  const size_t stride = size_t{width} * 4;
  const Divider divide(2 * uint64_t{radius} + 1);
  for (uint32_t y = 0; y < height; ++y) {
    blur_row(source.data() + y * stride, destination.data() + y * stride, width, radius, divide);
  }
}

void gaussian_blur(Pixmap& pixmap, float sigma) {
  if (!(sigma >= 0.3f)) return;
  const auto sizes = blur_box_sizes(sigma);
  uint32_t radius[3];
  for (size_t i = 0; i < 3; ++i) {
    radius[i] = static_cast<uint32_t>(std::min((sizes[i] - 1) / 2, MAX_BOX_RADIUS));
  }
  if (radius[0] == 0 && radius[1] == 0 && radius[2] == 0) return;

  const uint32_t w = pixmap.width();
  const uint32_t h = pixmap.height();
  std::span<uint8_t> data = pixmap.bytes();
  WordBuffer work(pixmap.pixel_count());
  WordBuffer transposed(pixmap.pixel_count());

  box_blur_pass(data, work.bytes(), w, h, radius[0]);
  box_blur_pass(work.bytes(), data, w, h, radius[1]);
  box_blur_pass(data, work.bytes(), w, h, radius[2]);

  // The vertical passes run along rows of the transposed image.
  transpose(work.data(), transposed.data(), w, h);
  box_blur_pass(transposed.bytes(), work.bytes(), h, w, radius[0]);
  box_blur_pass(work.bytes(), transposed.bytes(), h, w, radius[1]);
  box_blur_pass(transposed.bytes(), work.bytes(), h, w, radius[2]);
  transpose(work.data(), pixmap.pixels().data(), h, w);
}

}  // namespace qo
