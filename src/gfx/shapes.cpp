#include "gfx/shapes.h"

#include <algorithm>
#include <cmath>

#include "gfx/blur.h"
#include "gfx/rasterizer.h"

namespace qo {

std::optional<Path> rounded_rect_path(float x, float y, float w, float h, float radius) {
  if (!(w > 0.0f) || !(h > 0.0f)) return std::nullopt;
  float r = std::min({radius, w / 2.0f, h / 2.0f});
  if (!(r > 0.0f)) r = 0.0f;  // also a NaN radius

  PathBuilder pb;
  if (r == 0.0f) {
    pb.push_rect(x, y, w, h);
    return pb.finish();
  }
  const float k = CIRCLE_KAPPA * r;
  pb.move_to(x + r, y);
  pb.line_to(x + w - r, y);
  pb.cubic_to(x + w - r + k, y, x + w, y + r - k, x + w, y + r);
  pb.line_to(x + w, y + h - r);
  pb.cubic_to(x + w, y + h - r + k, x + w - r + k, y + h, x + w - r, y + h);
  pb.line_to(x + r, y + h);
  pb.cubic_to(x + r - k, y + h, x, y + h - r + k, x, y + h - r);
  pb.line_to(x, y + r);
  pb.cubic_to(x, y + r - k, x + r - k, y, x + r, y);
  pb.close();
  return pb.finish();
}

void push_circle(PathBuilder& pb, float cx, float cy, float r) {
  const float k = CIRCLE_KAPPA * r;
  pb.move_to(cx + r, cy);
  pb.cubic_to(cx + r, cy + k, cx + k, cy + r, cx, cy + r);
  pb.cubic_to(cx - k, cy + r, cx - r, cy + k, cx - r, cy);
  pb.cubic_to(cx - r, cy - k, cx - k, cy - r, cx, cy - r);
  pb.cubic_to(cx + k, cy - r, cx + r, cy - k, cx + r, cy);
  pb.close();
}

std::optional<Path> circle_path(float cx, float cy, float r) {
  if (!(r > 0.0f)) return std::nullopt;
  PathBuilder pb;
  push_circle(pb, cx, cy, r);
  return pb.finish();
}

void fill_round_rect(Canvas& canvas, const Paint& paint, float x, float y, float w, float h, float radius) {
  const auto path = rounded_rect_path(x, y, w, h, radius);
  if (!path) return;
  fill_path(canvas.pixmap, *path, paint, FillRule::Winding, canvas.transform());
}

void stroke_round_rect(Canvas& canvas, const Color& color, float x, float y, float w, float h, float radius) {
  if (!(color.a > 0.0f)) return;
  const auto outer = rounded_rect_path(x, y, w, h, radius);
  const auto inner = rounded_rect_path(x + 1.0f, y + 1.0f, w - 2.0f, h - 2.0f, std::max(radius - 1.0f, 0.0f));
  PathBuilder pb;
  if (outer) pb.push_path(*outer);
  if (inner) pb.push_path(*inner);
  const auto ring = pb.finish();
  if (!ring) return;
  fill_path(canvas.pixmap, *ring, solid_paint(color), FillRule::EvenOdd, canvas.transform());
}

void draw_soft_shadow(Canvas& canvas, const Color& color, float x, float y, float w, float h, float radius,
                      float blur, const Mask* mask) {
  const float margin = soft_shadow_margin(blur);
  const float scale = canvas.scale;
  Canvas layer = Canvas::make(device_size(w + 2.0f * margin, scale), device_size(h + 2.0f * margin, scale),
                              x - margin, y - margin, scale);
  fill_round_rect(layer, solid_paint(color), x, y, w, h, radius);
  gaussian_blur(layer.pixmap, blur * scale);
  const DevicePosition at = soft_shadow_layer_position(canvas, x, y, blur);
  draw_pixmap(canvas.pixmap, at.x, at.y, layer.pixmap, PixmapPaint{}, Transform::identity(), mask);
}

float soft_shadow_margin(float blur) { return std::ceil(3.0f * blur); }

DevicePosition soft_shadow_layer_position(const Canvas& canvas, float x, float y, float blur) {
  const float margin = soft_shadow_margin(blur);
  return {round_to_i32((x - margin - canvas.origin_x) * canvas.scale),
          round_to_i32((y - margin - canvas.origin_y) * canvas.scale)};
}

}  // namespace qo
