#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "gfx/pixmap.h"

namespace qo {

// Box sizes (each odd, at least 1) of the three passes that approximate a gaussian of the given sigma.
std::array<int64_t, 3> blur_box_sizes(float sigma);

// A gaussian blur approximated by three box blurs in each direction; sigma in device pixels. Sigmas below 0.3
// leave the pixmap as it is. Edge pixels repeat beyond the borders.
void gaussian_blur(Pixmap& pixmap, float sigma);

// One horizontal box pass of radius r over 4-byte pixels: every channel becomes the rounded mean of the 2r + 1
// values around it (edge pixels repeated). Both buffers hold width * height * 4 bytes.
void box_blur_pass(std::span<const uint8_t> source, std::span<uint8_t> destination, uint32_t width,
                   uint32_t height, uint32_t radius);

}  // namespace qo
