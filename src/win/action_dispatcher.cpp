#include "win/action_dispatcher.h"

#include <fmt/format.h>

#include <algorithm>
#include <utility>

#include "platform/detached_thread.h"
#include "platform/process.h"
#include "settings/game_options.h"
#include "settings/resolutions_xml.h"
#include "ui/settings_dialog.h"
#include "ui/window_proc.h"
#include "util/overloaded.h"
#include "util/text.h"
#include "win/game_start.h"
#include "win/play_button.h"

namespace qo {
namespace {

// A check older than this is repeated before the game starts; exactly this old still counts as fresh.
constexpr std::int64_t CHECK_FRESH_NS = 60'000'000'000;
constexpr std::uint32_t VOLUME_MAX = 10;

// Only web pages are handed to the browser: an address of any other scheme is dropped without a word.
void open_web_page(LauncherApp& app, std::string_view url) {
    const std::string_view trimmed = trim_white_space(url);
    if (!ascii_istarts_with(trimmed, "http://") && !ascii_istarts_with(trimmed, "https://")) return;
    const std::string address(trimmed);
    if (app.open_url) app.open_url(address);
    else open_url(address);
}

bool check_is_due(const LauncherApp& app) {
    return !app.last_check_ns || app.ui.clock.monotonic_ns() - *app.last_check_ns > CHECK_FRESH_NS;
}

// Without a client Play fetches it and stops there: the player presses Play again once it is in place. With a
// client Play starts the game, after a fresh check when the last one is too old.
void play(LauncherApp& app) {
    if (!app.play_enabled) return;
    if (!game_exe_present(app)) {
        start_update_job(app);
        return;
    }
    if (check_is_due(app)) {
        app.launch_after_update = true;
        start_update_job(app);
        return;
    }
    launch_game(app);
}

std::vector<DialogOption> resolution_options(const std::filesystem::path& game_folder) {
    std::vector<DialogOption> options;
    for (GameResolution& resolution : load_game_resolutions(game_folder))
        options.push_back({std::to_string(resolution.index), std::move(resolution.label)});
    return options;
}

void open_options(LauncherApp& app) {
    const GameOptions options = load_game_options(app.release.folder);
    open_settings_dialog(app.ui, settings_dialog_model(options, resolution_options(app.release.folder)));
    // Damaged stored options open as the defaults: the player is told so, and what "Salvar" does about it.
    if (app.ui.dialog && game_options_damaged()) app.ui.dialog->notice = std::string(DAMAGED_OPTIONS_NOTICE);
}

// The toggle on the main screen: on is a window; off leaves a window without border, and full screen stays.
void set_windowed(LauncherApp& app, bool on) {
    GameOptions options = load_game_options(app.release.folder);
    if (on) options.window_mode = 1;
    else if (options.window_mode == 1) options.window_mode = 0;
    (void)save_game_options(options, app.release.folder);  // the toggle has no place to show a failure
}

bool is_client_language(std::string_view lang) { return lang == "Por" || lang == "Eng" || lang == "Spn"; }

// The dialog's choices over the stored options, each kept within what the game accepts.
GameOptions chosen_options(GameOptions options, const SaveOptionsAction& chosen) {
    if (chosen.window_mode <= 2) options.window_mode = chosen.window_mode;
    options.resolution = chosen.resolution;
    options.fps_index = std::min<std::uint32_t>(chosen.fps_index, FPS_LIMIT_CHOICES.size() - 1);
    options.render_state = chosen.render_state != 0;
    options.volume = std::min(chosen.volume, VOLUME_MAX);
    options.sound = chosen.sound;
    options.music = chosen.music;
    if (is_client_language(chosen.lang)) options.lang = chosen.lang;
    return options;
}

// A saved choice closes the dialog; a refused one keeps it open with the reason above its buttons.
void save_options(LauncherApp& app, const SaveOptionsAction& chosen) {
    const GameOptions options = chosen_options(load_game_options(app.release.folder), chosen);
    if (auto saved = save_game_options(options, app.release.folder); !saved) {
        if (!app.ui.dialog) return;
        SettingsDialogState& dialog = *app.ui.dialog;
        dialog.saving = false;
        dialog.notice = fmt::format("Não foi possível salvar as configurações: {}", saved.error());
        dialog.cached_layer.reset();
        dialog.dirty = true;
        return;
    }
    close_settings_dialog(app.ui);
    show_window_mode(app.ui, options.window_mode);
}

ReleaseUpdateJob update_job_for(const LauncherApp& app) {
    const LauncherEnvironment& environment = app.environment;
    return ReleaseUpdateJob{.sender = app.event_sender,
                     .game_folder = app.base_folder,
                     .active_folder = app.release.folder,
                     .cancel = app.stop_flag,
                     .skip_self_update = app.skip_self_update,
                     .self_update = {.update_base_url = environment.update_base_url,
                                     .extra_ca_file = environment.extra_ca_file,
                                     .exe = environment.exe},
                     .release_update = {.update_base_url = environment.update_base_url,
                                        .extra_ca_file = environment.extra_ca_file,
                                        .key = environment.release_key,
                                        .sleep = {}}};
}

}  // namespace

void dispatch_ui_action(LauncherApp& app, UiAction action) {
    std::visit(Overloaded{
                   [&](const OpenUrlAction& a) { open_web_page(app, a.url); },
                   [&](const PlayAction&) { play(app); },
                   [&](const MinimizeAction&) { app.commands.emplace_back(std::in_place_type<MinimizeCommand>); },
                   [&](const CloseAction&) { app.commands.emplace_back(std::in_place_type<CloseCommand>); },
                   [&](const OpenOptionsAction&) { open_options(app); },
                   [&](const SetWindowedAction& a) { set_windowed(app, a.on); },
                   [&](const SaveOptionsAction& a) { save_options(app, a); },
               },
               action);
}

void start_update_job(LauncherApp& app) {
    if (app.busy) return;
    hold_play(app, "verificando...");
    app.busy = true;
    ReleaseUpdateJob job = update_job_for(app);
    if (app.start_job) {
        app.start_job(std::move(job));
        return;
    }
    spawn_detached_thread([job = std::move(job)]() mutable { sealed_job_thread(std::move(job)); });
}

}  // namespace qo
