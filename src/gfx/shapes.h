#pragma once

#include <cstdint>
#include <optional>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/paint.h"
#include "gfx/path.h"
#include "gfx/pixmap.h"

namespace qo {

// Control-point factor of a cubic quarter circle.
inline constexpr float CIRCLE_KAPPA = 0.5522848f;

// A rectangle with quarter-circle corners, clockwise on screen (y down). The radius is limited to half the
// shorter side (a pill at most); radius 0 gives a sharp rectangle; a non-positive size gives no path.
std::optional<Path> rounded_rect_path(float x, float y, float w, float h, float radius);

// A circle of four cubic quarter arcs, starting at its rightmost point; no path for a radius that is not
// positive.
std::optional<Path> circle_path(float cx, float cy, float r);

// Appends the circle's four arcs as a closed sub-path.
void push_circle(PathBuilder& builder, float cx, float cy, float r);

// All coordinates below are logical pixels of the canvas.

void fill_round_rect(Canvas& canvas, const Paint& paint, float x, float y, float w, float h, float radius);

// A 1-logical-pixel border just inside the rounded rectangle.
void stroke_round_rect(Canvas& canvas, const Color& color, float x, float y, float w, float h, float radius);

// A blurred rounded rectangle composited onto the canvas; `blur` is the gaussian sigma in logical pixels. The
// mask, when given, keeps the shadow to (or out of) an area of the canvas.
void draw_soft_shadow(Canvas& canvas, const Color& color, float x, float y, float w, float h, float radius,
                      float blur, const Mask* mask = nullptr);

// The shadow is blurred in a layer of its own that reaches this margin (logical px) beyond the rectangle.
float soft_shadow_margin(float blur);

// The canvas's device pixel where draw_soft_shadow puts the top-left corner of that layer.
struct DevicePosition {
  int32_t x = 0;
  int32_t y = 0;
};
DevicePosition soft_shadow_layer_position(const Canvas& canvas, float x, float y, float blur);

}  // namespace qo
