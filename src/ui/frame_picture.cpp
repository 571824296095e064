// The picture area's moving parts, drawn on the canvas over the restored base every frame and kept inside that
// area whatever the pictures and texts: sparks, the subtitle pill, the rune, the floating logo and the countdown;
// and the server dot's pulse in the header strip.
#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "gfx/image_affine.h"
#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"
#include "ui/easing.h"
#include "ui/frame_parts.h"
#include "ui/layers.h"
#include "ui/paint_style.h"
#include "ui/rune.h"
#include "ui/sparks.h"
#include "ui/stage_timers.h"
#include "ui/widgets.h"

namespace qo {
namespace {

// The centred column over the picture: pill, logo, countdown block, with these gaps (logical px).
constexpr float PILL_HEIGHT = 27.0f;
constexpr float PILL_TO_LOGO = 18.0f;
constexpr float LOGO_TO_COUNTDOWN = 22.0f;
constexpr float COLUMN_CENTRE_X = 330.0f;
constexpr float PILL_RISE = 12.0f;
constexpr float PILL_CACHE_MARGIN = 12.0f;

constexpr float RUNE_FORWARD_PERIOD = 60.0f;
constexpr float RUNE_BACKWARD_PERIOD = 90.0f;

constexpr std::string_view SERVER_OPEN_TEXT = "O servidor está aberto!";

struct PictureColumn {
  float top = 0.0f;
  float logo_height = 0.0f;
  float logo_top() const { return top + PILL_HEIGHT + PILL_TO_LOGO; }
  float countdown_top() const { return logo_top() + logo_height + LOGO_TO_COUNTDOWN; }
};

PictureColumn picture_column(const UiState& ui) {
  const ScaledLayers& layers = ui.layers;
  const float pad = static_cast<float>(layers.logo_glow_pad);
  const float logo_height = std::max(static_cast<float>(layers.logo_glow_height) - 2.0f * pad, 0.0f) / ui.scale;
  const float height = PILL_HEIGHT + PILL_TO_LOGO + logo_height + LOGO_TO_COUNTDOWN + COUNTDOWN_BLOCK_HEIGHT;
  return PictureColumn{PICTURE_AREA.y + (PICTURE_AREA.h - height) / 2.0f, logo_height};
}

float fractional(double x) { return static_cast<float>(x - std::floor(x)); }

// ---- keeping inside the picture area ----

ClipRect device_reach(const RectF& reach, float scale) {
  return ClipRect{saturating_i32(std::floor(reach.x * scale)), saturating_i32(std::floor(reach.y * scale)),
                  saturating_i32(std::ceil((reach.x + reach.w) * scale)),
                  saturating_i32(std::ceil((reach.y + reach.h) * scale))};
}

void copy_pixel_block(const Pixmap& from, int32_t from_x, int32_t from_y, Pixmap& to, int32_t to_x, int32_t to_y,
                      uint32_t width, uint32_t height) {
  for (uint32_t row = 0; row < height; ++row)
    std::copy_n(from.row(static_cast<uint32_t>(from_y) + row) + from_x, width,
                to.row(static_cast<uint32_t>(to_y) + row) + to_x);
}

// Runs `paint` (which draws onto the canvas it is given) so that no pixel outside the picture area changes.
// When `reach`, the logical rectangle the drawing can touch, lies inside the area, it draws on the window canvas
// itself; otherwise on a copy of the canvas where reach and area meet, which is then put back.
template <class Paint>
void draw_inside_picture_area(UiState& ui, const RectF& reach, Paint&& paint) {
  const ClipRect& area = ui.layers.picture_area.clip;
  const ClipRect r = device_reach(reach, ui.scale);
  if (r.x0 >= area.x0 && r.y0 >= area.y0 && r.x1 <= area.x1 && r.y1 <= area.y1) {
    paint(ui.canvas);
    return;
  }
  const ClipRect canvas_clip = full_clip(ui.canvas.pixmap);
  const int32_t x0 = std::max({r.x0, area.x0, canvas_clip.x0});
  const int32_t y0 = std::max({r.y0, area.y0, canvas_clip.y0});
  const int32_t x1 = std::min({r.x1, area.x1, canvas_clip.x1});
  const int32_t y1 = std::min({r.y1, area.y1, canvas_clip.y1});
  if (x0 >= x1 || y0 >= y1) return;
  const auto width = static_cast<uint32_t>(x1 - x0);
  const auto height = static_cast<uint32_t>(y1 - y0);
  Canvas part = Canvas::make(width, height, static_cast<float>(x0) / ui.scale, static_cast<float>(y0) / ui.scale,
                             ui.scale);
  copy_pixel_block(ui.canvas.pixmap, x0, y0, part.pixmap, 0, 0, width, height);
  paint(part);
  copy_pixel_block(part.pixmap, 0, 0, ui.canvas.pixmap, x0, y0, width, height);
}

// ---- sparks ----

void draw_sparks(UiState& ui) {
  const float s = ui.scale;
  const ClipRect& clip = ui.layers.picture_area.clip;
  for (const SparkParticle& spark : ui.sparks) {
    if (!spark.sprite) continue;
    const float half = (spark_sprite_margin(spark.size) + spark.size * 0.5f);
    draw_image_scaled(*spark.sprite, ui.canvas.pixmap, (spark.draw_x - half) * s, (spark.draw_y - half) * s, 1.0f,
                      1.0f, spark.alpha, true, clip);
  }
}

// ---- subtitle pill ----

int64_t sixty_fourths(float v) { return static_cast<int64_t>(std::llround(static_cast<double>(v) * 64.0)); }

void draw_pill_cached(UiState& ui, float x, float y, float width) {
  FrameLayers& frame = ui.frame;
  const int64_t kx = sixty_fourths(x);
  const int64_t ky = sixty_fourths(y);
  if (!frame.pill || frame.pill_key_x != kx || frame.pill_key_y != ky) {
    Canvas pill = make_aligned_layer(x - PILL_CACHE_MARGIN, y - PILL_CACHE_MARGIN, width + 2.0f * PILL_CACHE_MARGIN,
                                     PILL_HEIGHT + 2.0f * PILL_CACHE_MARGIN, ui.scale);
    // The layer keeps the pill's pixels: its text is not kept a second time in the cache.
    const PassingTexts passing(ui.sprites);
    draw_subtitle_pill(ui, pill, x, y, width, 1.0f);
    // Only its visible part is kept (about half the margined layer), placed at the layer's device position.
    VisiblePart part = visible_part(pill.pixmap);
    part.x += round_to_i32(pill.origin_x * pill.scale);
    part.y += round_to_i32(pill.origin_y * pill.scale);
    frame.pill = std::move(part);
    frame.pill_key_x = kx;
    frame.pill_key_y = ky;
  }
  const VisiblePart& pill = *frame.pill;
  blend_row_trimmed(ui.canvas.pixmap, pill.pixels, 1.0f, pill.x, pill.y, ui.layers.picture_area.clip);
}

void draw_pill(UiState& ui, const PictureColumn& column) {
  const double e = intro_elapsed(ui);
  if (!(e > 0.0)) return;
  const float o = intro_ramp(e, 0.0, 0.6);
  if (!(o > 0.0f)) return;
  const float width = ui.layout.subtitle_pill_width;
  const float x = COLUMN_CENTRE_X - width / 2.0f;
  const float y = column.top + (1.0f - o) * PILL_RISE;
  if (o < 1.0f) {
    // Rising and fading in: its text has another place and colour every frame, so none is kept.
    const PassingTexts passing(ui.sprites);
    draw_inside_picture_area(ui, subtitle_pill_reach(x, y, width),
                             [&](Canvas& canvas) { draw_subtitle_pill(ui, canvas, x, y, width, o); });
  } else {
    draw_pill_cached(ui, x, y, width);
  }
}

// ---- logo ----

// -4 .. +4 logical px over an 8-second cycle, eased at both ends.
float logo_float_offset(double ui_clock) {
  const double x = ui_clock * 0.25;
  const double n = std::floor(x);
  const float phase = std::fmod(n, 2.0) == 0.0 ? static_cast<float>(x - n) : static_cast<float>(1.0 - (x - n));
  return 8.0f * ease_in_out(phase) - 4.0f;
}

// The glow image (which holds the logo) through its sub-pixel copies: copy k is k/4 device pixel lower. Each copy
// is kept as its visible part (its rows trimmed to their pixels with alpha), drawn at its offset in the whole copy.
void draw_logo(UiState& ui, const PictureColumn& column) {
  const float opacity = intro_ramp(intro_elapsed(ui), 0.15, 0.7);
  if (!(opacity > 0.0f)) return;
  const ScaledLayers& layers = ui.layers;
  const float s = ui.scale;
  const float centre = column.logo_top() + column.logo_height / 2.0f + logo_float_offset(ui.ui_clock);
  const float glow_height = static_cast<float>(layers.logo_glow_height) / s;
  const float top = (centre - glow_height / 2.0f) * s;
  const float row = std::floor(top);
  const auto k = static_cast<size_t>(std::clamp(std::floor((top - row) * 4.0f), 0.0f, 3.0f));
  const float left = COLUMN_CENTRE_X * s - static_cast<float>(layers.logo_glow_width) / 2.0f;
  const VisiblePart& copy = layers.logo_glow_copies[k];
  const auto shifted = [](int32_t at, int32_t by) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{at} + by, INT32_MIN, INT32_MAX));
  };
  blend_row_trimmed(ui.canvas.pixmap, copy.pixels, opacity, shifted(round_to_i32(left), copy.x),
                    shifted(saturating_i32(row), copy.y), layers.picture_area.clip);
}

// ---- countdown ----

struct CountdownTexts {
  std::array<std::string, 4> values;
  bool open = false;
};

CountdownTexts countdown_texts(int64_t target_ms, int64_t now_ms) {
  CountdownTexts texts;
  const int64_t left_ms = target_ms - now_ms;
  if (left_ms <= 0) {
    texts.open = true;
    return texts;
  }
  const int64_t seconds = left_ms / 1000;
  const std::array<int64_t, 4> parts{seconds / 86400, seconds / 3600 % 24, seconds / 60 % 60, seconds % 60};
  for (size_t k = 0; k < parts.size(); ++k) texts.values[k] = fmt::format("{:02}", parts[k]);
  return texts;
}

void draw_countdown_values(UiState& ui, const CountdownTexts& texts, float opacity) {
  const Font& value_font = ui.fonts.urbanist_extrabold;
  const Font& label_font = ui.fonts.manrope_regular;
  const float y = picture_column(ui).countdown_top();
  std::array<float, 4> widths{};
  std::array<float, 4> value_widths{};
  for (size_t k = 0; k < widths.size(); ++k) {
    value_widths[k] = text_width(value_font, 25.0f, 0.0f, texts.values[k]);
    const float label_width = text_width(label_font, 9.5f, 0.95f, COUNTDOWN_UNIT_LABELS[k]);
    widths[k] = std::max(70.0f, std::max(value_widths[k], label_width) + 14.0f);
  }
  const float total = widths[0] + widths[1] + widths[2] + widths[3] + 3.0f * COUNTDOWN_BOX_GAP;
  const float x = COLUMN_CENTRE_X - total / 2.0f;
  draw_inside_picture_area(ui, countdown_reach(x, y, total), [&](Canvas& canvas) {
    draw_countdown(ui, canvas, x, y, opacity, widths);
    const Color ink = with_alpha(COLOR_BRIGHT, alpha_of(opacity));
    float box = x;
    for (size_t k = 0; k < widths.size(); ++k) {
      draw_text(ui.sprites, canvas, value_font, 25.0f, 0.0f, box + (widths[k] - value_widths[k]) / 2.0f, y + 9.0f,
                texts.values[k], ink);
      box += widths[k] + COUNTDOWN_BOX_GAP;
    }
  });
}

void draw_server_open(UiState& ui, float opacity) {
  const Font& font = ui.fonts.urbanist_bold;
  const float width = text_width(font, 22.0f, 0.0f, SERVER_OPEN_TEXT);
  const float y = picture_column(ui).countdown_top();
  const float x = COLUMN_CENTRE_X - width / 2.0f;
  // Within the countdown block's rows, so within its reach.
  draw_inside_picture_area(ui, countdown_reach(x, y, width), [&](Canvas& canvas) {
    draw_text(ui.sprites, canvas, font, 22.0f, 0.0f, x, y + 20.0f, SERVER_OPEN_TEXT,
              with_alpha(COLOR_PALE_GOLD, alpha_of(opacity)));
  });
}

void draw_countdown_block(UiState& ui) {
  const float opacity = intro_ramp(intro_elapsed(ui), 0.3, 0.6);
  if (!(opacity > 0.0f)) return;
  const CountdownTexts texts = countdown_texts(ui.opening_target_ms, ui.clock.wall_ms());
  // While it fades in, its texts have another colour every frame: none is kept.
  std::optional<PassingTexts> passing;
  if (opacity < 1.0f) passing.emplace(ui.sprites);
  if (texts.open)
    draw_server_open(ui, opacity);
  else
    draw_countdown_values(ui, texts, opacity);
}

}  // namespace

// ---- rune ----

void draw_rune(UiState& ui) {
  const float fade = intro_ramp(intro_elapsed(ui), 0.2, 1.2);
  if (!(fade > 0.0f)) return;
  const float forward = fractional(ui.ui_clock / RUNE_FORWARD_PERIOD) * 360.0f;
  const float backward = -fractional(ui.ui_clock / RUNE_BACKWARD_PERIOD) * 360.0f;
  const SparseImage& rune = ui.layers.rune;
  const ClipRect& clip = ui.layers.picture_area.clip;
  draw_image_affine(rune, ui.canvas.pixmap, rune_layer_transform(ui.scale, forward), 0.8f * fade, clip);
  draw_image_affine(rune, ui.canvas.pixmap, rune_layer_transform(ui.scale, backward), 0.45f * fade, clip);
}

void draw_picture_area(UiState& ui) {
  const PictureColumn column = picture_column(ui);
  timed_stage(FrameStage::Sparks, [&] { draw_sparks(ui); });
  draw_pill(ui, column);
  timed_stage(FrameStage::Rune, [&] { draw_rune(ui); });
  timed_stage(FrameStage::Logo, [&] { draw_logo(ui, column); });
  timed_stage(FrameStage::Countdown, [&] { draw_countdown_block(ui); });
}

void draw_header_pulse(UiState& ui) {
  if (!ui.server_online || ui.server_status_text.empty()) return;
  const float q = fractional((ui.ui_clock - ui.online_since) / 2.0);
  const float alpha = 0.45f * (1.0f - q);
  const auto ring = circle_path(ui.layout.status_x + 16.5f, 28.5f, 3.5f + 7.0f * q);
  if (!ring || !(alpha > 0.0f)) return;
  fill_path(ui.canvas.pixmap, *ring, solid_paint(with_alpha(COLOR_ONLINE, alpha)), FillRule::Winding,
            ui.canvas.transform());
}

}  // namespace qo
