#include "gfx/image_blit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "gfx/canvas.h"
#include "gfx/pixel_spans.h"

namespace qo {

namespace {

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

// The weight of a sample: the opacity, reduced by the share of the destination pixel the image covers.
uint32_t sample_weight(uint32_t column_coverage, uint32_t row_coverage, uint32_t q) {
  if (column_coverage == 256 && row_coverage == 256) return q;
  return (((column_coverage * row_coverage) >> 8) * q) >> 8;
}

// The vertical step and the weighting of one pixel whose two horizontal samples h0 (upper image row) and h1
// (lower) are made, in packed two-channel arithmetic.
uint32_t vertical_sample(uint32_t h0, uint32_t h1, uint32_t fy, uint32_t n) {
  const uint32_t ify = 256 - fy;
  uint32_t low = (((h0 & PAIR_MASK) * ify + (h1 & PAIR_MASK) * fy) >> 8) & PAIR_MASK;
  uint32_t high = ((h0 >> 8) & PAIR_MASK) * ify + ((h1 >> 8) & PAIR_MASK) * fy;  // in bits 8-15 and 24-31
  if (n <= 255) {
    low = ((low * n) >> 8) & PAIR_MASK;
    high = ((high >> 8) & PAIR_MASK) * n;
  }
  return low | (high & 0xFF00FF00u);
}

// A run of destination columns [begin, end) that the image covers wholly, or a run of partly covered ones.
struct ColumnSpan {
  size_t begin;
  size_t end;
  bool full;
};

// Everything about the destination columns that does not change from row to row.
struct ColumnTable {
  std::vector<uint32_t> tap0;
  std::vector<uint32_t> tap1;
  std::vector<uint32_t> coverage;
  std::vector<uint16_t> lane_frac;  // each column's weight of tap1, repeated for its two lanes
  std::vector<ColumnSpan> spans;
  std::vector<TapRun> runs;  // empty when the runs are too short to pay (enlarging): the taps are gathered
  // Every column samples image column tap0[0] + column with weight 0 for its neighbour: the horizontal step
  // is an exact copy of the image row.
  bool exact_copy = true;

  size_t size() const { return tap0.size(); }
};

// Where both taps are the same edge column, the sample is that pixel whatever the weight; the first edge is
// read as the left tap of the pair (0, 1) at weight 0 and the last as the right tap of (width - 2, width - 1)
// at weight 256, so the run of pairs goes on. Gives the left tap of the pair, or none (an image 1 wide).
std::optional<uint32_t> pair_start(Taps& t, uint32_t image_width) {
  if (image_width < 2) return std::nullopt;
  if (t.tap1 == t.tap0 + 1) return t.tap0;
  if (t.tap0 == 0) {
    t.frac = 0;
    return 0;
  }
  t.frac = 256;
  return image_width - 2;
}

ColumnTable column_table(int32_t begin, int32_t end, float x, float scale_x, uint32_t image_width) {
  ColumnTable table;
  const auto count = static_cast<size_t>(end - begin);
  table.tap0.resize(count);
  table.tap1.resize(count);
  table.coverage.resize(count);
  table.lane_frac.resize(count * 2);
  bool pairs = true;
  for (size_t c = 0; c < count; ++c) {
    Taps t = taps_for(begin + static_cast<int32_t>(c), x, scale_x, image_width);
    table.tap0[c] = t.tap0;
    table.tap1[c] = t.tap1;
    table.coverage[c] = t.coverage;
    table.exact_copy = table.exact_copy && t.frac == 0 && t.tap0 == table.tap0[0] + c;
    const std::optional<uint32_t> first = pair_start(t, image_width);
    pairs = pairs && first;
    if (first) {
      TapRun* run = table.runs.empty() ? nullptr : &table.runs.back();
      const auto column = static_cast<uint32_t>(c);
      if (run && run->end == column && run->first + (column - run->begin) == *first) {
        run->end = column + 1;
      } else {
        table.runs.push_back({column, column + 1, *first});
      }
    }
    std::fill_n(table.lane_frac.begin() + static_cast<ptrdiff_t>(c * 2), 2, static_cast<uint16_t>(t.frac));
    const bool full = t.coverage == 256;
    if (table.spans.empty() || table.spans.back().full != full) table.spans.push_back({c, c, full});
    table.spans.back().end = c + 1;
  }
  // Runs shorter than a few vectors on average cost more in calls than a gather.
  constexpr size_t MIN_AVERAGE_RUN = 8;
  if (!pairs || table.runs.size() * MIN_AVERAGE_RUN > count) table.runs.clear();
  return table;
}

// The image rows interpolated horizontally at the destination columns, one word per column. Consecutive
// destination rows share image rows, so the last two are kept.
class SampledRows {
 public:
  SampledRows(const Pixmap& image, const ColumnTable& columns) : image_(image), columns_(columns) {
    if (columns_.exact_copy) return;
    for (Slot& slot : slots_) slot.words.resize(columns_.size());
    if (!columns_.runs.empty()) return;
    left_.resize(columns_.size());
    right_.resize(columns_.size());
  }

  std::pair<const uint32_t*, const uint32_t*> rows(uint32_t upper, uint32_t lower) {
    const uint32_t* first = row(upper, lower);
    return {first, row(lower, upper)};
  }

 private:
  struct Slot {
    int64_t image_row = -1;
    std::vector<uint32_t> words;
  };

  // Image row `wanted`, sampled; a slot is refilled only when it does not hold `kept`.
  const uint32_t* row(uint32_t wanted, uint32_t kept) {
    if (columns_.exact_copy) return image_.row(wanted) + columns_.tap0[0];
    for (Slot& slot : slots_) {
      if (slot.image_row == wanted) return slot.words.data();
    }
    Slot& slot = slots_[0].image_row == kept ? slots_[1] : slots_[0];
    sample_row(image_.row(wanted), slot.words.data());
    slot.image_row = wanted;
    return slot.words.data();
  }

  void sample_row(const uint32_t* image_row, uint32_t* out) {
    const uint16_t* frac = columns_.lane_frac.data();
    if (!columns_.runs.empty()) {
      lerp_runs(out, image_row, columns_.runs.data(), columns_.runs.size(), frac);
      return;
    }
    const size_t count = columns_.size();
    gather_taps(left_.data(), right_.data(), image_row, columns_.tap0.data(), columns_.tap1.data(), count);
    lerp_pixels(out, left_.data(), right_.data(), frac, count);
  }

  const Pixmap& image_;
  const ColumnTable& columns_;
  std::array<Slot, 2> slots_;
  std::vector<uint32_t> left_;
  std::vector<uint32_t> right_;
};

// Asks for the image row the next destination rows will sample while this one is drawn: the hardware's own
// prefetch does not see far enough ahead on large images (a 2x window reads one 9.5 KB row per row).
void prefetch_image_row(const uint32_t* image_row, const ColumnTable& columns) {
  prefetch_words(image_row + columns.tap0.front(), columns.tap1.back() - columns.tap0.front() + 1);
}

// One row's run of wholly covered columns: the vertical step, the weight n and the write or blend, span-wise.
void draw_full_span(uint32_t* dst, const uint32_t* upper, const uint32_t* lower, size_t count, uint32_t fy,
                    uint32_t n, bool blend, uint32_t* scratch) {
  const uint32_t* sample = upper;  // fy = 0 and n = 256 leave the upper row's samples as they are
  if (fy != 0 || n != 256) {
    uint32_t* out = blend ? scratch : dst;
    lerp_scale_pixels(out, upper, lower, fy, n, count);
    if (!blend) return;
    sample = out;
  }
  if (blend) {
    blend_span_over(dst, sample, count);
  } else {
    std::memcpy(dst, sample, count * 4);
  }
}

// One row's run of partly covered columns (the image's edges), pixel by pixel.
void draw_edge_span(uint32_t* dst, const uint32_t* upper, const uint32_t* lower, const uint32_t* coverage,
                    size_t count, const Taps& row, uint32_t q, bool blend) {
  for (size_t c = 0; c < count; ++c) {
    const uint32_t s = vertical_sample(upper[c], lower[c], row.frac, sample_weight(coverage[c], row.coverage, q));
    dst[c] = blend ? over_pixel(s, dst[c]) : s;
  }
}

// One destination row from its two sampled image rows: the wholly covered spans a span at a time, the edges
// pixel by pixel.
void draw_sampled_row(uint32_t* dst, const uint32_t* upper, const uint32_t* lower, const ColumnTable& columns,
                      const Taps& row, uint32_t q, bool blend, uint32_t* scratch) {
  for (const ColumnSpan& span : columns.spans) {
    const size_t count = span.end - span.begin;
    if (span.full) {
      draw_full_span(dst + span.begin, upper + span.begin, lower + span.begin, count, row.frac,
                     sample_weight(256, row.coverage, q), blend, scratch);
    } else {
      draw_edge_span(dst + span.begin, upper + span.begin, lower + span.begin, columns.coverage.data() + span.begin,
                     count, row, q, blend);
    }
  }
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

uint32_t blend_pixel_over(uint32_t s, uint32_t d) { return over_pixel(s, d); }

// What a draw keeps from row to row: the image, its column table and sampled rows, and the row placement.
struct ScaledImageRows::Plan {
  Plan(const Pixmap& image, int32_t x_begin, int32_t x_end, float x, float y, float scale_x, float scale_y, uint32_t q,
       bool blend)
      : image(image),
        columns(column_table(x_begin, x_end, x, scale_x, image.width())),
        sampled(image, columns),
        scratch(columns.size()),
        x_begin(x_begin),
        y(y),
        scale_y(scale_y),
        q(q),
        blend(blend) {}

  void draw(int32_t y_dest, uint32_t* target_row) {
    const Taps row = taps_for(y_dest, y, scale_y, image.height());
    const auto [upper, lower] = sampled.rows(row.tap0, row.tap1);
    if (row.tap1 + 1 < image.height()) prefetch_image_row(image.row(row.tap1 + 1), columns);
    draw_sampled_row(target_row + x_begin, upper, lower, columns, row, q, blend, scratch.data());
  }

  const Pixmap& image;
  const ColumnTable columns;
  SampledRows sampled;
  std::vector<uint32_t> scratch;
  int32_t x_begin;
  float y;
  float scale_y;
  uint32_t q;
  bool blend;
};

ScaledImageRows::ScaledImageRows(const Pixmap& image, uint32_t target_width, uint32_t target_height, float x, float y,
                                 float scale_x, float scale_y, float opacity, bool blend, const ClipRect& clip) {
  const uint32_t q = quantize_opacity(opacity);
  if (q == 0) return;

  const int32_t cx0 = std::max(clip.x0, 0);
  const int32_t cy0 = std::max(clip.y0, 0);
  const int32_t cx1 = std::max(std::min<int64_t>(clip.x1, target_width), int64_t{cx0});
  const int32_t cy1 = std::max(std::min<int64_t>(clip.y1, target_height), int64_t{cy0});
  const auto [x_begin, x_end] = dest_range(x, scale_x, image.width(), cx0, cx1);
  const auto [y_begin, y_end] = dest_range(y, scale_y, image.height(), cy0, cy1);
  if (x_begin >= x_end || y_begin >= y_end) return;

  plan_ = std::make_unique<Plan>(image, x_begin, x_end, x, y, scale_x, scale_y, q, blend);
  first_row_ = y_begin;
  end_row_ = y_end;
}

ScaledImageRows::~ScaledImageRows() = default;

void ScaledImageRows::draw_row(int32_t y, uint32_t* target_row) {
  if (y >= first_row_ && y < end_row_) plan_->draw(y, target_row);
}

void draw_image_scaled(const Pixmap& image, Pixmap& target, float x, float y, float scale_x, float scale_y,
                       float opacity, bool blend, const ClipRect& clip) {
  // Drawing a pixmap onto itself reads the picture as it was before the call.
  if (&image == &target) {
    const Pixmap copy = image;
    draw_image_scaled(copy, target, x, y, scale_x, scale_y, opacity, blend, clip);
    return;
  }
  ScaledImageRows rows(image, target.width(), target.height(), x, y, scale_x, scale_y, opacity, blend, clip);
  for (int32_t y_dest = rows.first_row(); y_dest < rows.end_row(); ++y_dest) {
    rows.draw_row(y_dest, target.row(static_cast<uint32_t>(y_dest)));
  }
}

void blend_pixmap_opacity(Pixmap& target, const Pixmap& source, float opacity, int32_t x, int32_t y) {
  blend_pixmap_opacity(target, source, opacity, x, y, full_clip(target));
}

SourceWindow source_window(const Pixmap& target, uint32_t width, uint32_t height, int32_t x, int32_t y,
                           const ClipRect& clip) {
  const ClipRect bounds = full_clip(target);
  const ClipRect inside{std::max(clip.x0, bounds.x0), std::max(clip.y0, bounds.y0), std::min(clip.x1, bounds.x1),
                        std::min(clip.y1, bounds.y1)};
  return SourceWindow{std::max<int64_t>(0, int64_t{inside.x0} - x), std::min<int64_t>(width, int64_t{inside.x1} - x),
                      std::max<int64_t>(0, int64_t{inside.y0} - y), std::min<int64_t>(height, int64_t{inside.y1} - y)};
}

void blend_span_opacity(uint32_t* dst, const uint32_t* src, uint32_t q, size_t count) {
  if (q >= 256) {
    blend_span_over(dst, src, count);
  } else {
    blend_span_over_scaled(dst, src, q, count);
  }
}

void blend_pixmap_opacity(Pixmap& target, const Pixmap& source, float opacity, int32_t x, int32_t y,
                          const ClipRect& clip) {
  const uint32_t q = quantize_opacity(opacity);
  if (q == 0) return;
  const SourceWindow window = source_window(target, source.width(), source.height(), x, y, clip);
  if (window.empty()) return;
  const auto count = static_cast<size_t>(window.col_end - window.col_begin);
  for (int64_t j = window.row_begin; j < window.row_end; ++j) {
    const uint32_t* src = source.row(static_cast<uint32_t>(j)) + window.col_begin;
    uint32_t* dst = target.row(static_cast<uint32_t>(j + y)) + (window.col_begin + x);
    blend_span_opacity(dst, src, q, count);
  }
}

}  // namespace qo
