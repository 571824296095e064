#include "icons/builtin_icons.h"

#include <array>
#include <span>

#include "gfx/shapes.h"
#include "icons/svg_path.h"

namespace qo {
namespace {

struct Circle {
  float cx;
  float cy;
  float r;
};

constexpr std::array<Circle, 3> CHAT_DOTS{{{9.0f, 10.5f, 0.6f}, {12.0f, 10.5f, 0.6f}, {15.0f, 10.5f, 0.6f}}};
constexpr std::array<Circle, 1> VIEW_CIRCLE{{{12.0f, 12.0f, 9.0f}}};

// Circles first, then the path data; none when nothing was drawn.
std::optional<Path> outline(std::span<const Circle> circles, std::string_view path_data) {
  PathBuilder builder;
  for (const Circle& c : circles) push_circle(builder, c.cx, c.cy, c.r);
  parse_svg_path_data(builder, path_data);
  return builder.finish();
}

Icon stroke_icon(std::string_view path_data, std::span<const Circle> circles = {}) {
  return Icon{outline(circles, path_data), std::nullopt};
}

}  // namespace

Icon build_sun_icon(float radius) {
  const std::array<Circle, 1> disc{{{12.0f, 12.0f, radius}}};
  return stroke_icon(SUN_RAYS_PATH, disc);
}

BuiltinIcons build_builtin_icons() {
  BuiltinIcons icons;
  icons.icon_globe =
      stroke_icon("M3 12h18M12 3c2.5 3 2.5 15 0 18M12 3c-2.5 3-2.5 15 0 18", VIEW_CIRCLE);
  icons.icon_chat = Icon{outline(CHAT_DOTS, "M4 5h16v11H9l-4 3v-3H4z"), outline(CHAT_DOTS, "")};
  icons.icon_trophy =
      stroke_icon("M7 4h10v4a5 5 0 0 1-10 0zM7 6H4a3 3 0 0 0 3 4M17 6h3a3 3 0 0 1-3 4M12 13v4M8 20h8M9 17h6v3H9z");
  icons.icon_gem = stroke_icon("M6 4h12l3 5-9 11L3 9zM3 9h18M9 4l3 16M15 4l-3 16");
  icons.icon_sun_large = build_sun_icon(3.5f);
  icons.icon_sun_small = build_sun_icon(3.2f);
  icons.icon_arrow = stroke_icon("M5 12h14M13 6l6 6-6 6");
  icons.icon_clock = stroke_icon("M12 7v5l3 2", VIEW_CIRCLE);
  icons.icon_play = Icon{std::nullopt, outline({}, "M8 5.5v13l11-6.5z")};
  icons.icon_close = stroke_icon("M0 0L10 10M10 0L0 10");
  icons.icon_chevron = stroke_icon("M6 9l6 6 6-6");
  return icons;
}

}  // namespace qo
