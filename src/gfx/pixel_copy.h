#pragma once

#include <cstdint>
#include <span>

#include "gfx/geometry.h"
#include "gfx/pixmap.h"

namespace qo {

// Copies the device pixels covering the logical rectangle `rect` (edges floored and ceiled at `scale`, cut at
// the source's size) from `source` to the same byte offsets of `target`, a buffer laid out like the source
// (same width, 4 bytes a pixel). A target too short for those offsets ends the process.
void copy_scaled_pixel_rect(const Pixmap& source, std::span<uint8_t> target, const RectF& rect, float scale);

}  // namespace qo
