#include "gfx/blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
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

std::span<uint8_t> as_bytes(std::vector<uint32_t>& words) {
  return {reinterpret_cast<uint8_t*>(words.data()), words.size() * 4};
}

// dst (height x width words) = src (width x height words) transposed.
void transpose(const uint32_t* src, uint32_t* dst, uint32_t width, uint32_t height) {
  for (uint32_t y = 0; y < height; ++y) {
    const uint32_t* row = src + size_t{y} * width;
    for (uint32_t x = 0; x < width; ++x) dst[size_t{x} * height + y] = row[x];
  }
}

void blur_channel_row(const uint8_t* src, uint8_t* dst, uint32_t width, uint64_t r) {
  auto at = [src](uint64_t i) -> uint64_t { return src[i * 4]; };
  const uint64_t last = width - 1;
  // Sum of the clamped window -r..r around index 0: r copies of the first value left of the row, and the
  // last value repeated for indexes beyond the row.
  uint64_t sum = r * at(0);
  const uint64_t inside_end = std::min(r, last);
  for (uint64_t i = 0; i <= inside_end; ++i) sum += at(i);
  if (r > last) sum += (r - last) * at(last);

  const uint64_t divisor = 2 * r + 1;
  for (uint64_t i = 0; i < width; ++i) {
    dst[i * 4] = static_cast<uint8_t>((sum + r) / divisor);
    sum += at(std::min(i + r + 1, last));
    sum -= at(i > r ? i - r : 0);
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
  for (uint32_t y = 0; y < height; ++y) {
    for (size_t c = 0; c < 4; ++c) {
      blur_channel_row(source.data() + y * stride + c, destination.data() + y * stride + c, width, radius);
    }
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
  std::vector<uint32_t> work(pixmap.pixel_count());
  std::vector<uint32_t> transposed(pixmap.pixel_count());

  box_blur_pass(data, as_bytes(work), w, h, radius[0]);
  box_blur_pass(as_bytes(work), data, w, h, radius[1]);
  box_blur_pass(data, as_bytes(work), w, h, radius[2]);

  // The vertical passes run along rows of the transposed image.
  transpose(work.data(), transposed.data(), w, h);
  box_blur_pass(as_bytes(transposed), as_bytes(work), h, w, radius[0]);
  box_blur_pass(as_bytes(work), as_bytes(transposed), h, w, radius[1]);
  box_blur_pass(as_bytes(transposed), as_bytes(work), h, w, radius[2]);
  transpose(work.data(), pixmap.pixels().data(), h, w);
}

}  // namespace qo
