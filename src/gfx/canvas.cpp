#include "gfx/canvas.h"

#include <cmath>
#include <limits>

namespace qo {

int32_t saturating_i32(float v) {
  if (std::isnan(v)) return 0;
  if (v <= -2147483648.0f) return std::numeric_limits<int32_t>::min();
  if (v >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(v);
}

uint32_t saturating_u32(float v) {
  if (std::isnan(v) || v <= 0.0f) return 0;
  if (v >= 4294967296.0f) return std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(v);
}

int32_t round_to_i32(float v) { return saturating_i32(std::round(v)); }

uint32_t device_size(float logical, float scale) { return saturating_u32(std::ceil(logical * scale)); }

Canvas Canvas::make(uint32_t device_width, uint32_t device_height, float origin_x, float origin_y, float scale) {
  return Canvas{Pixmap::make(device_width, device_height), origin_x, origin_y, scale};
}

Canvas Canvas::make_logical(float origin_x, float origin_y, float logical_w, float logical_h, float scale) {
  return make(device_size(logical_w, scale), device_size(logical_h, scale), origin_x, origin_y, scale);
}

Transform Canvas::transform() const {
  return Transform::from_row(scale, 0.0f, 0.0f, scale, -origin_x * scale, -origin_y * scale);
}

Transform canvas_transform(const Canvas& canvas) { return canvas.transform(); }

}  // namespace qo
