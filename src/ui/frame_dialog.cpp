// The frame while the settings dialog is open: the window's snapshot, its blurred backdrop fading in, and the
// dialog layer growing into place; once settled, the layer is kept and nothing is repainted.
#include <algorithm>
#include <cmath>
#include <utility>

#include "gfx/image_blit.h"
#include "gfx/rasterizer.h"
#include "ui/easing.h"
#include "ui/frame_parts.h"
#include "ui/settings_dialog.h"
#include "ui/tween.h"

namespace qo {
namespace {

constexpr float PANEL_RAMP_SECS = 0.25f;
constexpr float BACKDROP_RAMP_SECS = 0.2f;
constexpr float PANEL_RISE = 10.0f;

bool knobs_at_rest(const UiState& ui, const SettingsDialogState& state) {
  return !tween_animating(state.sound_knob, ui.ui_clock) && !tween_animating(state.music_knob, ui.ui_clock);
}

// Nothing moves and the picture on screen already shows the opening finished and the knobs at rest. A frame can
// come after the opening or a knob's travel has ended, the last one painted before it: the picture it left then
// shows them short of their end, and must be painted again.
bool settled(const UiState& ui, const SettingsDialogState& state, float a, float b) {
  return a >= 1.0f && b >= 1.0f && state.shown_at_rest && knobs_at_rest(ui, state) && !state.dirty &&
         state.cached_layer.has_value();
}

// The dialog layer repainted from transparent; its hit regions replace the dialog's.
Pixmap paint_dialog_layer(const UiState& ui, SettingsDialogState& state) {
  Pixmap layer = state.cached_layer ? std::move(*state.cached_layer) : Pixmap::make(ui.canvas_width, ui.canvas_height);
  state.cached_layer.reset();
  layer.clear();
  Canvas canvas{std::move(layer), 0.0f, 0.0f, ui.scale};
  state.hit_regions = draw_settings_dialog(ui, canvas, state);
  return std::move(canvas.pixmap);
}

// Fades in, rises (1 - e) x 10 px and grows from 97 % about the window's centre while the panel ramp runs.
void show_dialog_layer(UiState& ui, const Pixmap& layer, float a) {
  if (a >= 1.0f) {
    blend_pixmap_opacity(ui.canvas.pixmap, layer, 1.0f, 0, 0);
    return;
  }
  const float e = overshoot_ease(a);
  const float s = ui.scale;
  const float k = 0.97f + 0.03f * e;
  const Transform grow = Transform::from_translate(0.0f, (1.0f - e) * PANEL_RISE * s)
                             .pre_translate(550.0f * s, 330.0f * s)
                             .pre_scale(k, k)
                             .pre_translate(-550.0f * s, -330.0f * s);
  draw_pixmap(ui.canvas.pixmap, 0, 0, layer,
              PixmapPaint{std::clamp(e, 0.0f, 1.0f), BlendMode::SourceOver, FilterQuality::Bilinear}, grow);
}

bool fits_canvas(const UiState& ui, const Pixmap& pixmap) {
  return pixmap.width() == ui.canvas_width && pixmap.height() == ui.canvas_height;
}

}  // namespace

bool dialog_fits_canvas(const UiState& ui) {
  return ui.dialog && fits_canvas(ui, ui.dialog->snapshot) && fits_canvas(ui, ui.dialog->backdrop);
}

std::vector<DirtyRect> render_dialog_frame(UiState& ui) {
  SettingsDialogState state = std::move(*ui.dialog);
  ui.dialog.reset();  // reads as closed while it is painted
  const auto since = static_cast<float>(ui.ui_clock - state.opened_at);
  const float a = std::clamp(since / PANEL_RAMP_SECS, 0.0f, 1.0f);
  const float b = std::clamp(since / BACKDROP_RAMP_SECS, 0.0f, 1.0f);
  if (settled(ui, state, a, b)) {
    ui.dialog = std::move(state);
    return {};
  }
  Pixmap layer = paint_dialog_layer(ui, state);
  std::copy_n(state.snapshot.pixels().data(), ui.canvas.pixmap.pixel_count(), ui.canvas.pixmap.pixels().data());
  blend_pixmap_opacity(ui.canvas.pixmap, state.backdrop, ease_out(b), 0, 0);
  show_dialog_layer(ui, layer, a);
  state.cached_layer = std::move(layer);
  state.dirty = false;
  state.shown_at_rest = a >= 1.0f && b >= 1.0f && knobs_at_rest(ui, state);
  ui.dialog = std::move(state);
  return {whole_canvas(ui)};
}

}  // namespace qo
