#pragma once

#include <cstdint>
#include <memory>

#include "gfx/pixmap.h"

namespace qo {

// An integer clip rectangle in device pixels; x1 and y1 are exclusive.
struct ClipRect {
  int32_t x0 = 0;
  int32_t y0 = 0;
  int32_t x1 = 0;
  int32_t y1 = 0;
};

// The clip rectangle covering the whole pixmap.
ClipRect full_clip(const Pixmap& pixmap);

// Opacity 0..1 as an integer weight 0..256: round(clamp(opacity, 0, 1) * 256); NaN gives 0.
uint32_t quantize_opacity(float opacity);

// Draws `image` with its top-left corner at device position (x, y), scale_x by scale_y device pixels per image
// pixel, through the fixed-point bilinear sampler. Partly covered edge pixels are weighted by their coverage.
// With `blend` the sample is composited source-over; without it the sample replaces the destination pixel
// (transparent samples included). Nothing is drawn outside the clip rectangle or when the opacity quantises
// to 0.
void draw_image_scaled(const Pixmap& image, Pixmap& target, float x, float y, float scale_x, float scale_y,
                       float opacity, bool blend, const ClipRect& clip);

// The draw of draw_image_scaled one destination row at a time, for a caller that does more to each row while it is
// still in cache. Built once per draw: it holds the column table and the last two horizontally sampled image
// rows, which consecutive destination rows share. `image` must outlive it and must not be the pixmap drawn into.
class ScaledImageRows {
 public:
  ScaledImageRows(const Pixmap& image, uint32_t target_width, uint32_t target_height, float x, float y, float scale_x,
                  float scale_y, float opacity, bool blend, const ClipRect& clip);
  ScaledImageRows(const ScaledImageRows&) = delete;
  ScaledImageRows& operator=(const ScaledImageRows&) = delete;
  ~ScaledImageRows();

  // The destination rows the draw touches, [first_row, end_row); empty when nothing is drawn.
  int32_t first_row() const { return first_row_; }
  int32_t end_row() const { return end_row_; }

  // Draws destination row y into `target_row`, the target's row y from its column 0; a row outside
  // [first_row, end_row) is left as it is. Any order gives the same pixels; top to bottom samples each image
  // row once.
  void draw_row(int32_t y, uint32_t* target_row);

 private:
  struct Plan;
  std::unique_ptr<Plan> plan_;
  int32_t first_row_ = 0;
  int32_t end_row_ = 0;
};

// The source columns [col_begin, col_end) and rows [row_begin, row_end) of a width x height source placed with its
// top-left pixel at (x, y) that land inside both `clip` and the target; empty when none do.
struct SourceWindow {
  int64_t col_begin = 0;
  int64_t col_end = 0;
  int64_t row_begin = 0;
  int64_t row_end = 0;
  bool empty() const { return col_begin >= col_end || row_begin >= row_end; }
};
SourceWindow source_window(const Pixmap& target, uint32_t width, uint32_t height, int32_t x, int32_t y,
                           const ClipRect& clip);

// dst[i] = src[i] scaled by the quantised opacity q (256: as it is), source-over dst[i].
void blend_span_opacity(uint32_t* dst, const uint32_t* src, uint32_t q, size_t count);

// Composites `source` source-over onto `target` with its top-left pixel at (x, y), every source pixel scaled by
// the quantised opacity first. Pixels falling outside the target are skipped.
void blend_pixmap_opacity(Pixmap& target, const Pixmap& source, float opacity, int32_t x, int32_t y);
// The same, leaving every target pixel outside the clip rectangle untouched.
void blend_pixmap_opacity(Pixmap& target, const Pixmap& source, float opacity, int32_t x, int32_t y,
                          const ClipRect& clip);

// Source-over of one premultiplied pixel onto another in fixed point (the arithmetic every integer blit of the
// toolkit shares): a transparent source leaves the destination, an opaque one replaces it.
uint32_t blend_pixel_over(uint32_t source, uint32_t destination);

}  // namespace qo
