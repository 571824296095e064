#pragma once
// The main screen's palette and the small colour and text helpers every painter of the window shares.
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "gfx/canvas.h"
#include "gfx/color.h"
#include "gfx/geometry.h"
#include "gfx/paint.h"
#include "gfx/pixmap.h"
#include "text/font.h"
#include "ui/sprite_cache.h"

namespace qo {

// A colour from 8-bit channels and a straight alpha 0..1.
constexpr Color rgb8(uint8_t r, uint8_t g, uint8_t b, float a = 1.0f) {
  return Color{r / 255.0f, g / 255.0f, b / 255.0f, a};
}

inline constexpr Color COLOR_GOLD = rgb8(0xD9, 0xA8, 0x45);
inline constexpr Color COLOR_BRIGHT = rgb8(0xF6, 0xF2, 0xE6);
inline constexpr Color COLOR_MUTED = rgb8(0xB6, 0xBA, 0xAE);
inline constexpr Color COLOR_DIM = rgb8(0x76, 0x7C, 0x72);
inline constexpr Color COLOR_PANEL = rgb8(0x0E, 0x14, 0x12);
inline constexpr Color COLOR_PALE_GOLD = rgb8(0xF2, 0xD2, 0x8A);  // eyebrows, the clock and settings icons
inline constexpr Color COLOR_CREAM = rgb8(0xF6, 0xE4, 0xB4);      // the subtitle and hovered news titles
inline constexpr Color COLOR_LINE = rgb8(255, 255, 255, 18 / 255.0f);
inline constexpr Color COLOR_EDGE = rgb8(255, 255, 255, 33 / 255.0f);
inline constexpr Color COLOR_DANGER = rgb8(0xEF, 0x44, 0x44);
inline constexpr Color COLOR_ONLINE = rgb8(0x22, 0xC5, 0x5E);

// round(clamp(k * v, 0, 1) * 255) / 255: the alpha steps the painters work in (NaN gives 0).
float alpha_of(float k, float v = 1.0f);

// The colour with its alpha replaced.
Color with_alpha(Color color, float alpha);

// Premultiplied linear interpolation from `a` (t = 0) to `b` (t = 1); with both opaque a plain lerp.
Color mix(const Color& a, const Color& b, float t);

// A hover amount clamped to 0..1 and passed through the ease curve the window's fades use.
float eased_hover(float amount);

// The gold gradient of bars, switches and highlights: 135 degrees over the box, #F2CB66 to #B88024, both stops
// at `alpha`.
Shader gold_gradient(float x, float y, float w, float h, float alpha = 1.0f);

// Width in logical pixels of the shaped text.
float text_width(const Font& font, float size, float letter_spacing, std::string_view text);

// Draws one line with its pen at x and its top at `top` (the baseline lies the font's rounded ascender below),
// through the cache of finished lines; returns the run's width.
float draw_text(SpriteCache& cache, Canvas& canvas, const Font& font, float size, float letter_spacing, float x,
                float top, std::string_view text, const Color& color);

struct RoundRect {
  float x = 0.0f;
  float y = 0.0f;
  float w = 0.0f;
  float h = 0.0f;
  float radius = 0.0f;
};

// Paint that must stay inside rounded rectangles: `draw` paints onto a transparent canvas covering only `area`
// (on the target's pixel grid), given an anti-aliased mask of the rectangles at that canvas's size, and the result
// is composited onto the target. Masks the size of a whole layer would cost a pass over every pixel of it.
void draw_clipped(Canvas& target, const RectF& area, std::span<const RoundRect> clip,
                  const std::function<void(Canvas&, const Mask&)>& draw);

}  // namespace qo
