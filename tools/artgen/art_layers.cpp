#include "art_layers.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "gfx/blur.h"
#include "gfx/gradient.h"
#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"
#include "gfx/resample.h"
#include "gfx/shapes.h"

namespace art {

qo::Color rgb(uint32_t hex, float alpha) {
  return {static_cast<float>((hex >> 16) & 0xFF) / 255.0f, static_cast<float>((hex >> 8) & 0xFF) / 255.0f,
          static_cast<float>(hex & 0xFF) / 255.0f, alpha};
}

qo::Color mix(const qo::Color& a, const qo::Color& b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

qo::Color with_alpha(qo::Color c, float alpha) {
  c.a = std::clamp(alpha, 0.0f, 1.0f);
  return c;
}

qo::Shader linear_shader(qo::Point start, qo::Point end, std::initializer_list<qo::ColorStop> stops) {
  std::vector<qo::ColorStop> list(stops);
  return qo::make_linear_gradient(start, end, list).value_or(qo::Shader{list.front().color});
}

qo::Shader radial_shader(qo::Point center, float radius, std::initializer_list<qo::ColorStop> stops) {
  std::vector<qo::ColorStop> list(stops);
  return qo::make_radial_gradient(center, radius, list).value_or(qo::Shader{list.front().color});
}

void fill(qo::Pixmap& target, const qo::Path& path, const qo::Shader& shader, qo::FillRule rule) {
  qo::fill_path(target, path, qo::shader_paint(shader), rule, qo::Transform::identity());
}

void stroke(qo::Pixmap& target, const qo::Path& path, const qo::Shader& shader, float width, qo::LineJoin join) {
  qo::Stroke s;
  s.width = width;
  s.line_join = join;
  s.line_cap = qo::LineCap::Round;
  qo::stroke_path(target, path, qo::shader_paint(shader), s, qo::Transform::identity());
}

void fill_circle(qo::Pixmap& target, float cx, float cy, float r, const qo::Shader& shader) {
  qo::PathBuilder b;
  qo::push_circle(b, cx, cy, r);
  if (auto path = b.finish()) fill(target, *path, shader);
}

qo::Path polygon(std::initializer_list<qo::Point> points) {
  qo::PathBuilder b;
  bool first = true;
  for (const qo::Point& p : points) {
    if (first) b.move_to(p.x, p.y);
    else b.line_to(p.x, p.y);
    first = false;
  }
  b.close();
  return *b.finish();
}

qo::Path mirrored_polygon(std::initializer_list<qo::Point> points, float axis) {
  qo::PathBuilder b;
  bool first = true;
  for (const qo::Point& p : points) {
    const float x = 2.0f * axis - p.x;
    if (first) b.move_to(x, p.y);
    else b.line_to(x, p.y);
    first = false;
  }
  b.close();
  return *b.finish();
}

void composite(qo::Pixmap& target, const qo::Pixmap& layer, float opacity) {
  qo::blend_pixmap_opacity(target, layer, opacity, 0, 0);
}

void composite_blurred(qo::Pixmap& target, const qo::Pixmap& layer, float sigma, float opacity, int32_t dx,
                       int32_t dy) {
  qo::Pixmap copy = layer;
  qo::gaussian_blur(copy, sigma);
  qo::blend_pixmap_opacity(target, copy, opacity, dx, dy);
}

qo::Pixmap paint_field(uint32_t width, uint32_t height, uint32_t divisor,
                       const std::function<qo::Color(float, float)>& colour_at) {
  const uint32_t w = (width + divisor - 1) / divisor;
  const uint32_t h = (height + divisor - 1) / divisor;
  qo::Pixmap small = qo::Pixmap::make(w, h);
  const float step = static_cast<float>(divisor);
  for (uint32_t y = 0; y < h; ++y) {
    uint32_t* row = small.row(y);
    for (uint32_t x = 0; x < w; ++x) {
      row[x] = colour_at((static_cast<float>(x) + 0.5f) * step, (static_cast<float>(y) + 0.5f) * step)
                   .premultiplied_word();
    }
  }
  if (divisor == 1) return small;
  // Enlarge a little past the full size so the picture's last row and column are not an edge extension.
  qo::Pixmap big = qo::resample_pixmap(small, w * divisor, h * divisor);
  qo::Pixmap out = qo::Pixmap::make(width, height);
  for (uint32_t y = 0; y < height; ++y) std::copy_n(big.row(y), width, out.row(y));
  return out;
}

void modulate(qo::Pixmap& target, float strength, const std::function<float(float, float)>& n) {
  for (uint32_t y = 0; y < target.height(); ++y) {
    uint32_t* row = target.row(y);
    for (uint32_t x = 0; x < target.width(); ++x) {
      const uint32_t px = row[x];
      const uint32_t a = qo::pixel_alpha(px);
      const float f = 1.0f + strength * n(static_cast<float>(x), static_cast<float>(y));
      const auto channel = [&](uint32_t c) {
        return static_cast<uint32_t>(std::clamp(std::lround(static_cast<float>(c) * f), 0L, static_cast<long>(a)));
      };
      row[x] = qo::pack_argb(a, channel(qo::pixel_red(px)), channel(qo::pixel_green(px)), channel(qo::pixel_blue(px)));
    }
  }
}

}  // namespace art
