#include "ui/main_painter.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "gfx/gradient.h"
#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"
#include "gfx/shapes.h"
#include "icons/builtin_icons.h"
#include "text/shaping.h"
#include "ui/layout.h"
#include "ui/paint_style.h"
#include "ui/tween.h"
#include "ui/ui_state.h"
#include "ui/widgets.h"

namespace qo {
namespace {

constexpr float PANEL_X = 678.0f;
constexpr float PANEL_WIDTH = 404.0f;
constexpr float CONTENT_LEFT = 695.0f;
constexpr float CONTENT_RIGHT = 1065.0f;
constexpr Color HEADER_SHADE = rgb8(0x06, 0x0A, 0x09, 199 / 255.0f);
constexpr Color PLAY_INK = rgb8(0x1A, 0x12, 0x00);
constexpr std::array<Color, 3> INFO_VALUE_PALETTE = {rgb8(0xE6, 0xE2, 0xD4), rgb8(0x86, 0xEF, 0xAC),
                                                     rgb8(0xFC, 0xD3, 0x4D)};

// The eased hover amount of a region (no fade recorded: 0).
float hover(const UiState& ui, HitKind kind, uint32_t index = 0) {
  const auto fade = ui.hover_fades.find(Hover{kind, index});
  return fade == ui.hover_fades.end() ? 0.0f : eased_hover(fade->second);
}

Color accent_color(const NewsRow& row, float alpha = 1.0f) {
  return rgb8(row.color[0], row.color[1], row.color[2], alpha);
}

void fill_box(Canvas& canvas, const Color& color, float x0, float y0, float x1, float y1) {
  fill_rect(canvas.pixmap, RectF{x0, y0, x1 - x0, y1 - y0}, solid_paint(color), canvas.transform());
}

// A glass panel's tint and edge.
void draw_panel_frame(Canvas& canvas, float y, float height, float fill_alpha) {
  fill_round_rect(canvas, solid_paint(with_alpha(COLOR_PANEL, fill_alpha)), PANEL_X, y, PANEL_WIDTH, height, 16.0f);
  stroke_round_rect(canvas, COLOR_LINE, PANEL_X, y, PANEL_WIDTH, height, 16.0f);
}

const Icon& header_icon(const UiState& ui, uint32_t kind) {
  switch (kind) {
    case HEADER_ICON_DISCORD:
      return ui.icons.icon_chat;
    case HEADER_ICON_RANKING:
      return ui.icons.icon_trophy;
    case HEADER_ICON_SHOP:
      return ui.icons.icon_gem;
    case HEADER_ICON_OPTIONS:
      return ui.icons.icon_sun_small;
    default:
      return ui.icons.icon_globe;
  }
}

// ---- header ----

void draw_header_item(const UiState& ui, Canvas& canvas, const HeaderItem& item, uint32_t index) {
  const float base = item.clickable ? 1.0f : 0.45f;
  const float h = hover(ui, HitKind::HIT_HEADER_LINK, index);
  if (h > 0.0f)
    fill_round_rect(canvas, solid_paint(with_alpha(COLOR_WHITE, alpha_of(0.05f * h, base))), item.x, 12.5f, item.width,
                    32.0f, 8.0f);
  const Color c = with_alpha(mix(COLOR_MUTED, COLOR_BRIGHT, h), base);
  draw_icon(canvas, header_icon(ui, item.icon), item.x + 13.0f, 20.5f, 16.0f, ICON_VIEW_SIZE, c, 1.6f);
  draw_text(ui.sprites, canvas, ui.fonts.manrope_medium, 13.5f, 0.0f, item.x + 36.0f, 19.5f, item.text, c);
}

void draw_server_status(const UiState& ui, Canvas& canvas) {
  const MainLayout& layout = ui.layout;
  Color dot = COLOR_DIM;
  Color text = COLOR_MUTED;
  if (!ui.server_status_text.empty()) {  // empty: no probe answer yet
    dot = text = ui.server_online ? COLOR_ONLINE : COLOR_DANGER;
  }
  fill_round_rect(canvas, solid_paint(rgb8(255, 255, 255, 8 / 255.0f)), layout.status_x, 12.5f, layout.status_width,
                  32.0f, 16.0f);
  stroke_round_rect(canvas, COLOR_EDGE, layout.status_x, 12.5f, layout.status_width, 32.0f, 16.0f);
  fill_circle(canvas, dot, layout.status_x + 16.5f, 28.5f, 3.5f);
  draw_text(ui.sprites, canvas, ui.fonts.manrope_semibold, 12.5f, 0.0f, layout.status_x + 27.0f, 20.0f,
            ui.server_status_text, text);
}

void draw_window_buttons(const UiState& ui, Canvas& canvas) {
  const MainLayout& layout = ui.layout;
  const float h = hover(ui, HitKind::HIT_MINIMIZE);
  if (h > 0.0f) {
    fill_round_rect(canvas, solid_paint(with_alpha(COLOR_WHITE, alpha_of(0.05f, h))), layout.minimize_x, 12.5f, 34.0f,
                    32.0f, 10.0f);
    stroke_round_rect(canvas, with_alpha(COLOR_WHITE, alpha_of(0.13f, h)), layout.minimize_x, 12.5f, 34.0f, 32.0f,
                      10.0f);
  }
  fill_box(canvas, mix(COLOR_MUTED, COLOR_BRIGHT, h), layout.minimize_x + 11.0f, 30.5f, layout.minimize_x + 23.0f,
           32.5f);
  draw_rounded_button_box(canvas, ui.icons.icon_close, layout.close_x, 12.5f, hover(ui, HitKind::HIT_CLOSE), true);
}

// ---- right-hand column ----

void draw_news_row(const UiState& ui, Canvas& canvas, const NewsRow& row, uint32_t index) {
  if (!row.first) fill_box(canvas, COLOR_LINE, CONTENT_LEFT, row.y, CONTENT_RIGHT, row.y + 1.0f);
  const float p = row.y + (row.first ? 2.0f : 8.0f);
  if (!row.tag.empty()) {  // no tag, no pill
    fill_round_rect(canvas, solid_paint(accent_color(row, 46 / 255.0f)), CONTENT_LEFT, p, row.tag_pill_width, 20.0f,
                    6.0f);
    stroke_round_rect(canvas, accent_color(row, alpha_of(0.4f)), CONTENT_LEFT, p, row.tag_pill_width, 20.0f, 6.0f);
    const Color accent = accent_color(row);
    const Color tag_ink{accent.r * 0.45f + 0.55f, accent.g * 0.45f + 0.55f, accent.b * 0.45f + 0.55f, 1.0f};
    draw_text(ui.sprites, canvas, ui.fonts.manrope_bold, 10.0f, 0.4f, 704.0f, p + 3.0f, row.tag, tag_ink);
  }
  draw_text(ui.sprites, canvas, ui.fonts.manrope_semibold, 12.5f, 0.0f, CONTENT_LEFT, p + 22.0f, row.title,
            mix(COLOR_BRIGHT, COLOR_CREAM, hover(ui, HitKind::HIT_NEWS_ROW, index)));
  if (!row.date.empty())
    draw_text(ui.sprites, canvas, ui.fonts.manrope_regular, 11.0f, 0.0f, CONTENT_RIGHT - row.date_width, p + 12.4375f,
              row.date, COLOR_DIM);
}

void draw_info_values(const UiState& ui, Canvas& canvas, const std::vector<std::string>& values, float top) {
  const Font& bold = ui.fonts.manrope_bold;
  if (values.size() == 1) {
    const float w = text_width(bold, 12.0f, 0.0f, values[0]);
    draw_text(ui.sprites, canvas, bold, 12.0f, 0.0f, CONTENT_RIGHT - w, top, values[0], COLOR_BRIGHT);
    return;
  }
  std::vector<float> widths;
  float total = 0.0f;
  for (const std::string& value : values) total += widths.emplace_back(text_width(bold, 12.0f, 0.0f, value));
  const Font& regular = ui.fonts.manrope_regular;
  const float gap = text_width(regular, 12.0f, 0.0f, "|") + 14.0f;
  float x = CONTENT_RIGHT - (total + static_cast<float>(values.size() - 1) * gap);
  for (size_t k = 0; k < values.size(); ++k) {
    if (k > 0) {
      draw_text(ui.sprites, canvas, regular, 12.0f, 0.0f, x - gap + 7.0f, top, "|", with_alpha(COLOR_WHITE, 0.2f));
    }
    draw_text(ui.sprites, canvas, bold, 12.0f, 0.0f, x, top, values[k], INFO_VALUE_PALETTE[k % 3]);
    x += widths[k] + gap;
  }
}

void draw_info_row(const UiState& ui, Canvas& canvas, const InfoRow& row) {
  if (!row.first) fill_box(canvas, COLOR_LINE, CONTENT_LEFT, row.y, CONTENT_RIGHT, row.y + 1.0f);
  const float top = row.y + (row.first ? 2.0f : 6.0f);
  draw_text(ui.sprites, canvas, ui.fonts.manrope_regular, 12.0f, 0.0f, CONTENT_LEFT, top, row.label, COLOR_MUTED);
  draw_info_values(ui, canvas, row.values, top);
}

// ---- footer ----

// The inside of the footer panel's border: the highlight and the play button's glow stay within it.
constexpr RoundRect FOOTER_INSIDE{19.0f, 541.0f, 1062.0f, 102.0f, 15.0f};

void draw_footer_frame(Canvas& canvas) {
  fill_round_rect(canvas, solid_paint(with_alpha(COLOR_PANEL, 230 / 255.0f)), 18.0f, 540.0f, 1064.0f, 104.0f, 16.0f);
  stroke_round_rect(canvas, COLOR_LINE, 18.0f, 540.0f, 1064.0f, 104.0f, 16.0f);
  draw_clipped(
      canvas, RectF{19.0f, 641.0f, 1062.0f, 2.0f}, std::span(&FOOTER_INSIDE, 1), [](Canvas& part, const Mask& inside) {
        fill_rect(part.pixmap, RectF{19.0f, 641.0f, 1062.0f, 2.0f},
                  shader_paint(gold_gradient(19.0f, 641.0f, 1062.0f, 2.0f, 179 / 255.0f)), part.transform(), &inside);
      });
}

void draw_progress_block(const UiState& ui, Canvas& canvas) {
  const FontSet& fonts = ui.fonts;
  const double now = ui.ui_clock;
  const float main_value = tween_value(ui.progress_main, now);
  const std::string percent = fmt::format("{}%", static_cast<long>(std::lround(main_value)));
  const float percent_width = text_width(fonts.urbanist_extrabold, 15.0f, 0.0f, percent);
  draw_text(ui.sprites, canvas, fonts.urbanist_extrabold, 15.0f, 0.0f, 611.0f - percent_width, 558.0f, percent,
            COLOR_BRIGHT);

  // The status line gives way to the percentage; the speed text takes what room is left after it.
  const float text_right = 611.0f - percent_width - 10.0f;
  const std::string status = fit_text_ellipsis(fonts.manrope_semibold, 13.0f, text_right - 39.0f, ui.status_text);
  const float status_width =
      draw_text(ui.sprites, canvas, fonts.manrope_semibold, 13.0f, 0.0f, 39.0f, 558.0f, status, COLOR_BRIGHT);
  const float speed_x = 39.0f + status_width + 10.0f;
  if (!ui.speed_text.empty() && text_right - speed_x > 0.0f) {
    const std::string speed = fit_text_ellipsis(fonts.manrope_regular, 12.0f, text_right - speed_x, ui.speed_text);
    draw_text(ui.sprites, canvas, fonts.manrope_regular, 12.0f, 0.0f, speed_x, 559.0f, speed, COLOR_DIM);
  }
  draw_progress_bar(canvas, true, 583.0f, 9.0f, main_value / 100.0f, &ui.sprites);

  constexpr std::string_view file_label = "Arquivo: ";
  const float label_width =
      draw_text(ui.sprites, canvas, fonts.manrope_regular, 11.5f, 0.0f, 39.0f, 601.0f, file_label, COLOR_DIM);
  const std::string file =
      fit_text_ellipsis(fonts.manrope_medium, 11.5f, PROGRESS_TRACK_WIDTH - label_width, ui.detail_text);
  draw_text(ui.sprites, canvas, fonts.manrope_medium, 11.5f, 0.0f, 39.0f + label_width, 601.0f, file, COLOR_MUTED);
  draw_progress_bar(canvas, false, 621.0f, 5.0f, tween_value(ui.progress_stage, now) / 100.0f);
}

void draw_options_block(const UiState& ui, Canvas& canvas) {
  const FontSet& fonts = ui.fonts;
  draw_text(ui.sprites, canvas, fonts.manrope_regular, 12.5f, 0.0f, 633.0f, 561.5f, "Modo janela", COLOR_MUTED);
  draw_toggle_switch(canvas, ui.windowed, 765.0f, 559.5f, tween_value(ui.windowed_knob, ui.ui_clock));

  const float h = hover(ui, HitKind::HIT_SETTINGS_BUTTON);
  fill_round_rect(canvas, solid_paint(with_alpha(COLOR_GOLD, alpha_of(0.08f, h))), 633.0f, 590.5f, 170.0f, 34.0f,
                  10.0f);
  stroke_round_rect(canvas, mix(COLOR_EDGE, COLOR_GOLD, h), 633.0f, 590.5f, 170.0f, 34.0f, 10.0f);
  constexpr std::string_view label = "Configurações";
  const float icon_x = 633.0f + (170.0f - (text_width(fonts.manrope_medium, 13.0f, 0.0f, label) + 23.0f)) / 2.0f;
  draw_icon(canvas, ui.icons.icon_sun_small, icon_x, 600.0f, 15.0f, ICON_VIEW_SIZE, COLOR_PALE_GOLD, 1.8f);
  draw_text(ui.sprites, canvas, fonts.manrope_medium, 13.0f, 0.0f, icon_x + 23.0f, 598.5f, label, COLOR_BRIGHT);
}

// The play button's glow and body when armed, lifted by the hover.
void draw_armed_play_body(const UiState& ui, Canvas& canvas, float h) {
  const float top = 556.0f - h;
  const float glow_alpha = std::round(std::clamp(0.4f + 0.15f * h, 0.0f, 1.0f) * 255.0f) / 255.0f;
  const float blur = (24.0f + 6.0f * h) / 2.0f;
  const float glow_top = top + 8.0f + 2.0f * h;
  const float margin = soft_shadow_margin(blur);
  const RectF glow_area{825.0f - margin, glow_top - margin, 240.0f + 2.0f * margin, 72.0f + 2.0f * margin};
  draw_clipped(canvas, glow_area, std::span(&FOOTER_INSIDE, 1), [&](Canvas& part, const Mask& inside) {
    draw_cached_soft_shadow(ui.sprites, part, with_alpha(COLOR_GOLD, glow_alpha), 825.0f, glow_top, 240.0f, 72.0f,
                            14.0f, blur, &inside);
  });
  const float k = 1.0f + 0.08f * h;
  const auto lit = [k](float c) { return std::min(c * k, 255.0f) / 255.0f; };
  const std::array<ColorStop, 2> stops{
      {{0.0f, Color{lit(242), lit(203), lit(102), 1.0f}}, {1.0f, Color{lit(184), lit(128), lit(36), 1.0f}}}};
  fill_round_rect(canvas, shader_paint(build_linear_gradient(stops, 825.0f, top, 240.0f, 72.0f, 135.0f)), 825.0f, top,
                  240.0f, 72.0f, 14.0f);
}

void draw_play_button(const UiState& ui, Canvas& canvas) {
  float h = 0.0f;
  Color ink = COLOR_DIM;
  if (ui.play_armed) {
    h = hover(ui, HitKind::HIT_PLAY);
    draw_armed_play_body(ui, canvas, h);
    ink = PLAY_INK;
  } else {
    fill_round_rect(canvas, solid_paint(COLOR_LINE), 825.0f, 556.0f, 240.0f, 72.0f, 14.0f);
    stroke_round_rect(canvas, COLOR_EDGE, 825.0f, 556.0f, 240.0f, 72.0f, 14.0f);
  }
  const Font& label_font = ui.fonts.urbanist_extrabold;
  const float label_width = text_width(label_font, 25.0f, 1.5f, PLAY_LABEL);
  const float icon_x = 825.0f + (240.0f - (label_width + 30.0f)) / 2.0f;
  draw_icon(canvas, ui.icons.icon_play, icon_x, 574.0f - h, 22.0f, ICON_VIEW_SIZE, ink, 0.0f);
  draw_text(ui.sprites, canvas, label_font, 25.0f, 1.5f, icon_x + 30.0f, 569.5f - h, PLAY_LABEL, ink);

  const Font& caption_font = ui.fonts.arial ? *ui.fonts.arial : ui.fonts.manrope_regular;
  const float caption_width = text_width(caption_font, 11.5f, 0.0f, ui.play_caption);
  draw_text(ui.sprites, canvas, caption_font, 11.5f, 0.0f, 945.0f - caption_width / 2.0f, 599.5f - h, ui.play_caption,
            with_alpha(ink, alpha_of(0.85f)));
}

}  // namespace

void paint_header_layer(UiState& ui) {
  Canvas& canvas = ui.element_layers.header;
  canvas.pixmap.clear();
  const MainLayout& layout = ui.layout;
  fill_box(canvas, HEADER_SHADE, 0.0f, 0.0f, 1100.0f, 58.0f);
  fill_box(canvas, COLOR_LINE, 0.0f, 57.0f, 1100.0f, 58.0f);
  const float s = canvas.scale;
  blend_pixmap_opacity(canvas.pixmap, ui.layers.crest_glow, 1.0f,
                       round_to_i32(3.0f * s) - round_to_i32(canvas.origin_x * s),
                       round_to_i32(-3.5f * s) - round_to_i32(canvas.origin_y * s));
  draw_text(ui.sprites, canvas, ui.fonts.manrope_bold, 15.0f, 0.3f, 62.0f, 18.0f, BRAND_TEXT, COLOR_BRIGHT);
  for (size_t i = 0; i < layout.header_items.size(); ++i)
    draw_header_item(ui, canvas, layout.header_items[i], static_cast<uint32_t>(i));
  draw_server_status(ui, canvas);
  draw_window_buttons(ui, canvas);
}

void paint_right_column_layer(UiState& ui) {
  Canvas& canvas = ui.element_layers.right_column;
  canvas.pixmap.clear();
  const MainLayout& layout = ui.layout;
  const FontSet& fonts = ui.fonts;
  draw_panel_frame(canvas, 70.0f, layout.news_panel_height, 224 / 255.0f);
  draw_section_label(canvas, ui, CONTENT_LEFT, 82.0f, 10.0f, "NOVIDADES");
  draw_text(ui.sprites, canvas, fonts.urbanist_bold, 17.0f, 0.0f, CONTENT_LEFT, 99.0f, "Últimas notícias",
            COLOR_BRIGHT);
  const Color see_all = mix(COLOR_MUTED, COLOR_BRIGHT, hover(ui, HitKind::HIT_SEE_ALL_NEWS));
  draw_text(ui.sprites, canvas, fonts.manrope_regular, 12.0f, 0.0f, layout.see_all_x, 102.0f, SEE_ALL_TEXT, see_all);
  draw_icon(canvas, ui.icons.icon_arrow, 1052.0f, 104.0f, 13.0f, ICON_VIEW_SIZE, see_all, 2.0f);
  for (size_t i = 0; i < layout.news_rows.size(); ++i)
    draw_news_row(ui, canvas, layout.news_rows[i], static_cast<uint32_t>(i));

  draw_panel_frame(canvas, layout.server_panel_y, layout.server_panel_height, 224 / 255.0f);
  draw_section_label(canvas, ui, CONTENT_LEFT, layout.server_panel_y + 12.0f, 10.0f, "SERVIDOR");
  draw_text(ui.sprites, canvas, fonts.urbanist_bold, 17.0f, 0.0f, CONTENT_LEFT, layout.server_panel_y + 29.0f,
            "Informações", COLOR_BRIGHT);
  for (const InfoRow& row : layout.info_rows) draw_info_row(ui, canvas, row);
}

void paint_footer_layer(UiState& ui) {
  Canvas& canvas = ui.element_layers.footer;
  canvas.pixmap.clear();
  draw_footer_frame(canvas);
  draw_progress_block(ui, canvas);
  draw_options_block(ui, canvas);
  draw_play_button(ui, canvas);
}

void draw_main_screen(UiState& ui) {
  ElementLayers& layers = ui.element_layers;
  if (layers.header_stale) {
    paint_header_layer(ui);
    layers.header_stale = false;
  }
  if (layers.right_column_stale) {
    paint_right_column_layer(ui);
    layers.right_column_stale = false;
  }
  if (ui.redraw_needed) {
    paint_footer_layer(ui);
    ui.redraw_needed = false;
  }
}

}  // namespace qo
