#include "ui/dialog_input.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "ui/pointer.h"
#include "ui/settings_dialog.h"
#include "ui/tween.h"
#include "ui/window_proc.h"

namespace qo {
namespace {

// Rows of the dialog, in order (see DIALOG_ROW_LABELS).
constexpr size_t ROW_WINDOW_MODE = 0;
constexpr size_t ROW_RESOLUTION = 1;
constexpr size_t ROW_FPS_LIMIT = 2;
constexpr size_t ROW_RENDERER = 3;
constexpr size_t ROW_LANGUAGE = 4;

constexpr uint32_t WHEEL_STEP_ITEMS = 3;

// The regions change with the shown list and its scroll; take them and the hover at once, so a press before the
// next paint meets what the player will see.
void refresh_dialog_regions(UiState& ui) {
    SettingsDialogState& dialog = *ui.dialog;
    dialog.hit_regions = settings_dialog_hit_regions(dialog);
    dialog.hovered_option.reset();
    ui.hover = Hover{};
    if (ui.pointer_x >= 0.0f) ui_pointer_move(ui, ui.pointer_x, ui.pointer_y);
}

void hide_value_list(UiState& ui) {
    ui.dialog->list_open = false;
    ui.dialog->dirty = true;
    refresh_dialog_regions(ui);
}

void flip_switch(bool& on, Tween& knob, double now) {
    on = !on;
    tween_retarget(knob, on ? 1.0f : 0.0f, now);
}

const DialogOption* selected_option(const SettingsDialogState& dialog, size_t row) {
    const uint32_t index = dialog.selected[row];
    const auto& options = dialog.options[row];
    return index < options.size() ? &options[index] : nullptr;
}

// The selected id of a numeric row as an unsigned decimal, else `fallback`.
uint32_t selected_number(const SettingsDialogState& dialog, size_t row, uint32_t fallback) {
    const DialogOption* option = selected_option(dialog, row);
    if (option == nullptr) return fallback;
    const std::string& id = option->id;
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(id.data(), id.data() + id.size(), value);
    if (error != std::errc{} || end != id.data() + id.size()) return fallback;
    return value;
}

// Shows the value list of `row` with its selection in the middle where the list allows.
void show_value_list(UiState& ui, uint32_t row) {
    if (row >= DIALOG_ROW_COUNT) return;
    SettingsDialogState& dialog = *ui.dialog;
    dialog.list_open = true;
    dialog.open_row = row;
    const auto count = static_cast<int64_t>(dialog.options[row].size());
    const auto visible = static_cast<int64_t>(dialog_list_placement(dialog, row).visible);
    const int64_t centred = static_cast<int64_t>(dialog.selected[row]) - visible / 2;
    dialog.scroll = static_cast<uint32_t>(std::min(std::max<int64_t>(centred, 0), count - visible));
    dialog.dirty = true;
    refresh_dialog_regions(ui);
}

// What "Salvar" sends: each row's selected id (a row whose selection has no option, or whose id is not a number,
// gives that value's default), the volume and the two switches.
SaveOptionsAction save_options_request(const SettingsDialogState& dialog) {
    SaveOptionsAction save;
    save.window_mode = selected_number(dialog, ROW_WINDOW_MODE, 1);
    save.resolution = selected_number(dialog, ROW_RESOLUTION, 1);
    save.fps_index = selected_number(dialog, ROW_FPS_LIMIT, 5);
    save.render_state = selected_number(dialog, ROW_RENDERER, 0);
    const DialogOption* language = selected_option(dialog, ROW_LANGUAGE);
    save.lang = language != nullptr ? language->id : std::string();
    save.volume = dialog.volume;
    save.sound = dialog.sound;
    save.music = dialog.music;
    return save;
}

}  // namespace

void press_in_dialog(UiState& ui, const Hover& hit, float x) {
    SettingsDialogState& dialog = *ui.dialog;
    dialog.dirty = true;
    if (dialog.list_open) {
        if (hit.kind == HIT_DIALOG_OPTION) dialog.selected[dialog.open_row] = hit.index;
        hide_value_list(ui);
        return;
    }
    if (hit.kind == HIT_DIALOG_OUTSIDE) {
        close_settings_dialog(ui);
    } else if (hit.kind == HIT_VOLUME_SLIDER) {
        dialog.volume = volume_level_at(x);
        dialog.slider_dragging = true;
    }
}

std::optional<UiAction> release_in_dialog(UiState& ui, const Hover& pressed, const Hover& hit) {
    SettingsDialogState& dialog = *ui.dialog;
    if (dialog.slider_dragging) {
        dialog.slider_dragging = false;
        dialog.dirty = true;
        return std::nullopt;
    }
    if (!same_hover(pressed, hit)) return std::nullopt;
    dialog.dirty = true;
    switch (hit.kind) {
        case HIT_DIALOG_ROW:
            show_value_list(ui, hit.index);
            break;
        case HIT_DIALOG_CLOSE:
        case HIT_DIALOG_CANCEL:
            close_settings_dialog(ui);
            break;
        case HIT_SOUND_SWITCH:
            flip_switch(dialog.sound, dialog.sound_knob, ui.ui_clock);
            break;
        case HIT_MUSIC_SWITCH:
            flip_switch(dialog.music, dialog.music_knob, ui.ui_clock);
            break;
        case HIT_DIALOG_SAVE:
            if (dialog.saving) break;
            dialog.saving = true;
            return save_options_request(dialog);
        default:
            break;
    }
    return std::nullopt;
}

void scroll_value_list(UiState& ui, int delta) {
    SettingsDialogState& dialog = *ui.dialog;
    const DialogListPlacement list = dialog_list_placement(dialog, dialog.open_row);
    const auto count = static_cast<uint32_t>(dialog.options[dialog.open_row].size());
    const uint32_t last_scroll = count - list.visible;
    if (delta <= 0) {
        dialog.scroll = std::min(dialog.scroll + WHEEL_STEP_ITEMS, last_scroll);
    } else {
        dialog.scroll = dialog.scroll > WHEEL_STEP_ITEMS ? dialog.scroll - WHEEL_STEP_ITEMS : 0;
    }
    dialog.dirty = true;
    refresh_dialog_regions(ui);
}

void escape_in_dialog(UiState& ui) {
    if (ui.dialog->list_open) {
        hide_value_list(ui);
    } else {
        close_settings_dialog(ui);
    }
}

}  // namespace qo
