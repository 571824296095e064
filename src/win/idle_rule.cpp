#include "win/idle_rule.h"

#include "win/app_slot.h"

namespace qo {
namespace {

bool tween_run_out(const Tween& tween, double clock) { return tween.duration <= clock - tween.start; }

// The dialog's last frame is on screen and nothing in it moves: its opening has played, it needs no repaint and
// both switch knobs are at rest. Judged at the UI clock of the last frame drawn, so that frame showed it settled.
bool dialog_settled(const UiState& ui) {
    if (!ui.dialog) return false;
    const SettingsDialogState& dialog = *ui.dialog;
    return ui.ui_clock - dialog.opened_at >= DIALOG_SETTLE_SECS && !dialog.dirty && dialog.shown_at_rest &&
           tween_run_out(dialog.sound_knob, ui.ui_clock) && tween_run_out(dialog.music_knob, ui.ui_clock);
}

}  // namespace

bool waits_for_input(LauncherApp* app) {
    const auto borrow = AppBorrow::take(app);
    if (!borrow) return true;
    const LauncherApp& record = **borrow;
    return record.minimized || record.ui.minimized || dialog_settled(record.ui);
}

}  // namespace qo
