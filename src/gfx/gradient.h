#pragma once

#include <optional>
#include <span>

#include "gfx/color.h"
#include "gfx/paint.h"

namespace qo {

// Positions closer than this make a gradient degenerate (painted with its last colour).
inline constexpr float GRADIENT_MIN_LENGTH = 1.0f / 32768.0f;

// A linear gradient across the box (x, y, w, h) at an angle in degrees measured as in style sheets: 0 points up,
// 90 to the right, 180 down. The gradient line passes through the box's centre and is just long enough for the
// box's corners to reach the first and last stops. Colours are padded before the first and after the last stop.
// A single stop, or a box with no extent along the angle, gives a solid colour; when no gradient can be made
// the first stop's colour (transparent without stops) is used.
Shader build_linear_gradient(std::span<const ColorStop> stops, float x, float y, float w, float h,
                             float angle_deg);

// A gradient from `start` (position 0) to `end` (position 1), colours padded beyond both ends. Stop positions are
// clamped to 0..1 and made non-decreasing; stops at 0 and 1 are added (copies of the first and last) where the
// list does not begin or end there. A single stop gives that solid colour, end points closer than
// GRADIENT_MIN_LENGTH the last stop's colour. No stops, non-finite points or a transform that cannot be inverted
// give no shader.
std::optional<Shader> make_linear_gradient(Point start, Point end, std::span<const ColorStop> stops,
                                           const Transform& transform = {});

// A radial gradient centred on `center`: position 0 at the centre, 1 at `radius`, with the stop rules above. A
// radius that is not positive (or not finite), no stops or a transform that cannot be inverted give no shader.
std::optional<Shader> make_radial_gradient(Point center, float radius, std::span<const ColorStop> stops,
                                           const Transform& transform = {});

}  // namespace qo
