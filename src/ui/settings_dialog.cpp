#include "ui/settings_dialog.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <utility>

#include "gfx/blur.h"
#include "gfx/gradient.h"
#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"
#include "gfx/resample.h"
#include "gfx/shapes.h"
#include "icons/builtin_icons.h"
#include "text/shaping.h"
#include "ui/paint_style.h"
#include "ui/pointer.h"
#include "ui/tween.h"
#include "ui/widgets.h"
#include "util/text.h"

namespace qo {
namespace {

constexpr float PANEL_RADIUS = 18.0f;
constexpr float PANEL_HEIGHT = 524.0f;
constexpr float CONTENT_LEFT = 335.0f;
constexpr float CONTENT_RIGHT = 765.0f;
constexpr float BOX_X = 475.0f;
constexpr float BOX_WIDTH = 290.0f;
constexpr float BOX_HEIGHT = 34.0f;
constexpr float VALUE_MAX_WIDTH = 244.0f;
constexpr float VOLUME_TRACK_X = 477.0f;
constexpr float VOLUME_TRACK_WIDTH = 238.0f;
constexpr float VOLUME_KNOB_START = 484.5f;
constexpr float VOLUME_KNOB_TRAVEL = 223.0f;
constexpr uint32_t VOLUME_MAX = 10;
constexpr float KNOB_DURATION = 0.2f;

constexpr Color PANEL_FILL = rgb8(0x0F, 0x16, 0x14);
constexpr Color BOX_FILL = rgb8(0x0A, 0x10, 0x0E);
constexpr Color BACKDROP_SHADE = rgb8(0x03, 0x06, 0x05, 179 / 255.0f);
constexpr Color NOTICE_TEXT = rgb8(0xFC, 0xA5, 0xA5);
constexpr Color SAVE_INK = rgb8(0x1A, 0x12, 0x00);
constexpr Color LIST_FILL = rgb8(0x0C, 0x13, 0x11);

constexpr std::array<std::string_view, 4> SECTION_LABELS = {"TELA", "DESEMPENHO", "ÁUDIO", "IDIOMA"};
constexpr std::array<float, 4> SECTION_OFFSETS = {80.0f, 194.0f, 308.0f, 393.0f};

constexpr std::array<std::string_view, 20> BUILTIN_RESOLUTIONS = {
    "800x600",   "1024x768",  "1152x864",  "1280x768",  "1280x800",  "1280x960",  "1280x1024",
    "1366x768",  "1440x900",  "1600x900",  "1600x1200", "1680x1050", "1600x1280", "1910x970",
    "1920x1080", "1920x1200", "2560x1440", "2560x1600", "3440x1440", "3840x2160"};

std::vector<DialogOption> window_mode_options() {
  return {{"1", "Janela"}, {"0", "Janela sem borda"}, {"2", "Tela cheia"}};
}

std::vector<DialogOption> fps_options() {
  std::vector<DialogOption> options;
  for (size_t i = 0; i < FPS_LIMIT_CHOICES.size(); ++i) {
    const uint32_t limit = FPS_LIMIT_CHOICES[i];
    options.push_back({std::to_string(i), limit == 300 ? "300 FPS (padrão)" : fmt::format("{} FPS", limit)});
  }
  return options;
}

std::vector<DialogOption> renderer_options() {
  return {{"0", "OpenGL 2 (clássico)"}, {"1", "OpenGL 3 (recomendado)"}};
}

std::vector<DialogOption> language_options() {
  return {{"Por", "Português"}, {"Eng", "English"}, {"Spn", "Español"}};
}

// The language row's id for a stored code: the game keeps a code's spelling ("ENG"), the row's ids are "Eng" and
// the like. Without this the row would select its first language and a save would switch the player's language.
std::string language_id(const std::vector<DialogOption>& languages, const std::string& lang) {
  for (const DialogOption& option : languages)
    if (ascii_iequals(option.id, lang)) return option.id;
  return lang;
}

// Position of the first option whose id is `id` (byte for byte); 0 when none is.
uint32_t index_of_id(const std::vector<DialogOption>& options, const std::string& id) {
  const auto found = std::find_if(options.begin(), options.end(), [&](const DialogOption& o) { return o.id == id; });
  return found == options.end() ? 0 : static_cast<uint32_t>(found - options.begin());
}

// A knob at rest on its side.
Tween resting_knob(bool on) {
  const float side = on ? 1.0f : 0.0f;
  return Tween{side, side, -100.0, KNOB_DURATION};
}

// The snapshot halved, blurred, stretched back to its size and shaded: what the panel floats over.
Pixmap blurred_backdrop(const Pixmap& snapshot, float scale) {
  const uint32_t w = snapshot.width();
  const uint32_t h = snapshot.height();
  const uint32_t half_w = std::max(w / 2, 1u);
  const uint32_t half_h = std::max(h / 2, 1u);
  Pixmap half = resample_pixmap(snapshot, half_w, half_h);
  gaussian_blur(half, 3.0f * scale);
  Pixmap backdrop = Pixmap::make(w, h);
  draw_image_scaled(half, backdrop, 0.0f, 0.0f, static_cast<float>(w) / static_cast<float>(half_w),
                    static_cast<float>(h) / static_cast<float>(half_h), 1.0f, false, full_clip(backdrop));
  fill_rect(backdrop, RectF{0.0f, 0.0f, static_cast<float>(w), static_cast<float>(h)}, solid_paint(BACKDROP_SHADE),
            Transform::identity());
  return backdrop;
}

bool hovered(const UiState& ui, HitKind kind, uint32_t index = 0) {
  return ui.hover.kind == kind && ui.hover.index == index;
}

// Text centred on x, its top at `top`.
void draw_centred_text(const UiState& ui, Canvas& canvas, const Font& font, float size, float centre_x, float top,
                       std::string_view text, const Color& color) {
  const float width = text_width(font, size, 0.0f, text);
  draw_text(ui.sprites, canvas, font, size, 0.0f, centre_x - width / 2.0f, top, text, color);
}

// ---- the panel ----

void draw_panel_body(const UiState& ui, Canvas& canvas, float top, float height) {
  draw_cached_soft_shadow(ui.sprites, canvas, with_alpha(COLOR_BLACK, 0.6f), DIALOG_PANEL_X, top + 24.0f,
                          DIALOG_PANEL_WIDTH, height, PANEL_RADIUS, 30.0f);
  draw_cached_soft_shadow(ui.sprites, canvas, with_alpha(COLOR_GOLD, 64 / 255.0f), DIALOG_PANEL_X, top,
                          DIALOG_PANEL_WIDTH, height, PANEL_RADIUS, 25.0f);
  fill_round_rect(canvas, solid_paint(PANEL_FILL), DIALOG_PANEL_X, top, DIALOG_PANEL_WIDTH, height, PANEL_RADIUS);
  stroke_round_rect(canvas, COLOR_EDGE, DIALOG_PANEL_X, top, DIALOG_PANEL_WIDTH, height, PANEL_RADIUS);
  // The gold line along the top, kept inside the rounded corners.
  const RoundRect inside{311.0f, top + 1.0f, 478.0f, height - 2.0f, 17.0f};
  const RectF line{311.0f, top + 1.0f, 478.0f, 2.0f};
  draw_clipped(canvas, line, std::span(&inside, 1), [&](Canvas& part, const Mask& mask) {
    fill_rect(part.pixmap, line, shader_paint(gold_gradient(line.x, line.y, line.w, line.h)), part.transform(), &mask);
  });
}

void draw_heading(const UiState& ui, Canvas& canvas, float top) {
  draw_text(ui.sprites, canvas, ui.fonts.urbanist_bold, 19.0f, 0.0f, CONTENT_LEFT, top + 23.5f,
            "Configurações do jogo", COLOR_BRIGHT);
  // Drawn fully hovered or not at all: the dialog keeps no fades.
  draw_rounded_button_box(canvas, ui.icons.icon_close, 731.0f, top + 19.0f, hovered(ui, HIT_DIALOG_CLOSE) ? 1.0f : 0.0f,
                          false);
  fill_rect(canvas.pixmap, RectF{CONTENT_LEFT, top + 63.0f, CONTENT_RIGHT - CONTENT_LEFT, 1.0f},
            solid_paint(COLOR_LINE), canvas.transform());
  for (size_t i = 0; i < SECTION_LABELS.size(); ++i)
    draw_section_label(canvas, ui, CONTENT_LEFT, top + SECTION_OFFSETS[i], 10.5f, SECTION_LABELS[i]);
}

// The selected option's label, or nothing when the selection lies outside the list.
std::string_view selected_label(const SettingsDialogState& state, size_t row) {
  const auto& options = state.options[row];
  const uint32_t index = state.selected[row];
  return index < options.size() ? std::string_view(options[index].label) : std::string_view();
}

void draw_row(const UiState& ui, Canvas& canvas, const SettingsDialogState& state, uint32_t row, float top) {
  const float y = top + DIALOG_ROW_OFFSETS[row];
  draw_text(ui.sprites, canvas, ui.fonts.manrope_regular, 13.0f, 0.0f, CONTENT_LEFT, y + 8.0f, DIALOG_ROW_LABELS[row],
            COLOR_MUTED);
  const bool active = hovered(ui, HIT_DIALOG_ROW, row) || (state.list_open && state.open_row == row);
  fill_round_rect(canvas, solid_paint(BOX_FILL), BOX_X, y, BOX_WIDTH, BOX_HEIGHT, 10.0f);
  stroke_round_rect(canvas, active ? COLOR_GOLD : COLOR_EDGE, BOX_X, y, BOX_WIDTH, BOX_HEIGHT, 10.0f);
  const Font& font = ui.fonts.manrope_medium;
  const std::string value = fit_text_ellipsis(font, 13.0f, VALUE_MAX_WIDTH, selected_label(state, row));
  draw_text(ui.sprites, canvas, font, 13.0f, 0.0f, 490.0f, y + 8.0f, value, COLOR_BRIGHT);
  draw_icon(canvas, ui.icons.icon_chevron, 748.0f, y + 9.0f, 16.0f, ICON_VIEW_SIZE, COLOR_BRIGHT, 3.0f);
}

void draw_switches(const UiState& ui, Canvas& canvas, const SettingsDialogState& state, float top) {
  const Font& font = ui.fonts.manrope_regular;
  draw_text(ui.sprites, canvas, font, 12.5f, 0.0f, CONTENT_LEFT, top + 332.0f, "Efeitos sonoros", COLOR_MUTED);
  draw_toggle_switch(canvas, state.sound, 497.0f, top + 330.0f, tween_value(state.sound_knob, ui.ui_clock));
  draw_text(ui.sprites, canvas, font, 12.5f, 0.0f, 565.0f, top + 332.0f, "Música", COLOR_MUTED);
  draw_toggle_switch(canvas, state.music, 727.0f, top + 330.0f, tween_value(state.music_knob, ui.ui_clock));
}

void draw_volume(const UiState& ui, Canvas& canvas, const SettingsDialogState& state, float top) {
  const uint32_t level = std::min(state.volume, VOLUME_MAX);
  draw_text(ui.sprites, canvas, ui.fonts.manrope_regular, 13.0f, 0.0f, CONTENT_LEFT, top + 359.0f, "Volume",
            COLOR_MUTED);
  const std::string value = fmt::format("{}/10", level);
  const Font& semibold = ui.fonts.manrope_semibold;
  draw_text(ui.sprites, canvas, semibold, 13.0f, 0.0f, CONTENT_RIGHT - text_width(semibold, 13.0f, 0.0f, value),
            top + 359.0f, value, COLOR_MUTED);

  // The track: gold up to the level, faint white after it, with a hard edge between.
  const float f = static_cast<float>(level) / static_cast<float>(VOLUME_MAX);
  const Color faint = with_alpha(COLOR_WHITE, 26 / 255.0f);
  const std::array<ColorStop, 4> stops{{{0.0f, COLOR_GOLD}, {f, COLOR_GOLD}, {f, faint}, {1.0f, faint}}};
  const float track_y = top + 365.5f;
  if (const auto shader = make_linear_gradient(Point{VOLUME_TRACK_X, track_y},
                                               Point{VOLUME_TRACK_X + VOLUME_TRACK_WIDTH, track_y}, stops))
    fill_round_rect(canvas, shader_paint(*shader), VOLUME_TRACK_X, track_y, VOLUME_TRACK_WIDTH, 5.0f, 2.5f);

  const float cx = VOLUME_KNOB_START + f * VOLUME_KNOB_TRAVEL;
  const float cy = top + 368.0f;
  // A blurred gold disc under the knob (a round rectangle with half its side as radius is that disc).
  draw_cached_soft_shadow(ui.sprites, canvas, COLOR_GOLD, cx - 7.5f, cy - 7.5f, 15.0f, 15.0f, 7.5f, 4.0f);
  fill_circle(canvas, COLOR_GOLD, cx, cy, 7.5f);
  fill_circle(canvas, COLOR_WHITE, cx, cy, 5.5f);
}

void draw_notice(const UiState& ui, Canvas& canvas, const std::string& notice, float top) {
  fill_round_rect(canvas, solid_paint(with_alpha(COLOR_DANGER, 26 / 255.0f)), CONTENT_LEFT, top + 459.0f, 430.0f,
                  35.0f, 10.0f);
  stroke_round_rect(canvas, with_alpha(COLOR_DANGER, alpha_of(0.4f)), CONTENT_LEFT, top + 459.0f, 430.0f, 35.0f, 10.0f);
  const Font& font = ui.fonts.manrope_regular;
  draw_text(ui.sprites, canvas, font, 12.0f, 0.0f, 346.0f, top + 468.0f, fit_text_ellipsis(font, 12.0f, 408.0f, notice),
            NOTICE_TEXT);
}

void draw_buttons(const UiState& ui, Canvas& canvas, const SettingsDialogState& state, float bx) {
  const float h = hovered(ui, HIT_DIALOG_CANCEL) ? 1.0f : 0.0f;
  fill_round_rect(canvas, solid_paint(with_alpha(COLOR_GOLD, alpha_of(0.08f, h))), 535.0f, bx, 110.0f, 34.0f, 10.0f);
  stroke_round_rect(canvas, mix(COLOR_EDGE, COLOR_GOLD, h), 535.0f, bx, 110.0f, 34.0f, 10.0f);
  draw_centred_text(ui, canvas, ui.fonts.manrope_medium, 13.0f, 590.0f, bx + 8.0f, "Cancelar", COLOR_BRIGHT);

  if (hovered(ui, HIT_DIALOG_SAVE) && !state.saving)
    draw_cached_soft_shadow(ui.sprites, canvas, with_alpha(COLOR_GOLD, alpha_of(0.4f)), 655.0f, bx, 110.0f, 34.0f,
                            10.0f, 12.0f);
  const float a = state.saving ? 0.6f : 1.0f;
  fill_round_rect(canvas, shader_paint(gold_gradient(655.0f, bx, 110.0f, 34.0f, a)), 655.0f, bx, 110.0f, 34.0f, 10.0f);
  draw_centred_text(ui, canvas, ui.fonts.manrope_semibold, 13.0f, 710.0f, bx + 8.0f, "Salvar", with_alpha(SAVE_INK, a));
}

// ---- the value list ----

void draw_list_scrollbar(Canvas& canvas, const DialogListPlacement& list, size_t count) {
  const float track_top = list.first_item_y + 4.0f;
  const float track_h = static_cast<float>(list.visible) * DIALOG_LIST_ITEM_HEIGHT - 8.0f;
  const float thumb_h = std::max(track_h * static_cast<float>(list.visible) / static_cast<float>(count), 12.0f);
  const float travel = track_h - thumb_h;
  const float thumb_top =
      track_top + travel * static_cast<float>(list.scroll) / static_cast<float>(count - list.visible);
  fill_round_rect(canvas, solid_paint(COLOR_LINE), 757.0f, track_top, 3.0f, track_h, 1.5f);
  fill_round_rect(canvas, solid_paint(with_alpha(COLOR_GOLD, alpha_of(0.7f))), 757.0f, thumb_top, 3.0f, thumb_h, 1.5f);
}

// The shown row's choices over everything else: the hovered item lit, the selected one in gold with a dot.
void draw_value_list(const UiState& ui, Canvas& canvas, const SettingsDialogState& state) {
  const uint32_t row = state.open_row;
  const DialogListPlacement list = dialog_list_placement(state, row);
  if (list.visible == 0) return;
  const auto& options = state.options[row];
  const float list_h = static_cast<float>(list.visible) * DIALOG_LIST_ITEM_HEIGHT + 2.0f;
  const float list_y = list.first_item_y - 1.0f;
  draw_cached_soft_shadow(ui.sprites, canvas, with_alpha(COLOR_BLACK, 0.55f), BOX_X, list_y + 6.0f, BOX_WIDTH, list_h,
                          10.0f, 14.0f);
  fill_round_rect(canvas, solid_paint(LIST_FILL), BOX_X, list_y, BOX_WIDTH, list_h, 10.0f);
  stroke_round_rect(canvas, with_alpha(COLOR_GOLD, alpha_of(0.45f)), BOX_X, list_y, BOX_WIDTH, list_h, 10.0f);

  const Font& font = ui.fonts.manrope_medium;
  const bool scrolls = options.size() > list.visible;
  const float text_limit = VALUE_MAX_WIDTH - (scrolls ? 8.0f : 0.0f);
  for (uint32_t k = 0; k < list.visible; ++k) {
    const uint32_t index = list.scroll + k;
    const float y = list.first_item_y + static_cast<float>(k) * DIALOG_LIST_ITEM_HEIGHT;
    const bool lit = state.hovered_option == index;
    const bool chosen = state.selected[row] == index;
    if (lit)
      fill_round_rect(canvas, solid_paint(with_alpha(COLOR_GOLD, alpha_of(0.14f))), BOX_X + 3.0f, y + 1.0f,
                      BOX_WIDTH - (scrolls ? 15.0f : 6.0f), DIALOG_LIST_ITEM_HEIGHT - 2.0f, 7.0f);
    const Color ink = chosen ? COLOR_PALE_GOLD : (lit ? COLOR_BRIGHT : COLOR_MUTED);
    draw_text(ui.sprites, canvas, font, 13.0f, 0.0f, 490.0f, y + 3.0f,
              fit_text_ellipsis(font, 13.0f, text_limit, options[index].label), ink);
    if (chosen && !scrolls) fill_circle(canvas, COLOR_GOLD, 751.0f, y + 12.0f, 2.5f);
  }
  if (scrolls) draw_list_scrollbar(canvas, list, options.size());
}

void push_region(std::vector<HitRegion>& regions, float x0, float y0, float x1, float y1, HitKind kind,
                 uint32_t index = 0) {
  regions.push_back(HitRegion{x0, y0, x1, y1, kind, index});
}

}  // namespace

float dialog_panel_height(bool with_notice) { return PANEL_HEIGHT + (with_notice ? DIALOG_NOTICE_HEIGHT : 0.0f); }

float dialog_panel_top(bool with_notice) {
  return std::round((WINDOW_HEIGHT - dialog_panel_height(with_notice)) / 2.0f);
}

float dialog_buttons_top(bool with_notice) {
  return dialog_panel_top(with_notice) + 469.0f + (with_notice ? DIALOG_NOTICE_HEIGHT : 0.0f);
}

DialogListPlacement dialog_list_placement(const SettingsDialogState& state, uint32_t row) {
  if (row >= DIALOG_ROW_COUNT) return {};
  const auto count = static_cast<uint32_t>(std::min<size_t>(state.options[row].size(), UINT32_MAX));
  const float box_y = dialog_panel_top(state.notice.has_value()) + DIALOG_ROW_OFFSETS[row];
  const float room_below = DIALOG_LIST_BOTTOM_LIMIT - (box_y + BOX_HEIGHT);
  const float room_above = box_y - 6.0f;
  const float room = std::max(room_above, room_below);
  const auto fit = static_cast<uint32_t>(std::max(std::floor((room - 2.0f) / DIALOG_LIST_ITEM_HEIGHT), 1.0f));
  DialogListPlacement list;
  list.visible = std::min({count, fit, DIALOG_LIST_MAX_ITEMS});
  list.scroll = std::min(state.scroll, count - list.visible);
  const float items_h = static_cast<float>(list.visible) * DIALOG_LIST_ITEM_HEIGHT;
  list.first_item_y = room_below >= room_above ? box_y + BOX_HEIGHT + 1.0f : box_y - 7.0f - items_h;
  return list;
}

std::vector<DialogOption> builtin_resolution_options() {
  std::vector<DialogOption> options;
  for (size_t i = 0; i < BUILTIN_RESOLUTIONS.size(); ++i)
    options.push_back({std::to_string(i), std::string(BUILTIN_RESOLUTIONS[i])});
  return options;
}

SettingsDialogModel settings_dialog_model(const GameOptions& options, std::vector<DialogOption> resolutions) {
  if (resolutions.empty()) resolutions = builtin_resolution_options();
  SettingsDialogModel model;
  model.rows[0] = {window_mode_options(), std::to_string(options.window_mode)};
  model.rows[1] = {std::move(resolutions), std::to_string(options.resolution)};
  model.rows[2] = {fps_options(), std::to_string(options.fps_index)};
  model.rows[3] = {renderer_options(), options.render_state ? "1" : "0"};
  std::vector<DialogOption> languages = language_options();
  std::string lang = language_id(languages, options.lang);
  model.rows[4] = {std::move(languages), std::move(lang)};
  model.volume = options.volume;
  model.sound = options.sound;
  model.music = options.music;
  return model;
}

SettingsDialogModel capture_settings_model() {
  std::vector<DialogOption> resolutions{
      {"0", "800x600"}, {"1", "1024x768"}, {"2", "1280x720"}, {"3", "1600x900"}, {"4", "1920x1080"}};
  SettingsDialogModel model;
  model.rows[0] = {window_mode_options(), "2"};
  model.rows[1] = {std::move(resolutions), "3"};
  model.rows[2] = {fps_options(), "5"};
  model.rows[3] = {renderer_options(), "1"};
  model.rows[4] = {language_options(), "Por"};
  return model;
}

namespace {

// A label is only ever shown fitted into the value box, so anything past what the box could hold is dropped
// here, once: a megabyte label from the game's files would otherwise be shaped on every repaint. One character
// more than the box holds is kept, so the fitting still ends the label with the ellipsis.
void bound_option_labels(std::vector<DialogOption>& options) {
  const size_t most = fitting_scalar_bound(13.0f, VALUE_MAX_WIDTH) + 1;
  for (DialogOption& option : options) {
    const size_t kept = first_scalars(option.label, most).size();
    if (kept < option.label.size()) option.label.resize(kept);
  }
}

}  // namespace

void open_settings_dialog(UiState& ui, SettingsDialogModel model) {
  SettingsDialogState& state = ui.dialog.emplace();
  for (size_t row = 0; row < DIALOG_ROW_COUNT; ++row) {
    state.selected[row] = index_of_id(model.rows[row].options, model.rows[row].current_id);
    state.options[row] = std::move(model.rows[row].options);
    bound_option_labels(state.options[row]);
  }
  state.snapshot = ui.canvas.pixmap;
  state.backdrop = blurred_backdrop(state.snapshot, ui.scale);
  state.opened_at = ui.ui_clock;
  state.volume = std::min(model.volume, VOLUME_MAX);
  state.sound = model.sound;
  state.music = model.music;
  state.sound_knob = resting_knob(model.sound);
  state.music_knob = resting_knob(model.music);
  state.dirty = true;
  // The regions are known before the first paint, so a pointer already over a control finds it at once.
  state.hit_regions = settings_dialog_hit_regions(state);
  ui.hover = Hover{};
  if (ui.pointer_x >= 0.0f) ui_pointer_move(ui, ui.pointer_x, ui.pointer_y);
  ui.force_full_redraw = true;
}

std::vector<HitRegion> settings_dialog_hit_regions(const SettingsDialogState& state) {
  const bool with_notice = state.notice.has_value();
  const float top = dialog_panel_top(with_notice);
  const float bx = dialog_buttons_top(with_notice);
  std::vector<HitRegion> regions;
  push_region(regions, DIALOG_PANEL_X, top, DIALOG_PANEL_X + DIALOG_PANEL_WIDTH, top + dialog_panel_height(with_notice),
              HIT_DIALOG_PANEL);
  push_region(regions, 731.0f, top + 19.0f, 765.0f, top + 51.0f, HIT_DIALOG_CLOSE);
  for (uint32_t row = 0; row < DIALOG_ROW_COUNT; ++row) {
    const float y = top + DIALOG_ROW_OFFSETS[row];
    push_region(regions, BOX_X, y, BOX_X + BOX_WIDTH, y + BOX_HEIGHT, HIT_DIALOG_ROW, row);
  }
  push_region(regions, 335.0f, top + 330.0f, 535.0f, top + 351.0f, HIT_SOUND_SWITCH);
  push_region(regions, 565.0f, top + 330.0f, 765.0f, top + 351.0f, HIT_MUSIC_SWITCH);
  push_region(regions, 470.0f, top + 357.0f, 722.0f, top + 379.0f, HIT_VOLUME_SLIDER);
  push_region(regions, 535.0f, bx, 645.0f, bx + 34.0f, HIT_DIALOG_CANCEL);
  push_region(regions, 655.0f, bx, 765.0f, bx + 34.0f, HIT_DIALOG_SAVE);
  if (state.list_open) {
    const DialogListPlacement list = dialog_list_placement(state, state.open_row);
    for (uint32_t k = 0; k < list.visible; ++k) {
      const float y = list.first_item_y + static_cast<float>(k) * DIALOG_LIST_ITEM_HEIGHT;
      push_region(regions, BOX_X, y, BOX_X + BOX_WIDTH, y + DIALOG_LIST_ITEM_HEIGHT, HIT_DIALOG_OPTION,
                  list.scroll + k);
    }
  }
  return regions;
}

std::vector<HitRegion> draw_settings_dialog(const UiState& ui, Canvas& canvas, const SettingsDialogState& state) {
  const bool with_notice = state.notice.has_value();
  const float top = dialog_panel_top(with_notice);
  draw_panel_body(ui, canvas, top, dialog_panel_height(with_notice));
  draw_heading(ui, canvas, top);
  for (uint32_t row = 0; row < DIALOG_ROW_COUNT; ++row) draw_row(ui, canvas, state, row, top);
  draw_switches(ui, canvas, state, top);
  draw_volume(ui, canvas, state, top);
  if (with_notice) draw_notice(ui, canvas, *state.notice, top);
  draw_buttons(ui, canvas, state, dialog_buttons_top(with_notice));
  if (state.list_open) draw_value_list(ui, canvas, state);
  return settings_dialog_hit_regions(state);
}

}  // namespace qo
