#pragma once

#include <optional>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/path.h"

namespace qo {

// A vector pictogram in its own view box (origin top-left, y down): an optional outline to fill (non-zero
// winding) and an optional outline to stroke.
struct Icon {
  std::optional<Path> stroke;
  std::optional<Path> fill;
};

// Draws the icon with its view box of `view_size` units mapped onto a square of `size` logical pixels at (x, y).
// The fill goes first, then the stroke (width in icon units, so it scales with the icon; butt caps, miter
// joins, miter limit 4).
void draw_icon(Canvas& canvas, const Icon& icon, float x, float y, float size, float view_size,
               const Color& color, float stroke_width);

// The transform draw_icon uses: the canvas transform, then the placement at (x, y), then the view-box scale.
Transform icon_transform(const Canvas& canvas, float x, float y, float size, float view_size);

}  // namespace qo
