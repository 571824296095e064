#pragma once
// The settings dialog: the game's options edited in a panel over a blurred, darkened picture of the window.
// open_settings_dialog builds its state from a model of five rows, the volume and the two switches;
// draw_settings_dialog paints it into the dialog layer (the row's value list last, over everything) and returns
// its hit regions. Input is the window procedure's; the frame painter fades the layer in.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/canvas.h"
#include "settings/game_options.h"
#include "ui/ui_state.h"

namespace qo {

// One row of the model: its choices and the id of the current one.
struct DialogRowModel {
  std::vector<DialogOption> options;
  std::string current_id;
};

// What the dialog opens with; consumed by open_settings_dialog.
struct SettingsDialogModel {
  std::array<DialogRowModel, DIALOG_ROW_COUNT> rows;
  uint32_t volume = 0;
  bool sound = false;
  bool music = false;
};

// Row labels and the panel offsets of their value boxes, in row order.
inline constexpr std::array<std::string_view, DIALOG_ROW_COUNT> DIALOG_ROW_LABELS = {
    "Modo de tela", "Resolução", "Limite de FPS", "Renderizador", "Idioma do cliente"};
inline constexpr std::array<float, DIALOG_ROW_COUNT> DIALOG_ROW_OFFSETS = {102.0f, 144.0f, 216.0f, 258.0f, 415.0f};

// Geometry of the panel (logical px): 524 high, 45 more with a notice; centred vertically in the window.
inline constexpr float DIALOG_PANEL_X = 310.0f;
inline constexpr float DIALOG_PANEL_WIDTH = 480.0f;
inline constexpr float DIALOG_NOTICE_HEIGHT = 45.0f;
float dialog_panel_height(bool with_notice);
float dialog_panel_top(bool with_notice);  // 68, or 46 with a notice
float dialog_buttons_top(bool with_notice);  // top + 469, 45 lower with a notice

// The value list of a row: items 24 px high from x 475 to 765, below the row's box when the room there is at
// least the room above it, else above; at most 20 items, as many as fit.
inline constexpr float DIALOG_LIST_ITEM_HEIGHT = 24.0f;
inline constexpr uint32_t DIALOG_LIST_MAX_ITEMS = 20;
inline constexpr float DIALOG_LIST_BOTTOM_LIMIT = 654.0f;
struct DialogListPlacement {
  float first_item_y = 0.0f;  // top of the first visible item
  uint32_t visible = 0;       // items shown
  uint32_t scroll = 0;        // index of the first one shown
};
// Where the shown list of `row` goes, its visible count and its scroll clamped to the options it has.
DialogListPlacement dialog_list_placement(const SettingsDialogState& state, uint32_t row);

// The five rows built from the game's options: the fixed window-mode, frame-limit, renderer and language
// choices, the given resolution choices (the built-in list when none is given), and the current values.
SettingsDialogModel settings_dialog_model(const GameOptions& options, std::vector<DialogOption> resolutions);

// The resolutions offered when the game's folder lists none (ids "0".."19").
std::vector<DialogOption> builtin_resolution_options();

// The fixed model the capture mode shows: full screen, 1600x900, 300 FPS, the second renderer, Portuguese;
// volume 0, sound and music off.
SettingsDialogModel capture_settings_model();

// Opens the dialog (replacing one already open): selections from the model's current ids (the first option when
// an id is not in its row), volume capped at 10, switches at rest, a snapshot of the window canvas and its
// blurred, darkened copy; then the hover is taken again at the pointer and a full redraw is asked for.
void open_settings_dialog(UiState& ui, SettingsDialogModel model);

// The dialog's hit regions for its current state, in order: panel, close control, the five rows, the sound and
// music switches, the volume slider, "Cancelar", "Salvar", then one per visible item of the shown list.
std::vector<HitRegion> settings_dialog_hit_regions(const SettingsDialogState& state);

// Paints the dialog onto `canvas` (the transparent dialog layer, window-sized) and returns its hit regions.
// Hovers come from the state's hover (the window's) and the dialog's hovered option; knobs are read at ui_clock.
std::vector<HitRegion> draw_settings_dialog(const UiState& ui, Canvas& canvas, const SettingsDialogState& state);

}  // namespace qo
