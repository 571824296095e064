#pragma once

#include <cstdint>

#include "gfx/geometry.h"
#include "gfx/pixmap.h"

namespace qo {

// A drawing target: a pixmap plus the logical point that maps to device pixel (0, 0) and the number of device
// pixels per logical pixel. Logical (x, y) lands on device ((x - origin_x) * scale, (y - origin_y) * scale).
struct Canvas {
  Pixmap pixmap;
  float origin_x = 0.0f;
  float origin_y = 0.0f;
  float scale = 1.0f;

  // A transparent canvas of the given device size (0 raised to 1).
  static Canvas make(uint32_t device_width, uint32_t device_height, float origin_x, float origin_y, float scale);
  // A transparent canvas that covers the logical rectangle (origin_x, origin_y, logical_w, logical_h).
  static Canvas make_logical(float origin_x, float origin_y, float logical_w, float logical_h, float scale);

  // The logical-to-device transform every drawing operation of the toolkit uses.
  Transform transform() const;
};

Transform canvas_transform(const Canvas& canvas);

// Device size of a logical length: ceil(logical * scale) as u32, saturating (negative and NaN give 0).
uint32_t device_size(float logical, float scale);

// Float-to-integer conversions that saturate at the target type's range and read NaN as 0.
int32_t saturating_i32(float v);
uint32_t saturating_u32(float v);
// Rounded half away from zero, then saturated.
int32_t round_to_i32(float v);

}  // namespace qo
