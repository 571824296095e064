#include "gfx/resample.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "gfx/fatal.h"
#include "gfx/rasterizer.h"

namespace qo {

namespace {

// The source pixels one destination column (or row) covers along an axis, with each one's overlap. Computed
// once per column and per row with the very float expressions of the per-pixel formula, so the sums below run
// the same operations in the same order and give the same bits.
struct Span {
  uint32_t first = 0;
  uint32_t count = 0;
  uint32_t weights = 0;  // index of the first overlap in the axis's overlap list
};

struct AxisSpans {
  std::vector<Span> spans;
  std::vector<float> overlaps;
};

AxisSpans axis_spans(uint32_t source_size, uint32_t new_size) {
  const auto size = static_cast<float>(source_size);
  const float ratio = size / static_cast<float>(new_size);
  AxisSpans axis;
  axis.spans.reserve(new_size);
  for (uint32_t d = 0; d < new_size; ++d) {
    const float start = static_cast<float>(d) * ratio;
    const float end = std::min(static_cast<float>(d + 1) * ratio, size);
    Span span{static_cast<uint32_t>(std::floor(start)), 0, static_cast<uint32_t>(axis.overlaps.size())};
    for (uint32_t i = span.first; static_cast<float>(i) < end; ++i) {
      const float fi = static_cast<float>(i);
      axis.overlaps.push_back(std::min(fi + 1.0f, end) - std::max(fi, start));
      ++span.count;
    }
    axis.spans.push_back(span);
  }
  return axis;
}

// Each destination pixel averages the source area it covers, every source pixel weighted by its overlap.
void area_average(const Pixmap& source, Pixmap& out, uint32_t new_width, uint32_t new_height) {
  const AxisSpans columns = axis_spans(source.width(), new_width);
  const AxisSpans rows = axis_spans(source.height(), new_height);
  for (uint32_t dy = 0; dy < new_height; ++dy) {
    const Span& row_span = rows.spans[dy];
    uint32_t* dst = out.row(dy);
    for (uint32_t dx = 0; dx < new_width; ++dx) {
      const Span& column_span = columns.spans[dx];
      const float* wx = columns.overlaps.data() + column_span.weights;
      float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
      float total = 0.0f;
      for (uint32_t j = 0; j < row_span.count; ++j) {
        const float wy = rows.overlaps[row_span.weights + j];
        const uint32_t* src = source.row(row_span.first + j) + column_span.first;
        for (uint32_t i = 0; i < column_span.count; ++i) {
          const float weight = wx[i] * wy;
          const uint32_t word = src[i];
          for (uint32_t c = 0; c < 4; ++c) sum[c] += static_cast<float>((word >> (8 * c)) & 0xFF) * weight;
          total += weight;
        }
      }
      const float divisor = std::max(total, 0.000001f);
      uint32_t word = 0;
      for (uint32_t c = 0; c < 4; ++c) {
        word |= static_cast<uint32_t>(std::clamp(std::round(sum[c] / divisor), 0.0f, 255.0f)) << (8 * c);
      }
      dst[dx] = word;
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

// Sums of the blue-red and green-alpha channel pairs over a block, side by side in 16-bit lanes: a block of at
// most 256 pixels sums to at most 65280. P and Q are the block's size when known at compile time (0: use p, q).
template <uint32_t P, uint32_t Q>
void block_rows(const Pixmap& source, Pixmap& out, WholeRatio ratio, const std::vector<uint8_t>& average) {
  const uint32_t p = P != 0 ? P : ratio.p;
  const uint32_t q = Q != 0 ? Q : ratio.q;
  for (uint32_t dy = 0; dy < out.height(); ++dy) {
    uint32_t* dst = out.row(dy);
    for (uint32_t dx = 0; dx < out.width(); ++dx) {
      uint32_t low = 0;
      uint32_t high = 0;
      for (uint32_t j = 0; j < q; ++j) {
        const uint32_t* src = source.row(dy * q + j) + size_t{dx} * p;
        for (uint32_t i = 0; i < p; ++i) {
          low += src[i] & 0x00FF00FFu;
          high += (src[i] >> 8) & 0x00FF00FFu;
        }
      }
      dst[dx] = uint32_t{average[low & 0xFFFF]} | uint32_t{average[high & 0xFFFF]} << 8 |
                uint32_t{average[low >> 16]} << 16 | uint32_t{average[high >> 16]} << 24;
    }
  }
}

void block_average(const Pixmap& source, Pixmap& out, WholeRatio ratio) {
  const uint32_t n = ratio.p * ratio.q;
  std::vector<uint8_t> average(size_t{255} * n + 1);
  for (size_t s = 0; s < average.size(); ++s) {
    const float divisor = std::max(static_cast<float>(n), 0.000001f);
    average[s] = static_cast<uint8_t>(std::clamp(std::round(static_cast<float>(s) / divisor), 0.0f, 255.0f));
  }
  if (ratio.p == 2 && ratio.q == 2) {
    block_rows<2, 2>(source, out, ratio, average);
  } else {
    block_rows<0, 0>(source, out, ratio, average);
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
