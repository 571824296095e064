#pragma once
// Painting helpers shared by the three pictures: colours from hex values, gradient shaders, filled and stroked
// paths on whole-picture layers, and per-pixel fields painted at reduced size and enlarged smoothly.
#include <cstdint>
#include <functional>
#include <initializer_list>

#include "gfx/color.h"
#include "gfx/paint.h"
#include "gfx/path.h"
#include "gfx/pixmap.h"

namespace art {

// A straight colour from 0xRRGGBB.
qo::Color rgb(uint32_t hex, float alpha = 1.0f);
qo::Color mix(const qo::Color& a, const qo::Color& b, float t);
qo::Color with_alpha(qo::Color c, float alpha);

// Gradients in picture pixels; stops as {position, colour}.
qo::Shader linear_shader(qo::Point start, qo::Point end, std::initializer_list<qo::ColorStop> stops);
qo::Shader radial_shader(qo::Point center, float radius, std::initializer_list<qo::ColorStop> stops);

void fill(qo::Pixmap& target, const qo::Path& path, const qo::Shader& shader,
          qo::FillRule rule = qo::FillRule::Winding);
void stroke(qo::Pixmap& target, const qo::Path& path, const qo::Shader& shader, float width,
            qo::LineJoin join = qo::LineJoin::Round);
void fill_circle(qo::Pixmap& target, float cx, float cy, float r, const qo::Shader& shader);

// A closed polygon through the points, in order.
qo::Path polygon(std::initializer_list<qo::Point> points);
// The same polygon mirrored about the vertical line x = axis.
qo::Path mirrored_polygon(std::initializer_list<qo::Point> points, float axis);

// Source-over of a layer of the same size at the given opacity.
void composite(qo::Pixmap& target, const qo::Pixmap& layer, float opacity = 1.0f);
// A blurred copy of `layer`, composited at an offset.
void composite_blurred(qo::Pixmap& target, const qo::Pixmap& layer, float sigma, float opacity, int32_t dx = 0,
                       int32_t dy = 0);

// A width x height layer whose colour at each point is `colour_at(x, y)` (straight colour, coordinates of the
// full-size layer), evaluated on a grid `divisor` times coarser and enlarged bicubically: smooth fields such as
// mist, aurora and glows cost a fraction of a full-resolution pass.
qo::Pixmap paint_field(uint32_t width, uint32_t height, uint32_t divisor,
                       const std::function<qo::Color(float, float)>& colour_at);

// Multiplies the colour of every pixel by (1 + strength * n(x, y)), n in about [-1, 1]; alpha is kept.
void modulate(qo::Pixmap& target, float strength, const std::function<float(float, float)>& n);

}  // namespace art
