#include "events/remote_config_thread.h"

#include <memory>
#include <utility>

#include "config/remote_config.h"
#include "util/date_time.h"

namespace qo {

void fetch_remote_config(RemoteConfigFetch fetch) {
    std::optional<LauncherConfig> config =
        download_remote_config(fetch.update_base_url, fetch.extra_ca_file, ticks_now());
    if (!config) return;
    send_ui_event(fetch.sender, RemoteConfig{std::make_unique<LauncherConfig>(std::move(*config))});
}

}  // namespace qo
