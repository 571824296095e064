#include "gfx/pixel_copy.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/canvas.h"
#include "gfx/fatal.h"

namespace qo {

void copy_scaled_pixel_rect(const Pixmap& source, std::span<uint8_t> target, const RectF& rect, float scale) {
  const uint32_t left = saturating_u32(std::floor(rect.x * scale));
  const uint32_t top = saturating_u32(std::floor(rect.y * scale));
  const uint32_t right = std::min(saturating_u32(std::ceil((rect.x + rect.w) * scale)), source.width());
  const uint32_t bottom = std::min(saturating_u32(std::ceil((rect.y + rect.h) * scale)), source.height());
  // A rectangle starting right of the frame (or with nothing left after cutting) copies nothing.
  if (bottom <= top || right <= left) return;

  const size_t stride = source.stride();
  const size_t span_bytes = size_t{right - left} * 4;
  const size_t last_end = size_t{bottom - 1} * stride + size_t{right} * 4;
  if (last_end > target.size()) gfx_fatal("pixel copy target shorter than the frame");
  const uint8_t* src = source.bytes().data();
  for (uint32_t y = top; y < bottom; ++y) {
    const size_t offset = size_t{y} * stride + size_t{left} * 4;
    std::memcpy(target.data() + offset, src + offset, span_bytes);
  }
}

}  // namespace qo
