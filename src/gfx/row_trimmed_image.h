#pragma once
// An image kept as each row's part from its first to its last pixel with any alpha. Source-over leaves the target
// unchanged under a pixel without alpha, so the part of each row drawn at its column gives what the whole row
// gives; a glow's rows narrow towards its top and bottom, and what lies beyond them is not stored.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "gfx/image_blit.h"
#include "gfx/pixmap.h"

namespace qo {

// The columns [first, end) of a row of `width` pixels from its first to its last pixel with any alpha; first ==
// end when no pixel has any.
struct AlphaSpan {
  uint32_t first = 0;
  uint32_t end = 0;
};
AlphaSpan row_alpha_span(const uint32_t* row, uint32_t width);

// The smallest rectangle of `area` (within the image) holding every pixel with any alpha; none when it has none.
std::optional<ClipRect> alpha_box(const Pixmap& image, const ClipRect& area);

class RowTrimmedImage {
 public:
  RowTrimmedImage() = default;
  explicit RowTrimmedImage(const Pixmap& image);

  uint32_t width() const { return width_; }
  uint32_t height() const { return height_; }
  // Pixels kept, over all rows.
  size_t kept_pixels() const { return words_.size(); }

  // Row y's kept pixels: `count` words for columns first .. first + count - 1 (none for a row without alpha).
  struct Row {
    uint32_t first = 0;
    uint32_t count = 0;
    const uint32_t* words = nullptr;
  };
  Row row(uint32_t y) const {
    const size_t begin = starts_[y];
    return Row{firsts_[y], static_cast<uint32_t>(starts_[y + 1] - begin), words_.data() + begin};
  }

  // The whole image again: the kept pixels in place, every other pixel 0.
  Pixmap to_pixmap() const;

 private:
  uint32_t width_ = 0;
  uint32_t height_ = 0;
  std::vector<uint32_t> firsts_;  // per row
  std::vector<size_t> starts_;    // per row, where its words begin in words_; one more entry for the end
  std::vector<uint32_t> words_;
};

// Gives the target exactly what blend_pixmap_opacity(target, image.to_pixmap(), opacity, x, y, clip) gives it,
// reading only the kept pixels.
void blend_row_trimmed(Pixmap& target, const RowTrimmedImage& image, float opacity, int32_t x, int32_t y,
                       const ClipRect& clip);

}  // namespace qo
