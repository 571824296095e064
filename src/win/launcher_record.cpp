#include "win/launcher_record.h"

#include <utility>

#include "config/launcher_config_file.h"
#include "sealed/release_store.h"
#include "settings/game_options.h"
#include "ui/status.h"
#include "win/play_button.h"

namespace qo {

std::unique_ptr<LauncherApp> make_launcher_app(UiState ui, const std::filesystem::path& base_folder,
                                               bool skip_self_update, const LauncherEnvironment& environment) {
    LauncherConfig config = load_launcher_config(
        base_folder, Endpoints{.site_base_url = environment.site_base_url,
                               .update_base_url = environment.update_base_url});
    UiEventChannel channel = make_ui_event_channel();
    ActiveRelease release = load_active_release(base_folder, environment.release_key);
    auto app = std::make_unique<LauncherApp>(LauncherApp{.ui = std::move(ui),
                                                         .event_sender = channel.sender,
                                                         .event_receiver = std::move(channel.receiver),
                                                         .base_folder = base_folder,
                                                         .release = std::move(release),
                                                         .config = std::move(config),
                                                         .skip_self_update = skip_self_update,
                                                         .environment = environment});
    apply_remote_config_to_ui(app->ui, app->config);
    show_window_mode(app->ui, load_game_options(app->release.folder).window_mode);
    return app;
}

}  // namespace qo
