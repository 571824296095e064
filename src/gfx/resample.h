#pragma once

#include <cstdint>

#include "gfx/pixmap.h"

namespace qo {

// A copy of `source` resized to new_width x new_height (each raised to at least 1). Enlarging (or keeping the
// size) in both axes interpolates bicubically; shrinking in either axis averages the covered source area, each
// source pixel weighted by how much of it the destination pixel covers. A requested size of 0 in either axis
// gives a transparent 1-pixel-wide or -high result.
Pixmap resample_pixmap(const Pixmap& source, uint32_t new_width, uint32_t new_height);

}  // namespace qo
