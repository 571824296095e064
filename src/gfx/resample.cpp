#include "gfx/resample.h"

#include <algorithm>
#include <cmath>

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
  Pixmap out = Pixmap::make(new_width, new_height);
  const float rx = static_cast<float>(source.width()) / static_cast<float>(new_width);
  const float ry = static_cast<float>(source.height()) / static_cast<float>(new_height);
  if (rx <= 1.0f && ry <= 1.0f) {
    const PixmapPaint paint{1.0f, BlendMode::Source, FilterQuality::Bicubic};
    draw_pixmap(out, 0, 0, source, paint, Transform::from_scale(1.0f / rx, 1.0f / ry));
    clamp_channels_to_alpha(out);
    return out;
  }
  if (new_width == 0 || new_height == 0) return out;
  area_average(source, out, new_width, new_height);
  return out;
}

}  // namespace qo
