#pragma once

#include "gfx/geometry.h"
#include "gfx/image_blit.h"
#include "gfx/pixmap.h"

namespace qo {

// Draws `image` through `transform` (image pixels to target device pixels) with the fixed-point bilinear
// sampler at pixel centres, scaled by the quantised opacity and composited source-over, inside the clip. Outside
// the image counts as transparent, so its edges fade over one pixel. Sparse images are cheap: a target pixel
// whose four image neighbours are all transparent is skipped. A transform that cannot be inverted draws nothing.
// `content_radius`, when positive, says that nothing but transparency lies farther than it (in image pixels)
// from the image's centre, so only the target rows' chords of that circle are sampled.
void draw_image_affine(const Pixmap& image, Pixmap& target, const Transform& transform, float opacity,
                       const ClipRect& clip, float content_radius = 0.0f);

}  // namespace qo
