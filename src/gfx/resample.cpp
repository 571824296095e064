#include "gfx/resample.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "gfx/fatal.h"
#include "gfx/rasterizer.h"

namespace qo {

namespace {

void area_average(const Pixmap& source, Pixmap& out, uint32_t new_width, uint32_t new_height) {
  const auto src_w = static_cast<float>(source.width());
  const auto src_h = static_cast<float>(source.height());
  const float rx = src_w / static_cast<float>(new_width);
  const float ry = src_h / static_cast<float>(new_height);
  const std::span<const uint8_t> src = source.bytes();
  const size_t stride = source.stride();
  std::span<uint8_t> dst = out.bytes();

  for (uint32_t dy = 0; dy < new_height; ++dy) {
    const float y_start = static_cast<float>(dy) * ry;
    const float y_end = std::min(static_cast<float>(dy + 1) * ry, src_h);
    for (uint32_t dx = 0; dx < new_width; ++dx) {
      const float x_start = static_cast<float>(dx) * rx;
      const float x_end = std::min(static_cast<float>(dx + 1) * rx, src_w);
      float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
      float total = 0.0f;
      for (auto j = static_cast<uint32_t>(std::floor(y_start)); static_cast<float>(j) < y_end; ++j) {
        const float fj = static_cast<float>(j);
        const float wy = std::min(fj + 1.0f, y_end) - std::max(fj, y_start);
        const uint8_t* row = src.data() + size_t{j} * stride;
        for (auto i = static_cast<uint32_t>(std::floor(x_start)); static_cast<float>(i) < x_end; ++i) {
          const float fi = static_cast<float>(i);
          const float weight = (std::min(fi + 1.0f, x_end) - std::max(fi, x_start)) * wy;
          for (size_t c = 0; c < 4; ++c) sum[c] += static_cast<float>(row[size_t{i} * 4 + c]) * weight;
          total += weight;
        }
      }
      uint8_t* px = dst.data() + (size_t{dy} * new_width + dx) * 4;
      const float divisor = std::max(total, 0.000001f);
      for (size_t c = 0; c < 4; ++c) {
        px[c] = static_cast<uint8_t>(std::clamp(std::round(sum[c] / divisor), 0.0f, 255.0f));
      }
    }
  }
}

// Whole-number shrink factors (the hero at scale 1 halves exactly) make every overlap weight 1: each destination
// pixel is the plain average of a p x q block. The float sums of area_average are then exact integers and its
// divisor is p q, so the block sum s gives round(s / (p q)) from a table built with that very expression.
struct WholeRatio {
  uint32_t p;
  uint32_t q;
};

// Float positions and sums stay exact integers below 2^24; the table stays small for blocks up to 256 pixels.
std::optional<WholeRatio> whole_shrink_ratio(const Pixmap& source, uint32_t new_width, uint32_t new_height) {
  constexpr uint32_t EXACT_FLOAT_LIMIT = 1u << 24;
  const uint32_t w = source.width();
  const uint32_t h = source.height();
  if (w >= EXACT_FLOAT_LIMIT || h >= EXACT_FLOAT_LIMIT) return std::nullopt;
  if (w % new_width != 0 || h % new_height != 0) return std::nullopt;
  const WholeRatio ratio{w / new_width, h / new_height};
  if (uint64_t{ratio.p} * ratio.q > 256) return std::nullopt;
  return ratio;
}

void block_average(const Pixmap& source, Pixmap& out, WholeRatio ratio) {
  const uint32_t n = ratio.p * ratio.q;
  std::vector<uint8_t> average(size_t{255} * n + 1);
  for (size_t s = 0; s < average.size(); ++s) {
    const float divisor = std::max(static_cast<float>(n), 0.000001f);
    average[s] = static_cast<uint8_t>(std::clamp(std::round(static_cast<float>(s) / divisor), 0.0f, 255.0f));
  }
  for (uint32_t dy = 0; dy < out.height(); ++dy) {
    uint32_t* dst = out.row(dy);
    for (uint32_t dx = 0; dx < out.width(); ++dx) {
      uint32_t sum[4] = {0, 0, 0, 0};
      for (uint32_t j = 0; j < ratio.q; ++j) {
        const uint32_t* src = source.row(dy * ratio.q + j) + size_t{dx} * ratio.p;
        for (uint32_t i = 0; i < ratio.p; ++i) {
          const uint32_t word = src[i];
          for (uint32_t c = 0; c < 4; ++c) sum[c] += (word >> (8 * c)) & 0xFF;
        }
      }
      dst[dx] = uint32_t{average[sum[0]]} | uint32_t{average[sum[1]]} << 8 | uint32_t{average[sum[2]]} << 16 |
                uint32_t{average[sum[3]]} << 24;
    }
  }
}

// The bicubic filter's negative lobes overshoot at hard edges, leaving colour channels above their alpha: no
// valid premultiplied pixel, and one the integer blits would carry across channel bytes. Each channel is pulled
// back into 0..alpha.
void clamp_channels_to_alpha(Pixmap& pixmap) {
  for (uint32_t& word : pixmap.pixels()) {
    const uint32_t a = pixel_alpha(word);
    word = pack_argb(a, std::min(pixel_red(word), a), std::min(pixel_green(word), a), std::min(pixel_blue(word), a));
  }
}

}  // namespace

Pixmap resample_pixmap(const Pixmap& source, uint32_t new_width, uint32_t new_height) {
  const float rx = static_cast<float>(source.width()) / static_cast<float>(new_width);
  const float ry = static_cast<float>(source.height()) / static_cast<float>(new_height);
  if (rx <= 1.0f && ry <= 1.0f) {
    Pixmap out = Pixmap::make(new_width, new_height);
    const PixmapPaint paint{1.0f, BlendMode::Source, FilterQuality::Bicubic};
    draw_pixmap(out, 0, 0, source, paint, Transform::from_scale(1.0f / rx, 1.0f / ry));
    clamp_channels_to_alpha(out);
    return out;
  }
  if (new_width == 0 || new_height == 0) return Pixmap::make(new_width, new_height);
  // Both averages below write every pixel.
  auto out = Pixmap::try_make_for_overwrite(new_width, new_height);
  if (!out) gfx_fatal("pixmap size does not fit in 32-bit byte counts");
  if (const auto ratio = whole_shrink_ratio(source, new_width, new_height)) {
    block_average(source, *out, *ratio);
  } else {
    area_average(source, *out, new_width, new_height);
  }
  return std::move(*out);
}

}  // namespace qo
