#include "gfx/icon.h"

#include "gfx/rasterizer.h"

namespace qo {

Transform icon_transform(const Canvas& canvas, float x, float y, float size, float view_size) {
  const float k = size / view_size;
  return canvas.transform().pre_translate(x, y).pre_scale(k, k);
}

void draw_icon(Canvas& canvas, const Icon& icon, float x, float y, float size, float view_size,
               const Color& color, float stroke_width) {
  const Transform ts = icon_transform(canvas, x, y, size, view_size);
  const Paint paint = solid_paint(color);
  if (icon.fill) fill_path(canvas.pixmap, *icon.fill, paint, FillRule::Winding, ts);
  if (icon.stroke) {
    Stroke stroke;
    stroke.width = stroke_width;
    stroke.miter_limit = 4.0f;
    stroke.line_cap = LineCap::Butt;
    stroke.line_join = LineJoin::Miter;
    stroke_path(canvas.pixmap, *icon.stroke, paint, stroke, ts);
  }
}

}  // namespace qo
