#pragma once

#include <cstdint>

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
