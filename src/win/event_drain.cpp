#include "win/event_drain.h"

#include <fmt/format.h>

#include <utility>

#include "config/launcher_config_file.h"
#include "settings/game_options.h"
#include "ui/status.h"
#include "ui/window_proc.h"
#include "util/overloaded.h"
#include "util/text.h"
#include "win/game_start.h"
#include "win/play_button.h"

namespace qo {
namespace {

// The job's error when the window itself stopped it: nothing to show.
constexpr std::string_view JOB_CANCELLED = "cancelado";

void show_job_success(LauncherApp& app) {
    set_status(app.ui, "Cliente pronto para jogar.", "-", 100.0f, 100.0f, "");
    app.last_check_ns = app.ui.clock.monotonic_ns();
    offer_play(app, "cliente pronto");
}

// Without a client the player learns the download failed; with one, that it may play the version it has.
void show_job_failure(LauncherApp& app, const std::string& error) {
    if (game_exe_present(app)) {
        set_status(app.ui, fmt::format("Não foi possível atualizar: {}", error), std::nullopt, std::nullopt,
                   std::nullopt, "");
        offer_play(app, "sem atualizar");
    } else {
        set_status(app.ui, fmt::format("Não foi possível baixar o jogo: {}", error), std::nullopt, std::nullopt,
                   std::nullopt, "");
        offer_play(app, "tentar de novo");
    }
}

void finish_job(LauncherApp& app, const JobFinished& finished) {
    app.busy = false;  // what the job's threads freed goes back once the footer shows the outcome (window_shell)
    if (finished.result && *finished.result) {
        // The launcher replaced itself: it starts again, so the game does not.
        set_status(app.ui, "Launcher atualizado. Reiniciando...", std::nullopt, 100.0f, 100.0f, "");
        app.commands.emplace_back(std::in_place_type<RestartLauncherCommand>);
        return;
    }
    if (finished.result) show_job_success(app);
    else if (finished.result.error() != JOB_CANCELLED) show_job_failure(app, finished.result.error());
    if (app.launch_after_update) {
        app.launch_after_update = false;
        if (app.play_enabled) launch_game(app);
    }
}

// A non-empty remote list replaces the local one.
template <class T>
bool take_list(std::optional<std::vector<T>>& local, std::optional<std::vector<T>>& remote) {
    if (!remote || remote->empty() || local == remote) return false;
    local = std::move(remote);
    return true;
}

// A server name of more than white space that differs from the current one renames the window.
bool take_server_name(LauncherApp& app, const std::optional<std::string>& remote) {
    if (!remote) return false;
    const std::string_view name = trim_white_space(*remote);
    if (name.empty() || app.config.server_name == name) return false;
    app.config.server_name = std::string(name);
    if (app.window) app.window->set_title(name);
    return true;
}

// The remote copy may replace the news, the information, the links, the opening date and the server name; the
// rest of it is ignored. launcher.json is written only when something changed (a failed write is ignored).
void merge_remote_config(LauncherApp& app, LauncherConfig& remote) {
    bool changed = take_list(app.config.news, remote.news);
    changed |= take_list(app.config.info, remote.info);
    changed |= take_list(app.config.links, remote.links);
    if (remote.abertura && app.config.abertura != remote.abertura) {
        app.config.abertura = std::move(remote.abertura);
        changed = true;
    }
    changed |= take_server_name(app, remote.server_name);
    if (!changed) return;
    apply_remote_config_to_ui(app.ui, app.config);
    save_launcher_config(app.config, launcher_json_path(app.base_folder));
}

void take_release(LauncherApp& app, ActiveRelease release) {
    app.release = std::move(release);
    show_window_mode(app.ui, load_game_options(app.release.folder).window_mode);
}

}  // namespace

void drain_ui_events(LauncherApp& app) {
    while (std::optional<UiEvent> event = app.event_receiver.try_receive()) handle_ui_event(app, std::move(*event));
}

void handle_ui_event(LauncherApp& app, UiEvent event) {
    std::visit(Overloaded{
                   [&](ServerStatus& status) { apply_server_status(app.ui, status.online); },
                   [&](Progress& progress) { apply_job_progress(app.ui, progress.progress); },
                   [&](JobFinished& finished) { finish_job(app, finished); },
                   [&](RemoteConfig& remote) {
                       if (remote.config) merge_remote_config(app, *remote.config);
                   },
                   [&](ClientRelease& release) { take_release(app, std::move(release.release)); },
               },
               event);
}

void handle_after_launch_timer(LauncherApp& app) {
    if (app.config.close_after_start) app.commands.emplace_back(std::in_place_type<CloseCommand>);
    else offer_play(app, "abrir outra conta");
}

}  // namespace qo
