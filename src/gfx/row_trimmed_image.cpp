#include "gfx/row_trimmed_image.h"

#include <algorithm>

#include "gfx/color.h"

namespace qo {

AlphaSpan row_alpha_span(const uint32_t* row, uint32_t width) {
  uint32_t first = 0;
  while (first < width && pixel_alpha(row[first]) == 0) ++first;
  uint32_t end = width;
  while (end > first && pixel_alpha(row[end - 1]) == 0) --end;
  return AlphaSpan{first, end};
}

std::optional<ClipRect> alpha_box(const Pixmap& image, const ClipRect& area) {
  ClipRect box{area.x1, area.y1, area.x0, area.y0};
  const auto width = static_cast<uint32_t>(area.x1 - area.x0);
  for (int32_t y = area.y0; y < area.y1; ++y) {
    const AlphaSpan span = row_alpha_span(image.row(static_cast<uint32_t>(y)) + area.x0, width);
    if (span.first == span.end) continue;
    box = ClipRect{std::min(box.x0, area.x0 + static_cast<int32_t>(span.first)), std::min(box.y0, y),
                   std::max(box.x1, area.x0 + static_cast<int32_t>(span.end)), y + 1};
  }
  if (box.x0 >= box.x1) return std::nullopt;
  return box;
}

RowTrimmedImage::RowTrimmedImage(const Pixmap& image) : width_(image.width()), height_(image.height()) {
  firsts_.reserve(height_);
  starts_.reserve(size_t{height_} + 1);
  size_t kept = 0;
  std::vector<AlphaSpan> spans(height_);
  for (uint32_t y = 0; y < height_; ++y) {
    spans[y] = row_alpha_span(image.row(y), width_);
    kept += spans[y].end - spans[y].first;
  }
  words_.reserve(kept);
  for (uint32_t y = 0; y < height_; ++y) {
    const auto [first, end] = spans[y];
    firsts_.push_back(first);
    starts_.push_back(words_.size());
    words_.insert(words_.end(), image.row(y) + first, image.row(y) + end);
  }
  starts_.push_back(words_.size());
}

Pixmap RowTrimmedImage::to_pixmap() const {
  Pixmap image = Pixmap::make(std::max<uint32_t>(width_, 1), std::max<uint32_t>(height_, 1));
  for (uint32_t y = 0; y < height_; ++y) {
    const Row r = row(y);
    std::copy_n(r.words, r.count, image.row(y) + r.first);
  }
  return image;
}

void blend_row_trimmed(Pixmap& target, const RowTrimmedImage& image, float opacity, int32_t x, int32_t y,
                       const ClipRect& clip) {
  const uint32_t q = quantize_opacity(opacity);
  if (q == 0) return;
  const SourceWindow window = source_window(target, image.width(), image.height(), x, y, clip);
  if (window.empty()) return;
  for (int64_t j = window.row_begin; j < window.row_end; ++j) {
    const RowTrimmedImage::Row r = image.row(static_cast<uint32_t>(j));
    const int64_t from = std::max<int64_t>(window.col_begin, r.first);
    const int64_t to = std::min<int64_t>(window.col_end, int64_t{r.first} + r.count);
    if (from >= to) continue;
    blend_span_opacity(target.row(static_cast<uint32_t>(j + y)) + (from + x), r.words + (from - r.first), q,
                       static_cast<size_t>(to - from));
  }
}

}  // namespace qo
