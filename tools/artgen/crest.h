#pragma once
#include <cstdint>

#include "gfx/pixmap.h"

namespace art {

inline constexpr uint32_t CREST_SIZE = 256;

// A square emblem over a transparent ground: a dark green shield with a gold rim and a faceted gold wolf's head
// with emerald eyes. Built to stay readable when shrunk to a few dozen pixels.
qo::Pixmap paint_crest();

}  // namespace art
