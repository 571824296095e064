#include "gfx/row_trimmed_image.h"

#include <algorithm>

#include "gfx/color.h"
#include "gfx/pixel_spans.h"

namespace qo {

RowTrimmedImage::RowTrimmedImage(const Pixmap& image) : width_(image.width()), height_(image.height()) {
  firsts_.reserve(height_);
  starts_.reserve(size_t{height_} + 1);
  size_t kept = 0;
  std::vector<std::pair<uint32_t, uint32_t>> spans(height_);  // [first, end) per row
  for (uint32_t y = 0; y < height_; ++y) {
    const uint32_t* row = image.row(y);
    uint32_t first = 0;
    while (first < width_ && pixel_alpha(row[first]) == 0) ++first;
    uint32_t end = width_;
    while (end > first && pixel_alpha(row[end - 1]) == 0) --end;
    spans[y] = {first, end};
    kept += end - first;
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
  const ClipRect bounds = full_clip(target);
  const ClipRect inside{std::max(clip.x0, bounds.x0), std::max(clip.y0, bounds.y0), std::min(clip.x1, bounds.x1),
                        std::min(clip.y1, bounds.y1)};
  const int64_t col_begin = std::max<int64_t>(0, int64_t{inside.x0} - x);
  const int64_t col_end = std::min<int64_t>(image.width(), int64_t{inside.x1} - x);
  const int64_t row_begin = std::max<int64_t>(0, int64_t{inside.y0} - y);
  const int64_t row_end = std::min<int64_t>(image.height(), int64_t{inside.y1} - y);
  if (col_begin >= col_end || row_begin >= row_end) return;
  for (int64_t j = row_begin; j < row_end; ++j) {
    const RowTrimmedImage::Row r = image.row(static_cast<uint32_t>(j));
    const int64_t from = std::max<int64_t>(col_begin, r.first);
    const int64_t to = std::min<int64_t>(col_end, int64_t{r.first} + r.count);
    if (from >= to) continue;
    const uint32_t* src = r.words + (from - r.first);
    uint32_t* dst = target.row(static_cast<uint32_t>(j + y)) + (from + x);
    const auto count = static_cast<size_t>(to - from);
    if (q >= 256) {
      blend_span_over(dst, src, count);
    } else {
      blend_span_over_scaled(dst, src, q, count);
    }
  }
}

}  // namespace qo
