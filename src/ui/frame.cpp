#include "ui/frame.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "gfx/canvas.h"
#include "gfx/image_blit.h"
#include "gfx/pixel_spans.h"
#include "ui/backdrop.h"
#include "ui/easing.h"
#include "ui/frame_parts.h"
#include "ui/layers.h"
#include "ui/main_painter.h"
#include "ui/sparks.h"
#include "ui/stage_timers.h"
#include "ui/tween.h"

namespace qo {
namespace {

constexpr float HOVER_DT_LIMIT = 0.05f;
constexpr float HOVER_CHANGE_EPSILON = 1e-6f;

// ---- hover fades ----

bool header_link_clickable(const UiState& ui, uint32_t index) {
  const auto& items = ui.layout.header_items;
  return index < items.size() && items[index].clickable;
}

float hover_target(const UiState& ui, const Hover& key) {
  const Hover& hovered = ui.hover;
  if (key.kind != hovered.kind) return 0.0f;
  switch (key.kind) {
    case HIT_MINIMIZE:
    case HIT_CLOSE:
    case HIT_SEE_ALL_NEWS:
    case HIT_WINDOWED_TOGGLE:
    case HIT_SETTINGS_BUTTON:
    case HIT_DIALOG_CLOSE:
      return 1.0f;
    case HIT_NEWS_ROW:
    case HIT_DIALOG_ROW:
    case HIT_DIALOG_OPTION:
      return key.index == hovered.index ? 1.0f : 0.0f;
    case HIT_HEADER_LINK:
      return key.index == hovered.index && header_link_clickable(ui, key.index) ? 1.0f : 0.0f;
    case HIT_PLAY:
      return ui.play_armed ? 1.0f : 0.0f;
    default:
      return key.kind > HIT_DIALOG_OPTION ? 1.0f : 0.0f;
  }
}

void flag_band_of(UiState& ui, HitKind kind) {
  switch (kind) {
    case HIT_HEADER_LINK:
    case HIT_MINIMIZE:
    case HIT_CLOSE:
      ui.element_layers.header_stale = true;
      break;
    case HIT_SEE_ALL_NEWS:
    case HIT_NEWS_ROW:
      ui.element_layers.right_column_stale = true;
      break;
    case HIT_WINDOWED_TOGGLE:
    case HIT_SETTINGS_BUTTON:
    case HIT_PLAY:
      ui.redraw_needed = true;
      break;
    default:
      break;  // the dialog's kinds belong to no band
  }
}

float moved_toward(float amount, float target, float step) {
  const float next = amount < target ? std::min(amount + step, target) : std::max(amount - step, target);
  return std::clamp(next, 0.0f, 1.0f);
}

// ---- layers and rectangles ----

void copy_rect(Pixmap& target, const Pixmap& source, const DirtyRect& r) {
  for (int32_t y = r.y; y < r.y + r.h; ++y) {
    const uint32_t row = static_cast<uint32_t>(y);
    std::copy_n(source.row(row) + r.x, r.w, target.row(row) + r.x);
  }
}

bool same_size(const Pixmap& a, const Pixmap& b) { return a.width() == b.width() && a.height() == b.height(); }

// An element layer onto the target at its own device position.
void blend_element_layer(Pixmap& target, const Canvas& layer) {
  blend_pixmap_opacity(target, layer.pixmap, 1.0f, round_to_i32(layer.origin_x * layer.scale),
                       round_to_i32(layer.origin_y * layer.scale));
}

// ---- background ----

// The background and its glass painted on this thread: the glass is blurred from the bare background, then
// composited onto it, as the worker does.
void paint_backdrop_here(UiState& ui) {
  FrameLayers& frame = ui.frame;
  timed_stage(FrameStage::Background, [&] {
    const ScaledLayers& layers = ui.layers;
    draw_animated_background(frame.background, *layers.hero, ui.scale, layers.hero_x, layers.hero_y,
                             *layers.overlay, ui.ui_clock);
  });
  timed_stage(FrameStage::Glass, [&] {
    const std::vector<PanelImage> glass = draw_panels(frame.background, ui.scale, main_panel_backdrops(ui.layout));
    composite_panels(frame.background, glass);
  });
  ui.last_background_time = ui.ui_clock;
  frame.background_fresh = true;
  frame.has_background = true;
  frame.background_glass = 0;
  frame.glass_interiors.clear();
}

// Offers the worker this frame's request with the spare frame, which stays here while the worker is busy. A
// request is sent only when the backdrop would change visibly (backdrop_request_due); until then the last stands.
// Without a spare the worker would make a new frame: asked only while fewer than BACKDROP_FRAMES_IN_FLIGHT exist.
void offer_request_to_worker(UiState& ui) {
  BackdropWorkerLink& link = *ui.backdrop;
  FrameLayers& frame = ui.frame;
  const bool with_spare = frame.spare_background.has_value();
  if (!with_spare && link.frames_made + 1 >= BACKDROP_FRAMES_IN_FLIGHT) return;
  std::vector<PanelBackdrop> panels = main_panel_backdrops(ui.layout);
  if (!backdrop_request_due(link.last_asked, ui.ui_clock, panels, ui.scale)) return;
  BackdropAsked asked{ui.ui_clock, panels};
  BackdropRequest request{ui.ui_clock, std::move(panels), std::exchange(frame.spare_background, std::nullopt),
                          frame.spare_glass};
  if (offer_backdrop_request(link, std::move(request))) {
    if (!with_spare) ++link.frames_made;
    link.last_asked = std::move(asked);
  } else {
    frame.spare_background = std::move(request.spare);
  }
}

// Takes a reply that is ready (one of another size is dropped), then offers the worker this frame's request
// with the frame the reply replaced.
void exchange_with_worker(UiState& ui) {
  if (!ui.backdrop) ui.backdrop = start_backdrop_worker(ui);
  FrameLayers& frame = ui.frame;
  if (auto reply = take_backdrop_reply(*ui.backdrop, ui.canvas_width, ui.canvas_height)) {
    frame.spare_background = std::exchange(frame.background, std::move(reply->frame));
    frame.spare_glass = std::exchange(frame.background_glass, reply->glass);
    frame.glass_interiors = std::move(reply->glass_interiors);
    frame.background_fresh = true;
    frame.has_background = true;
  }
  offer_request_to_worker(ui);
}

void update_background(UiState& ui) {
  const bool worker_phase = intro_elapsed(ui) >= WORKER_START_INTRO_SECS;
  if (worker_phase) exchange_with_worker(ui);
  // Until a first background exists this thread paints it, whatever the intro time.
  if (worker_phase && ui.frame.has_background) return;
  const bool due = ui.last_background_time < 0.0 || !ui.frame.has_background ||
                   ui.ui_clock - ui.last_background_time >= BACKGROUND_REPAINT_SECS;
  if (due) paint_backdrop_here(ui);
}

// ---- restoring from the background ----

struct BandFlags {
  bool header = false;
  bool right_column = false;
  bool footer = false;
};

// The part of an element layer inside r, blended onto the target (the same source-over as the whole layer).
void blend_element_layer_within(Pixmap& target, const Canvas& layer, const DirtyRect& r) {
  const int64_t lx = round_to_i32(layer.origin_x * layer.scale);
  const int64_t ly = round_to_i32(layer.origin_y * layer.scale);
  const int64_t x0 = std::max<int64_t>({r.x, lx, 0});
  const int64_t x1 = std::min<int64_t>({int64_t{r.x} + r.w, lx + layer.pixmap.width(), target.width()});
  const int64_t y0 = std::max<int64_t>({r.y, ly, 0});
  const int64_t y1 = std::min<int64_t>({int64_t{r.y} + r.h, ly + layer.pixmap.height(), target.height()});
  if (x0 >= x1) return;
  for (int64_t y = y0; y < y1; ++y) {
    blend_span_over(target.row(static_cast<uint32_t>(y)) + x0,
                    layer.pixmap.row(static_cast<uint32_t>(y - ly)) + (x0 - lx), static_cast<size_t>(x1 - x0));
  }
}

// The canvas inside r as a full frame paints it before the picture area: the background (glass included) with
// the three element layers on it, in their order.
void restore_from_background(UiState& ui, const DirtyRect& r) {
  if (r.w <= 0 || r.h <= 0) return;
  copy_rect(ui.canvas.pixmap, ui.frame.background, r);
  const ElementLayers& layers = ui.element_layers;
  for (const Canvas* layer : {&layers.header, &layers.right_column, &layers.footer})
    blend_element_layer_within(ui.canvas.pixmap, *layer, r);
}

// A full frame: the background and the element layers straight onto the canvas. Partial frames restore what they
// repaint from the background and the layers again, so no composed copy of the two is kept.
void compose_onto_canvas(UiState& ui) {
  FrameLayers& frame = ui.frame;
  timed_stage(FrameStage::Copy, [&] {
    std::copy_n(frame.background.pixels().data(), ui.canvas.pixmap.pixel_count(), ui.canvas.pixmap.pixels().data());
  });
  timed_stage(FrameStage::Compose, [&] {
    const ElementLayers& layers = ui.element_layers;
    blend_element_layer(ui.canvas.pixmap, layers.header);
    blend_element_layer(ui.canvas.pixmap, layers.right_column);
    blend_element_layer(ui.canvas.pixmap, layers.footer);
  });
  frame.background_fresh = false;
  frame.canvas_glass = frame.background_glass;
}

// The new background's glass is the one the canvas shows inside the glass interiors, with the element layers on it.
bool glass_already_shown(const UiState& ui) {
  const FrameLayers& frame = ui.frame;
  return !ui.force_full_redraw && frame.background_glass != 0 && frame.background_glass == frame.canvas_glass;
}

// A full frame for a new background whose glass the canvas already shows: only what lies around that glass is
// restored, besides the flagged bands and the header strip (inside the header's glass, where the pulse is drawn
// every frame). The rectangles restored are the frame's dirty ones.
void compose_around_glass(UiState& ui, const BandFlags& flags, std::vector<DirtyRect>& dirty) {
  StageTimer timer(FrameStage::Copy);
  const DirtyRect whole = whole_canvas(ui);
  for (const ClipRect& r : rects_around(ClipRect{0, 0, whole.w, whole.h}, ui.frame.glass_interiors))
    dirty.push_back(DirtyRect{r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0});
  for (const auto& [flagged, band] : {std::pair{flags.header, HEADER_BAND},
                                      std::pair{flags.right_column, right_column_band(ui)},
                                      std::pair{flags.footer, FOOTER_BAND}}) {
    if (flagged) dirty.push_back(device_rect(ui, band));
  }
  dirty.push_back(device_rect(ui, header_strip(ui)));
  for (const DirtyRect& r : dirty) restore_from_background(ui, r);
  ui.frame.background_fresh = false;
}

void recompose_flagged_bands(UiState& ui, const BandFlags& flags, std::vector<DirtyRect>& dirty) {
  StageTimer timer(FrameStage::Compose);
  for (const auto& [flagged, band] : {std::pair{flags.header, HEADER_BAND},
                                      std::pair{flags.right_column, right_column_band(ui)},
                                      std::pair{flags.footer, FOOTER_BAND}}) {
    if (!flagged) continue;
    const DirtyRect r = device_rect(ui, band);
    if (r.w <= 0 || r.h <= 0) continue;
    restore_from_background(ui, r);
    dirty.push_back(r);
  }
}

void restore_animated_areas(UiState& ui) {
  restore_from_background(ui, device_rect(ui, PICTURE_AREA));
  restore_from_background(ui, device_rect(ui, header_strip(ui)));
}

// ---- the frame ----

float frame_clock_step(UiState& ui) {
  ui.ui_clock = ui_clock_now(ui);
  const double dt = ui.ui_clock - ui.prev_clock;
  ui.prev_clock = ui.ui_clock;
  return dt > 0.0 ? static_cast<float>(std::min(dt, static_cast<double>(HOVER_DT_LIMIT))) : 0.0f;
}

// A tween still running at the previous frame has moved since: the frame that finds it ended paints its end.
bool tween_moved_since(const Tween& tween, double previous_clock, double now) {
  return tween_animating(tween, previous_clock) || tween_animating(tween, now);
}

bool main_tweens_moved(const UiState& ui, double previous_clock) {
  const double now = ui.ui_clock;
  return tween_moved_since(ui.progress_main, previous_clock, now) ||
         tween_moved_since(ui.progress_stage, previous_clock, now) ||
         tween_moved_since(ui.windowed_knob, previous_clock, now);
}

std::vector<DirtyRect> render_main_frame(UiState& ui, float dt, double previous_clock) {
  advance_hover_fades(ui, dt);
  update_sparks(ui, dt);
  if (main_tweens_moved(ui, previous_clock)) ui.redraw_needed = true;
  update_background(ui);

  const BandFlags flags{ui.element_layers.header_stale, ui.element_layers.right_column_stale, ui.redraw_needed};
  draw_main_screen(ui);

  std::vector<DirtyRect> dirty;
  const bool full = ui.frame.background_fresh || ui.force_full_redraw;
  if (full && glass_already_shown(ui)) {
    compose_around_glass(ui, flags, dirty);
    draw_picture_area(ui);
    draw_header_pulse(ui);
    return dirty;
  }
  if (full) {
    compose_onto_canvas(ui);
  } else {
    recompose_flagged_bands(ui, flags, dirty);
    restore_animated_areas(ui);
  }
  draw_picture_area(ui);
  draw_header_pulse(ui);

  if (full) {
    ui.force_full_redraw = false;
    return {whole_canvas(ui)};
  }
  dirty.push_back(device_rect(ui, PICTURE_AREA));
  dirty.push_back(device_rect(ui, header_strip(ui)));
  return dirty;
}

}  // namespace

RectF right_column_band(const UiState& ui) { return RectF{678.0f, 70.0f, 404.0f, ui.layout.right_column_height}; }

RectF header_strip(const UiState& ui) { return RectF{ui.layout.status_x, 12.5f, 30.0f, 32.0f}; }

DirtyRect device_rect(const UiState& ui, const RectF& rect) {
  const float s = ui.scale;
  const auto w = static_cast<int32_t>(ui.canvas.pixmap.width());
  const auto h = static_cast<int32_t>(ui.canvas.pixmap.height());
  const int32_t left = std::clamp(saturating_i32(std::floor(rect.x * s)), 0, w);
  const int32_t top = std::clamp(saturating_i32(std::floor(rect.y * s)), 0, h);
  const int32_t right = std::clamp(saturating_i32(std::ceil((rect.x + rect.w) * s)), left, w);
  const int32_t bottom = std::clamp(saturating_i32(std::ceil((rect.y + rect.h) * s)), top, h);
  return DirtyRect{left, top, right - left, bottom - top};
}

DirtyRect whole_canvas(const UiState& ui) {
  return DirtyRect{0, 0, static_cast<int32_t>(ui.canvas.pixmap.width()),
                   static_cast<int32_t>(ui.canvas.pixmap.height())};
}

float intro_ramp(double intro_elapsed, double delay, double duration) {
  return css_ease(static_cast<float>(std::clamp((intro_elapsed - delay) / duration, 0.0, 1.0)));
}

void advance_hover_fades(UiState& ui, float dt) {
  std::vector<Hover> keys;
  keys.reserve(ui.hover_fades.size() + 1);
  for (const auto& [key, amount] : ui.hover_fades) keys.push_back(key);
  if (!ui.hover_fades.contains(ui.hover)) keys.push_back(ui.hover);

  for (const Hover& key : keys) {
    const auto found = ui.hover_fades.find(key);
    const float amount = found == ui.hover_fades.end() ? 0.0f : found->second;
    const float target = hover_target(ui, key);
    const float step = dt / (key.kind == HIT_PLAY ? 0.25f : 0.2f);
    const float next = moved_toward(amount, target, step);
    if (std::fabs(next - amount) > HOVER_CHANGE_EPSILON) flag_band_of(ui, key.kind);
    if (target == 0.0f && next == 0.0f)
      ui.hover_fades.erase(key);
    else
      ui.hover_fades[key] = next;
  }
}

void fit_frame_layers_to_scale(UiState& ui) {
  FrameLayers& frame = ui.frame;
  const bool fits = frame.scale == ui.scale && frame.background.width() == ui.canvas_width &&
                    frame.background.height() == ui.canvas_height && same_size(frame.background, ui.canvas.pixmap);
  if (fits) return;
  const bool rescale = frame.scale != 0.0f;
  ui.backdrop.reset();  // its layers are of the old scale; the next worker frame starts a new one
  // Not read before it is wholly written: the background is painted (from a full fill) before any frame reads it
  // (has_background is false).
  frame.background = Pixmap::make_for_overwrite(ui.canvas_width, ui.canvas_height);
  frame.spare_background.reset();
  frame.background_glass = 0;
  frame.spare_glass = 0;
  frame.canvas_glass = 0;
  frame.glass_interiors.clear();
  frame.scale = ui.scale;
  frame.background_fresh = false;
  frame.has_background = false;
  frame.pill.reset();
  ui.last_background_time = -1.0;
  ui.force_full_redraw = true;
  if (rescale) ui.dialog.reset();
}

std::vector<DirtyRect> render_frame(UiState& ui) {
  const double previous_clock = ui.prev_clock;
  const float dt = frame_clock_step(ui);
  fit_frame_layers_to_scale(ui);
  if (ui.dialog && !dialog_fits_canvas(ui)) ui.dialog.reset();  // opened at another scale: it closes
  if (ui.dialog) {
    ui.frame.dialog_shown = true;
    return render_dialog_frame(ui);
  }
  if (ui.frame.dialog_shown) ui.force_full_redraw = true;  // the canvas still shows the dialog
  ui.frame.dialog_shown = false;
  return render_main_frame(ui, dt, previous_clock);
}

}  // namespace qo
