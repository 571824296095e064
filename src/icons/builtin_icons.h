#pragma once
// The launcher's pictograms, built from path data and circles.

#include <string_view>

#include "gfx/icon.h"

namespace qo {

// View box of the icons (units square, origin top-left, y down); the close cross uses its own smaller box.
inline constexpr float ICON_VIEW_SIZE = 24.0f;
inline constexpr float CLOSE_ICON_VIEW_SIZE = 10.0f;

// The eight rays around the sun's disc.
inline constexpr std::string_view SUN_RAYS_PATH =
    "M12 2v3M12 19v3M2 12h3M19 12h3M4.9 4.9l2.1 2.1M17 17l2.1 2.1M4.9 19.1L7 17M17 7l2.1-2.1";

// A sun: a circle of `radius` centred in the view box, then the rays; stroke only.
Icon build_sun_icon(float radius);

// Every built-in icon, in the order the window keeps them.
struct BuiltinIcons {
  Icon icon_globe;
  Icon icon_chat;
  Icon icon_trophy;
  Icon icon_gem;
  Icon icon_sun_large;
  Icon icon_sun_small;
  Icon icon_arrow;
  Icon icon_clock;
  Icon icon_play;
  Icon icon_close;  // CLOSE_ICON_VIEW_SIZE box
  Icon icon_chevron;
};

BuiltinIcons build_builtin_icons();

}  // namespace qo
