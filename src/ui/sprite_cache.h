#pragma once
// Finished text and soft shadows, kept as pixels. Drawing a line of text rasterises every glyph outline, and a
// shadow is a blur, both far dearer than copying the result; the element layers repaint the same texts and
// shadows at the same places again and again (a hover changes one colour), so each is kept, keyed by everything
// that decides its pixels, and placed again with the one pixmap composite its drawing ends with. For text that
// is face, size, letter spacing, text, colour, scale and the pen's sub-pixel position; for a shadow its colour,
// size, radius, blur and scale (its pixels do not depend on where it goes).
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/pixmap.h"
#include "gfx/rasterizer.h"
#include "text/font.h"

namespace qo {

struct TextSprite {
  Pixmap pixels;            // the line's coverage in its colour, premultiplied
  int32_t left = 0;         // device offset of the pixmap from the pen's whole-pixel position
  int32_t top = 0;          // and from the baseline's
  float width = 0.0f;       // the shaped run's advance, logical px
  bool has_pixels = false;  // false for a line without glyphs
};

// Faces are told apart by the Font object's address: the state's fonts never change after construction, and the
// cache travels with the state, so an address always names the same slot and face. Whoever replaces a state's
// fonts empties its cache.
struct SpriteCache {
  std::unordered_map<std::string, TextSprite> texts;
  std::unordered_map<std::string, Pixmap> shadows;
};

// More entries than this in one map (a hover fade makes a new colour per frame) empties that map.
inline constexpr size_t SPRITE_CACHE_LIMIT = 512;

// Draws one line with its pen at logical x and its baseline at logical `baseline`, through the cache; returns the
// run's width.
float draw_cached_text(SpriteCache& cache, Canvas& canvas, const Font& font, float size, float letter_spacing, float x,
                       float baseline, std::string_view text, const Color& color);

// draw_soft_shadow (same arguments, blur in logical px) through the cache.
void draw_cached_soft_shadow(SpriteCache& cache, Canvas& canvas, const Color& color, float x, float y, float w, float h,
                             float radius, float blur, const Mask* mask = nullptr);

}  // namespace qo
