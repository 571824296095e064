#pragma once

#include <cstdint>
#include <vector>

#include "gfx/geometry.h"
#include "gfx/image_blit.h"
#include "gfx/pixmap.h"

namespace qo {

// Draws `image` through `transform` (image pixels to target device pixels) with the fixed-point bilinear
// sampler at pixel centres, scaled by the quantised opacity and composited source-over, inside the clip. Outside
// the image counts as transparent, so its edges fade over one pixel. A sample whose four image neighbours are all
// transparent composites to the target pixel unchanged. A transform that cannot be inverted draws nothing.
// `content_radius`, when positive, says that nothing but transparency lies farther than it (in image pixels)
// from the image's centre, so only the target rows' chords of that circle are sampled.
void draw_image_affine(const Pixmap& image, Pixmap& target, const Transform& transform, float opacity,
                       const ClipRect& clip, float content_radius = 0.0f);

// A mostly transparent image made ready once for many affine draws (the rune, turned every frame): a copy with a
// clear one-pixel border, so every tap of a sample lies inside it, and one bit per sample position saying whether
// any of that sample's four taps holds ink. A draw computes only the runs of a row whose samples can hold ink;
// every other sample has four transparent taps and would leave its target pixel as it is.
class SparseImage {
 public:
  SparseImage();  // a 1 x 1 transparent image
  explicit SparseImage(const Pixmap& image);

  uint32_t width() const { return width_; }  // the image's own size, without the border
  uint32_t height() const { return height_; }
  const Pixmap& padded() const { return padded_; }
  // Whether the sample whose top-left tap is bordered pixel (x, y) has ink among its taps; x <= width,
  // y <= height.
  bool ink_at(uint32_t x, uint32_t y) const { return (ink_[size_t{y} * ink_words_ + x / 32] >> (x % 32)) & 1u; }
  const uint32_t* ink_rows() const { return ink_.data(); }
  uint32_t ink_words_per_row() const { return ink_words_; }
  // No ink lies farther than this from the image's centre, bilinear reach included (image pixels); 0 = no ink.
  float ink_radius() const { return ink_radius_; }

 private:
  Pixmap padded_;
  uint32_t width_ = 1;
  uint32_t height_ = 1;
  uint32_t ink_words_ = 1;
  std::vector<uint32_t> ink_;
  float ink_radius_ = 0.0f;
};

// Draws the image exactly as draw_image_affine draws it, bit for bit, computing only the samples that can hold
// ink (8-sample blocks with any) and only within the circle of its ink.
void draw_image_affine(const SparseImage& image, Pixmap& target, const Transform& transform, float opacity,
                       const ClipRect& clip);

}  // namespace qo
