#include "ui/paint_style.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "gfx/gradient.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"
#include "text/shaping.h"
#include "ui/easing.h"

namespace qo {

float alpha_of(float k, float v) {
  const float x = k * v;
  if (!(x > 0.0f)) return 0.0f;
  return std::round(std::min(x, 1.0f) * 255.0f) / 255.0f;
}

Color with_alpha(Color color, float alpha) {
  color.a = alpha;
  return color;
}

Color mix(const Color& a, const Color& b, float t) {
  const float alpha = a.a + (b.a - a.a) * t;
  if (!(alpha > 0.0f)) return COLOR_TRANSPARENT;
  const auto channel = [&](float ca, float cb) {
    return std::clamp((ca * a.a + (cb * b.a - ca * a.a) * t) / alpha, 0.0f, 1.0f);
  };
  return Color{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b), std::clamp(alpha, 0.0f, 1.0f)};
}

float eased_hover(float amount) {
  if (!(amount > 0.0f)) return 0.0f;
  return css_ease(std::min(amount, 1.0f));
}

Shader gold_gradient(float x, float y, float w, float h, float alpha) {
  const std::array<ColorStop, 2> stops{{{0.0f, rgb8(0xF2, 0xCB, 0x66, alpha)}, {1.0f, rgb8(0xB8, 0x80, 0x24, alpha)}}};
  return build_linear_gradient(stops, x, y, w, h, 135.0f);
}

float text_width(const Font& font, float size, float letter_spacing, std::string_view text) {
  return shape_line(font, size, letter_spacing, text, false).width;
}

float draw_text(SpriteCache& cache, Canvas& canvas, const Font& font, float size, float letter_spacing, float x,
                float top, std::string_view text, const Color& color) {
  return draw_cached_text(cache, canvas, font, size, letter_spacing, x, top + baseline_offset(font, size), text, color);
}

void draw_clipped(Canvas& target, const RectF& area, std::span<const RoundRect> clip,
                  const std::function<void(Canvas&, const Mask&)>& draw) {
  const float s = target.scale;
  const auto device_edge = [s](float logical, float origin, float limit, bool up) {
    const float v = (logical - origin) * s;
    return std::clamp(up ? std::ceil(v) : std::floor(v), 0.0f, limit);
  };
  const float width = static_cast<float>(target.pixmap.width());
  const float height = static_cast<float>(target.pixmap.height());
  const float left = device_edge(area.x, target.origin_x, width, false);
  const float top = device_edge(area.y, target.origin_y, height, false);
  const float right = device_edge(area.x + area.w, target.origin_x, width, true);
  const float bottom = device_edge(area.y + area.h, target.origin_y, height, true);
  if (!(right > left && bottom > top)) return;

  Canvas part = Canvas::make(static_cast<uint32_t>(right - left), static_cast<uint32_t>(bottom - top),
                             target.origin_x + left / s, target.origin_y + top / s, s);
  Mask mask = Mask::make(part.pixmap.width(), part.pixmap.height());
  for (const RoundRect& r : clip)
    if (const auto path = rounded_rect_path(r.x, r.y, r.w, r.h, r.radius))
      fill_mask_path(mask, *path, FillRule::Winding, true, part.transform());
  draw(part, mask);
  draw_pixmap(target.pixmap, static_cast<int>(left), static_cast<int>(top), part.pixmap, PixmapPaint{},
              Transform::identity());
}

}  // namespace qo
