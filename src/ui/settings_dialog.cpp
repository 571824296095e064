#include "ui/settings_dialog.h"

namespace qo {

float dialog_panel_height(bool with_notice) { return 524.0f + (with_notice ? DIALOG_NOTICE_HEIGHT : 0.0f); }
float dialog_panel_top(bool with_notice) { return with_notice ? 46.0f : 68.0f; }
float dialog_buttons_top(bool with_notice) {
  return dialog_panel_top(with_notice) + 469.0f + (with_notice ? DIALOG_NOTICE_HEIGHT : 0.0f);
}

DialogListPlacement dialog_list_placement(const SettingsDialogState&, uint32_t) { return {}; }

SettingsDialogModel settings_dialog_model(const GameOptions&, std::vector<DialogOption>) { return {}; }
std::vector<DialogOption> builtin_resolution_options() { return {}; }
SettingsDialogModel capture_settings_model() { return {}; }

void open_settings_dialog(UiState& ui, SettingsDialogModel) {
  ui.dialog.emplace();
  ui.dialog->opened_at = ui.ui_clock;
  ui.dialog->snapshot = ui.canvas.pixmap;
  ui.dialog->backdrop = ui.canvas.pixmap;
  ui.force_full_redraw = true;
}

std::vector<HitRegion> settings_dialog_hit_regions(const SettingsDialogState&) { return {}; }

std::vector<HitRegion> draw_settings_dialog(const UiState&, Canvas&, const SettingsDialogState& state) {
  return settings_dialog_hit_regions(state);
}

}  // namespace qo
