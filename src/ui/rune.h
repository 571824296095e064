#pragma once
// The rune ornament that turns slowly over the hero picture: two rings, a dashed ring, and a six-pointed star of
// two triangles inside a third ring, defined once here in a 520 x 520 unit box centred on (260, 260).
#include <array>
#include <vector>

#include "gfx/geometry.h"
#include "gfx/pixmap.h"
#include "ui/ui_state.h"

namespace qo {

inline constexpr float RUNE_BOX_SIZE = 520.0f;     // units
inline constexpr float RUNE_DRAWN_SIZE = 270.0f;   // logical px across
inline constexpr Point RUNE_CENTRE{195.0f, 330.0f};  // logical point the figure turns about

// The five outlines with their strokes and colours, in three groups: the outer ring; the dashed ring; the inner
// ring with the two triangles.
std::array<std::vector<RuneOutline>, 3> build_rune_outlines();

// The figure drawn into a square layer of ceil(270 x scale) device pixels, every group in order.
Pixmap rasterize_rune(const std::array<std::vector<RuneOutline>, 3>& groups, float scale);

// Where the rune layer goes on the canvas: its centre on RUNE_CENTRE, turned by `degrees` (clockwise on screen).
Transform rune_layer_transform(float scale, float degrees);

}  // namespace qo
