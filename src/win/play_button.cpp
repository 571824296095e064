#include "win/play_button.h"

#include "ui/tween.h"

namespace qo {
namespace {

void set_play(LauncherApp& app, bool usable, std::string_view caption) {
    app.play_enabled = usable;
    app.ui.play_armed = usable;
    app.ui.play_caption = caption;
    app.ui.redraw_needed = true;
}

}  // namespace

void hold_play(LauncherApp& app, std::string_view caption) { set_play(app, false, caption); }

void offer_play(LauncherApp& app, std::string_view caption) { set_play(app, true, caption); }

void show_window_mode(UiState& ui, std::uint32_t window_mode) {
    ui.windowed = window_mode == 1;
    tween_retarget(ui.windowed_knob, ui.windowed ? 1.0f : 0.0f, ui.ui_clock);
    ui.redraw_needed = true;
}

}  // namespace qo
