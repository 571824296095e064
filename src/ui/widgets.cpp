#include "ui/widgets.h"

#include <algorithm>
#include <cmath>

#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"
#include "icons/builtin_icons.h"
#include "ui/paint_style.h"
#include "ui/ui_state.h"
#include "util/unicode_case.h"

namespace qo {
namespace {

constexpr float COUNTDOWN_BOX_HEIGHT = 68.5f;
constexpr float COUNTDOWN_CENTER_X = 330.0f;
constexpr float SUBTITLE_PILL_HEIGHT = 27.0f;
// Room around a shape's geometry for its anti-aliased edges and strokes and for glyphs reaching past their box.
constexpr float REACH_MARGIN = 4.0f;
// Width the caption row under the countdown boxes never exceeds (its widest form is about 400 px).
constexpr float COUNTDOWN_CAPTION_REACH = 640.0f;

void draw_countdown_boxes(const UiState& ui, Canvas& canvas, float x, float y, float opacity,
                          const std::array<float, 4>& widths) {
  const Font& label_font = ui.fonts.manrope_regular;
  const float label_baseline = y + 44.5f + baseline_offset(label_font, 9.5f);
  const Color panel = with_alpha(COLOR_PANEL, alpha_of(0.85f, opacity));
  const Color border = with_alpha(COLOR_WHITE, alpha_of(0.07f, opacity));
  const float ao = alpha_of(opacity);

  std::array<RoundRect, 4> insides;
  float xk = x;
  for (size_t k = 0; k < widths.size(); ++k) {
    const float wk = widths[k];
    fill_round_rect(canvas, solid_paint(panel), xk, y, wk, COUNTDOWN_BOX_HEIGHT, 12.0f);
    stroke_round_rect(canvas, border, xk, y, wk, COUNTDOWN_BOX_HEIGHT, 12.0f);
    insides[k] = RoundRect{xk + 1.0f, y + 1.0f, wk - 2.0f, 66.5f, 11.0f};
    xk += wk + COUNTDOWN_BOX_GAP;
  }
  // The gold highlights along the boxes' bottoms, kept inside their rounded corners.
  const float row_width = xk - COUNTDOWN_BOX_GAP - x;
  draw_clipped(canvas, RectF{x, y + 65.5f, row_width, 2.0f}, insides, [&](Canvas& part, const Mask& inside) {
    float left = x;
    for (const float wk : widths) {
      fill_rect(part.pixmap, RectF{left + 1.0f, y + 65.5f, wk - 2.0f, 2.0f},
                shader_paint(gold_gradient(left + 1.0f, y + 65.5f, wk - 2.0f, 2.0f, ao)), part.transform(), &inside);
      left += wk + COUNTDOWN_BOX_GAP;
    }
  });
  xk = x;
  for (size_t k = 0; k < widths.size(); ++k) {
    const float wk = widths[k];
    // The label's glyphs are size 9 but its baseline is placed for 9.5.
    const float label_width = text_width(label_font, 9.0f, 0.95f, COUNTDOWN_UNIT_LABELS[k]);
    draw_cached_text(ui.sprites, canvas, label_font, 9.0f, 0.95f, xk + (wk - label_width) / 2.0f, label_baseline,
                     COUNTDOWN_UNIT_LABELS[k], with_alpha(COLOR_DIM, ao));
    xk += wk + COUNTDOWN_BOX_GAP;
  }
}

void draw_countdown_caption(const UiState& ui, Canvas& canvas, float y, float opacity) {
  constexpr std::string_view lead = "Abertura em";
  constexpr std::string_view trail = "· horário de Brasília";
  const Font& regular = ui.fonts.manrope_regular;
  const Font& bold = ui.fonts.manrope_bold;
  const float a = text_width(regular, 12.5f, 0.0f, lead);
  const float c = text_width(bold, 12.5f, 0.0f, ui.opening_caption);
  const float s = text_width(regular, 12.5f, 0.0f, trail);
  const float j = COUNTDOWN_CENTER_X - (20.0f + a + 6.0f + c + 6.0f + s) / 2.0f;
  const float ao = alpha_of(opacity);
  const float top = y + 78.5f;
  draw_icon(canvas, ui.icons.icon_clock, j, y + 80.0f, 14.0f, ICON_VIEW_SIZE, with_alpha(COLOR_PALE_GOLD, ao), 2.0f);
  draw_text(ui.sprites, canvas, regular, 12.5f, 0.0f, j + 20.0f, top, lead, with_alpha(COLOR_MUTED, ao));
  draw_text(ui.sprites, canvas, bold, 12.5f, 0.0f, j + 26.0f + a, top, ui.opening_caption,
            with_alpha(COLOR_BRIGHT, ao));
  draw_text(ui.sprites, canvas, regular, 12.5f, 0.0f, j + 32.0f + a + c, top, trail, with_alpha(COLOR_MUTED, ao));
}

}  // namespace

void draw_countdown(const UiState& ui, Canvas& canvas, float x, float y, float opacity,
                    const std::array<float, 4>& box_widths) {
  if (!(opacity > 0.0f)) return;
  draw_countdown_boxes(ui, canvas, x, y, opacity, box_widths);
  draw_countdown_caption(ui, canvas, y, opacity);
}

RectF countdown_reach(float x, float y, float row_width) {
  // The caption row, centred under the boxes, holds fixed words and a date of fixed form ("05 de dezembro ·
  // 20h"), far narrower than the picture area: the block reaches across the area's width or the boxes' row.
  const float left = std::min(x, COUNTDOWN_CENTER_X - COUNTDOWN_CAPTION_REACH / 2.0f) - REACH_MARGIN;
  const float right = std::max(x + row_width, COUNTDOWN_CENTER_X + COUNTDOWN_CAPTION_REACH / 2.0f) + REACH_MARGIN;
  return RectF{left, y - REACH_MARGIN, right - left, COUNTDOWN_BLOCK_HEIGHT + 2.0f * REACH_MARGIN};
}

RectF subtitle_pill_reach(float x, float y, float width) {
  // The glow dot's square spans logical -12..18 around (x + 2, y - 1.5).
  return RectF{x - 10.0f - REACH_MARGIN, y - 13.5f - REACH_MARGIN, width + 20.0f + 2.0f * REACH_MARGIN,
               SUBTITLE_PILL_HEIGHT + 13.5f + 2.0f * REACH_MARGIN};
}

void draw_subtitle_pill(const UiState& ui, Canvas& canvas, float x, float y, float width, float opacity) {
  if (!(opacity > 0.0f)) return;
  fill_round_rect(canvas, solid_paint(with_alpha(COLOR_GOLD, alpha_of(0.12f, opacity))), x, y, width, 27.0f, 13.5f);
  stroke_round_rect(canvas, with_alpha(COLOR_GOLD, alpha_of(0.45f, opacity)), x, y, width, 27.0f, 13.5f);
  // The glow-dot image is prepared at the canvas's scale: placed pixel for pixel, not scaled again.
  draw_image_scaled(ui.layers.glow_dot.pixmap, canvas.pixmap, (x + 2.0f - canvas.origin_x) * canvas.scale,
                    (y - 1.5f - canvas.origin_y) * canvas.scale, 1.0f, 1.0f, opacity, true, full_clip(canvas.pixmap));
  draw_text(ui.sprites, canvas, ui.fonts.manrope_semibold, 11.5f, 0.0f, x + 28.0f, y + 6.0f, SUBTITLE_TEXT,
            with_alpha(COLOR_CREAM, alpha_of(opacity)));
}

void draw_section_label(Canvas& canvas, const UiState& ui, float x, float y, float size, std::string_view text) {
  const Font& bold = ui.fonts.manrope_bold;
  const float ascent = std::round(size * bold.ascender() / bold.units_per_em());
  const float descent = std::round(size * bold.descender() / bold.units_per_em());
  const float bar_top = y + (ascent + descent - 1.5f) / 2.0f;
  fill_rect(canvas.pixmap, RectF{x, bar_top, 16.0f, 1.5f}, solid_paint(COLOR_PALE_GOLD), canvas.transform());
  draw_text(ui.sprites, canvas, bold, size, 0.14f * size, x + 23.0f, y, unicode_uppercase(text), COLOR_PALE_GOLD);
}

void draw_progress_bar(Canvas& canvas, bool glow, float y, float height, float fraction, SpriteCache* cache) {
  const float radius = height / 2.0f;
  fill_round_rect(canvas, solid_paint(rgb8(255, 255, 255, 18 / 255.0f)), PROGRESS_TRACK_X, y, PROGRESS_TRACK_WIDTH,
                  height, radius);
  const float w = std::clamp(fraction, 0.0f, 1.0f) * PROGRESS_TRACK_WIDTH;
  if (!(w > 0.0f)) return;  // NaN included
  if (glow) {               // kept inside the track
    const RoundRect track{PROGRESS_TRACK_X, y, PROGRESS_TRACK_WIDTH, height, radius};
    draw_clipped(
        canvas, RectF{track.x, track.y, track.w, track.h}, std::span(&track, 1), [&](Canvas& part, const Mask& inside) {
          const Color glow_color = with_alpha(COLOR_GOLD, 140 / 255.0f);
          if (cache)
            draw_cached_soft_shadow(*cache, part, glow_color, PROGRESS_TRACK_X, y, w, height, radius, 6.0f, &inside);
          else
            draw_soft_shadow(part, glow_color, PROGRESS_TRACK_X, y, w, height, radius, 6.0f, &inside);
        });
  }
  fill_round_rect(canvas, shader_paint(gold_gradient(PROGRESS_TRACK_X, y, w, height)), PROGRESS_TRACK_X, y, w, height,
                  std::min(radius, w / 2.0f));
}

void draw_toggle_switch(Canvas& canvas, bool on, float x, float y, float knob_position) {
  if (on) {
    fill_round_rect(canvas, shader_paint(gold_gradient(x, y, 38.0f, 21.0f)), x, y, 38.0f, 21.0f, 10.5f);
  } else {
    fill_round_rect(canvas, solid_paint(rgb8(255, 255, 255, 31 / 255.0f)), x, y, 38.0f, 21.0f, 10.5f);
    stroke_round_rect(canvas, COLOR_EDGE, x, y, 38.0f, 21.0f, 10.5f);
  }
  fill_circle(canvas, COLOR_WHITE, x + 10.5f + 17.0f * knob_position, y + 10.5f, 7.5f);
}

void draw_rounded_button_box(Canvas& canvas, const Icon& icon, float x, float y, float hover, bool danger_variant) {
  Color icon_color;
  if (danger_variant) {
    if (hover > 0.0f) {
      fill_round_rect(canvas, solid_paint(with_alpha(COLOR_DANGER, alpha_of(0.2f, hover))), x, y, 34.0f, 32.0f, 10.0f);
      stroke_round_rect(canvas, with_alpha(COLOR_DANGER, alpha_of(0.6f, hover)), x, y, 34.0f, 32.0f, 10.0f);
    }
    icon_color = mix(COLOR_MUTED, COLOR_WHITE, hover);
  } else {
    if (hover > 0.0f) {
      fill_round_rect(canvas, solid_paint(with_alpha(COLOR_WHITE, alpha_of(0.05f, hover))), x, y, 34.0f, 32.0f, 10.0f);
      stroke_round_rect(canvas, with_alpha(COLOR_WHITE, alpha_of(0.13f, hover)), x, y, 34.0f, 32.0f, 10.0f);
    }
    icon_color = mix(COLOR_MUTED, COLOR_BRIGHT, hover);
  }
  draw_icon(canvas, icon, x + 11.5f, y + 10.5f, 11.0f, CLOSE_ICON_VIEW_SIZE, icon_color, 1.6f);
}

void fill_circle(Canvas& canvas, const Color& color, float cx, float cy, float r) {
  if (const auto path = circle_path(cx, cy, r))
    fill_path(canvas.pixmap, *path, solid_paint(color), FillRule::Winding, canvas.transform());
}

}  // namespace qo
