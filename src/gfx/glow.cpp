#include "gfx/glow.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "gfx/blur.h"
#include "gfx/fatal.h"
#include "gfx/rasterizer.h"

namespace qo {

namespace {

float unit_or_zero(float v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); }

uint32_t tint_byte(float v) {
  const float scaled = v * 255.0f + 0.5f;
  if (std::isnan(scaled)) return 0;
  return static_cast<uint32_t>(std::clamp(scaled, 0.0f, 255.0f));
}

// Premultiplied tint bytes: alpha, red, green, blue.
std::array<uint32_t, 4> tint_of(const Color& c) {
  float r = c.r, g = c.g, b = c.b, a = c.a;
  if (a != 1.0f) {
    r = unit_or_zero(r * a);
    g = unit_or_zero(g * a);
    b = unit_or_zero(b * a);
    a = unit_or_zero(a);
  }
  return {tint_byte(a), tint_byte(r), tint_byte(g), tint_byte(b)};
}

Pixmap tinted_silhouette(const Pixmap& current, const std::array<uint32_t, 4>& tint) {
  Pixmap out = Pixmap::make(current.width(), current.height());
  const auto src = current.pixels();
  const auto dst = out.pixels();
  for (size_t i = 0; i < src.size(); ++i) {
    const uint32_t alpha = src[i] >> 24;
    uint32_t word = 0;
    for (uint32_t t : tint) word = (word << 8) | ((alpha * t + 127) / 255);
    dst[i] = word;
  }
  return out;
}

uint32_t padded(uint32_t size, uint32_t pad) {
  const uint64_t total = uint64_t{size} + 2 * uint64_t{pad};
  if (total > PIXMAP_MAX_WIDTH) gfx_fatal("glow image too large");
  return static_cast<uint32_t>(total);
}

}  // namespace

Pixmap make_glow_image(const Pixmap& image, std::span<const GlowLayer> layers, uint32_t pad) {
  Pixmap current = Pixmap::make(padded(image.width(), pad), padded(image.height(), pad));
  const PixmapPaint over{1.0f, BlendMode::SourceOver, FilterQuality::Nearest};
  draw_pixmap(current, static_cast<int>(pad), static_cast<int>(pad), image, over, Transform::identity());
  for (const GlowLayer& layer : layers) {
    Pixmap silhouette = tinted_silhouette(current, tint_of(layer.color));
    gaussian_blur(silhouette, layer.blur);
    draw_pixmap(silhouette, 0, 0, current, over, Transform::identity());
    current = std::move(silhouette);
  }
  return current;
}

}  // namespace qo
