#pragma once
#include <cstdint>

#include "gfx/pixmap.h"

namespace art {

// Size of the landscape: the window's 1100 x 660 cover-fitted with the 8 % zoom reserve, at scale 2.
inline constexpr uint32_t HERO_WIDTH = 2376;
inline constexpr uint32_t HERO_HEIGHT = 1426;

// The launcher's background: a night landscape of layered mountains under a moonlit, star-filled sky with
// emerald aurora, mist in the valleys and a fortress on a crag below the moon. Opaque.
qo::Pixmap paint_hero();

}  // namespace art
