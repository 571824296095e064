#include "ui/pointer.h"

#include <algorithm>
#include <cmath>

namespace qo {
namespace {

// Left end of the slider track plus half the knob, and the track's usable length.
constexpr float VOLUME_TRACK_START = 477.0f + 7.5f;
constexpr float VOLUME_TRACK_LENGTH = 223.0f;
constexpr float VOLUME_MAX = 10.0f;

bool kind_has_index(HitKind kind) {
  return kind == HIT_HEADER_LINK || kind == HIT_NEWS_ROW || kind == HIT_DIALOG_ROW || kind == HIT_DIALOG_OPTION;
}

void drag_volume(SettingsDialogState& dialog, float x) {
  const uint32_t level = volume_level_at(x);
  if (level == dialog.volume) return;
  dialog.volume = level;
  dialog.dirty = true;
}

void enter_dialog_hover(SettingsDialogState& dialog, const Hover& hover) {
  if (hover.kind == HIT_DIALOG_OPTION) {
    dialog.hovered_option = hover.index;
  } else {
    dialog.hovered_option.reset();
  }
  dialog.dirty = true;
}

}  // namespace

uint32_t volume_level_at(float x) {
  const float level = std::round((x - VOLUME_TRACK_START) / VOLUME_TRACK_LENGTH * VOLUME_MAX);
  if (std::isnan(level)) return 0;
  return static_cast<uint32_t>(std::clamp(level, 0.0f, VOLUME_MAX));
}

Hover hit_test_main(std::span<const HitRegion> regions, float x, float y) {
  for (const HitRegion& r : regions) {
    if (r.contains(x, y)) return {r.kind, r.index};
  }
  return {HIT_NONE, 0};
}

Hover hit_test_dialog(std::span<const HitRegion> regions, float x, float y) {
  for (auto it = regions.rbegin(); it != regions.rend(); ++it) {
    if (it->contains(x, y)) return {it->kind, it->index};
  }
  return {HIT_DIALOG_OUTSIDE, 0};
}

bool same_hover(const Hover& a, const Hover& b) {
  if (a.kind != b.kind) return false;
  return !kind_has_index(a.kind) || a.index == b.index;
}

void ui_pointer_move(UiState& ui, float x, float y) {
  ui.pointer_x = x;
  ui.pointer_y = y;
  if (ui.dialog && ui.dialog->slider_dragging) drag_volume(*ui.dialog, x);

  const Hover hover = ui.dialog ? hit_test_dialog(ui.dialog->hit_regions, x, y) : hit_test_main(ui.hit_regions, x, y);
  if (same_hover(hover, ui.hover)) return;
  ui.hover = hover;
  if (ui.dialog) enter_dialog_hover(*ui.dialog, hover);
}

}  // namespace qo
