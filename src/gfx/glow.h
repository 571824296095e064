#pragma once

#include <cstdint>
#include <span>

#include "gfx/color.h"
#include "gfx/pixmap.h"

namespace qo {

// One halo of a glow: its straight colour and its gaussian sigma in device pixels.
struct GlowLayer {
  Color color;
  float blur = 0.0f;
};

// The image on a transparent margin of `pad` pixels, surrounded by its glows: each layer in order tints the
// silhouette of everything drawn so far, blurs it and puts it underneath, so later layers follow the outline of
// the image together with the earlier glows.
Pixmap make_glow_image(const Pixmap& image, std::span<const GlowLayer> layers, uint32_t pad);

}  // namespace qo
