#include "ui/rune.h"

#include <cmath>
#include <numbers>
#include <optional>

#include "gfx/canvas.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"

namespace qo {
namespace {

constexpr Point BOX_CENTRE{260.0f, 260.0f};

struct OutlineSpec {
  enum Shape { Circle, TriangleUp, TriangleDown } shape;
  float radius;  // circles only
  float width;
  std::vector<float> dash;
  uint8_t r, g, b, alpha;
};

std::optional<Path> triangle_path(Point a, Point b, Point c) {
  PathBuilder builder;
  builder.move_to(a.x, a.y);
  builder.line_to(b.x, b.y);
  builder.line_to(c.x, c.y);
  builder.close();
  return builder.finish();
}

std::optional<Path> outline_path(const OutlineSpec& spec) {
  switch (spec.shape) {
    case OutlineSpec::Circle:
      return circle_path(BOX_CENTRE.x, BOX_CENTRE.y, spec.radius);
    case OutlineSpec::TriangleUp:
      return triangle_path({260.0f, 92.0f}, {405.0f, 343.0f}, {115.0f, 343.0f});
    case OutlineSpec::TriangleDown:
      return triangle_path({260.0f, 428.0f}, {115.0f, 177.0f}, {405.0f, 177.0f});
  }
  return std::nullopt;
}

std::optional<RuneOutline> make_outline(const OutlineSpec& spec) {
  auto path = outline_path(spec);
  if (!path) return std::nullopt;
  Stroke stroke;
  stroke.width = spec.width;
  if (!spec.dash.empty()) stroke.dash = StrokeDash{spec.dash, 0.0f};
  return RuneOutline{std::move(*path), std::move(stroke), Color::from_rgba8(spec.r, spec.g, spec.b, spec.alpha)};
}

}  // namespace

std::array<std::vector<RuneOutline>, 3> build_rune_outlines() {
  const std::array<std::vector<OutlineSpec>, 3> specs{{
      {{OutlineSpec::Circle, 235.0f, 1.2f, {}, 217, 168, 69, 140}},
      {{OutlineSpec::Circle, 226.0f, 8.0f, {2.0f, 14.0f}, 242, 210, 138, 115}},
      {{OutlineSpec::Circle, 196.0f, 1.6f, {24.0f, 12.0f, 4.0f, 12.0f}, 18, 184, 128, 140},
       {OutlineSpec::TriangleUp, 0.0f, 1.1f, {}, 217, 168, 69, 89},
       {OutlineSpec::TriangleDown, 0.0f, 1.1f, {}, 18, 184, 128, 89}},
  }};
  std::array<std::vector<RuneOutline>, 3> groups;
  for (size_t g = 0; g < specs.size(); ++g) {
    for (const OutlineSpec& spec : specs[g]) {
      if (auto outline = make_outline(spec)) groups[g].push_back(std::move(*outline));
    }
  }
  return groups;
}

Pixmap rasterize_rune(const std::array<std::vector<RuneOutline>, 3>& groups, float scale) {
  Pixmap layer = Pixmap::make(device_size(RUNE_DRAWN_SIZE, scale), device_size(RUNE_DRAWN_SIZE, scale));
  const float k = RUNE_DRAWN_SIZE * scale / RUNE_BOX_SIZE;
  const Transform transform = Transform::from_scale(k, k);
  for (const auto& group : groups) {
    for (const RuneOutline& outline : group) {
      stroke_path(layer, outline.path, solid_paint(outline.color), outline.stroke, transform);
    }
  }
  return layer;
}

Transform rune_layer_transform(float scale, float degrees) {
  const float radians = degrees * std::numbers::pi_v<float> / 180.0f;
  const float c = std::cos(radians);
  const float s = std::sin(radians);
  const float half = RUNE_DRAWN_SIZE * 0.5f * scale;
  return Transform::from_translate(RUNE_CENTRE.x * scale, RUNE_CENTRE.y * scale)
      .pre_concat(Transform::from_row(c, s, -s, c, 0.0f, 0.0f))
      .pre_translate(-half, -half);
}

}  // namespace qo
