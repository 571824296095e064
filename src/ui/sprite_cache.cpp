#include "ui/sprite_cache.h"

#include <bit>
#include <cmath>

#include "gfx/paint.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"
#include "text/glyph_drawing.h"
#include "text/shaping.h"

namespace qo {
namespace {

void append_bits(std::string& key, float v) {
  const uint32_t bits = std::bit_cast<uint32_t>(v);
  key.append(reinterpret_cast<const char*>(&bits), sizeof bits);
}

std::string sprite_key(const Font& font, float size, float letter_spacing, std::string_view text, const Color& color,
                       float scale, float frac_x, float frac_y) {
  std::string key;
  key.reserve(48 + text.size());
  const auto font_id = reinterpret_cast<uintptr_t>(&font);
  key.append(reinterpret_cast<const char*>(&font_id), sizeof font_id);
  for (float v : {size, letter_spacing, color.r, color.g, color.b, color.a, scale, frac_x, frac_y}) append_bits(key, v);
  key.append(text);
  return key;
}

// The line drawn alone with its pen at (pad + frac_x, pad + frac_y) device pixels of a scratch canvas, cut to the
// glyph box: its pixels depend only on the key. The pad keeps the box (ascender and margins above the
// baseline, a few pixels left of the pen) inside the scratch canvas.
TextSprite render_sprite(const Font& font, float size, float letter_spacing, std::string_view text, const Color& color,
                         float scale, float frac_x, float frac_y) {
  TextSprite sprite;
  const GlyphRun run = shape_line(font, size, letter_spacing, text, false);
  sprite.width = run.width;
  if (run.glyphs.empty()) return sprite;
  const auto pad_x = static_cast<int32_t>(std::ceil(4.0f * scale)) + 4;
  const auto pad_y = static_cast<int32_t>(std::ceil((2.0f * size + 4.0f) * scale)) + 4;
  const float pen_x = (static_cast<float>(pad_x) + frac_x) / scale;
  const float pen_y = (static_cast<float>(pad_y) + frac_y) / scale;
  const Canvas probe = Canvas::make(1, 1, 0.0f, 0.0f, scale);
  const std::optional<GlyphLayerBox> box = glyph_layer_box(probe, font, pen_x, pen_y, run);
  if (!box || box->left < 0 || box->top < 0) return sprite;  // cannot happen with the pads above
  Canvas scratch = Canvas::make(static_cast<uint32_t>(box->left) + box->width,
                                static_cast<uint32_t>(box->top) + box->height, 0.0f, 0.0f, scale);
  draw_glyph_run(scratch, font, pen_x, pen_y, run, solid_paint(color));
  sprite.pixels = Pixmap::make(box->width, box->height);
  for (uint32_t y = 0; y < box->height; ++y) {
    const uint32_t* from = scratch.pixmap.row(static_cast<uint32_t>(box->top) + y) + box->left;
    std::copy(from, from + box->width, sprite.pixels.row(y));
  }
  sprite.has_pixels = true;
  sprite.left = box->left - pad_x;
  sprite.top = box->top - pad_y;
  return sprite;
}

template <typename Value>
void make_room(std::unordered_map<std::string, Value>& map) {
  if (map.size() >= SPRITE_CACHE_LIMIT) map.clear();
}

}  // namespace

float draw_cached_text(SpriteCache& cache, Canvas& canvas, const Font& font, float size, float letter_spacing, float x,
                       float baseline, std::string_view text, const Color& color) {
  const float device_x = (x - canvas.origin_x) * canvas.scale;
  const float device_y = (baseline - canvas.origin_y) * canvas.scale;
  const float whole_x = std::floor(device_x);
  const float whole_y = std::floor(device_y);
  if (!std::isfinite(whole_x) || !std::isfinite(whole_y)) return 0.0f;
  const float frac_x = device_x - whole_x;
  const float frac_y = device_y - whole_y;

  std::string key = sprite_key(font, size, letter_spacing, text, color, canvas.scale, frac_x, frac_y);
  auto found = cache.texts.find(key);
  if (found == cache.texts.end()) {
    make_room(cache.texts);
    found = cache.texts
                .emplace(std::move(key),
                         render_sprite(font, size, letter_spacing, text, color, canvas.scale, frac_x, frac_y))
                .first;
  }
  const TextSprite& sprite = found->second;
  if (color.a > 0.0f && sprite.has_pixels)
    draw_pixmap(canvas.pixmap, saturating_i32(whole_x) + sprite.left, saturating_i32(whole_y) + sprite.top,
                sprite.pixels, PixmapPaint{1.0f, BlendMode::SourceOver, FilterQuality::Nearest}, Transform::identity());
  return sprite.width;
}

void draw_cached_soft_shadow(SpriteCache& cache, Canvas& canvas, const Color& color, float x, float y, float w, float h,
                             float radius, float blur, const Mask* mask) {
  const float margin = soft_shadow_margin(blur);
  std::string key;
  for (float v : {color.r, color.g, color.b, color.a, w, h, radius, blur, canvas.scale}) append_bits(key, v);
  auto found = cache.shadows.find(key);
  if (found == cache.shadows.end()) {
    // Drawn alone on a transparent canvas that is exactly the shadow's own layer: the pixels are that layer's.
    Canvas alone = Canvas::make(device_size(w + 2.0f * margin, canvas.scale),
                                device_size(h + 2.0f * margin, canvas.scale), -margin, -margin, canvas.scale);
    draw_soft_shadow(alone, color, 0.0f, 0.0f, w, h, radius, blur);
    make_room(cache.shadows);
    found = cache.shadows.emplace(std::move(key), std::move(alone.pixmap)).first;
  }
  const DevicePosition at = soft_shadow_layer_position(canvas, x, y, blur);
  draw_pixmap(canvas.pixmap, at.x, at.y, found->second, PixmapPaint{}, Transform::identity(), mask);
}

}  // namespace qo
