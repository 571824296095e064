#pragma once
// Elliptical arcs as SVG path data gives them (end points, radii, rotation, two flags), drawn as cubics.

#include "gfx/geometry.h"
#include "gfx/path.h"

namespace qo {

struct SvgArc {
  float rx = 0.0f;
  float ry = 0.0f;
  float x_axis_rotation_deg = 0.0f;
  bool large_arc = false;
  bool sweep = false;  // true: the angle grows from start to end (clockwise on screen, y down)
};

// Appends the arc from `from` (the builder's current point) to `to`. Zero radii give a straight line; radii too
// small to join the end points are scaled up until they just do. An arc that ends where it starts draws nothing.
void append_svg_arc(PathBuilder& builder, Point from, const SvgArc& arc, Point to);

}  // namespace qo
