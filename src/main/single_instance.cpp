#include "main/single_instance.h"

#include <optional>
#include <system_error>
#include <utility>

#include "config/launcher_config_file.h"
#include "platform/instance_window.h"
#include "platform/named_mutex.h"

namespace qo {
namespace {

// The launcher window's class and the title it carries when launcher.json names no server.
constexpr std::string_view kLauncherWindowClass = "QoTarmishLauncherMain";
constexpr std::string_view kProductTitle = "QoFenro";

bool file_exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace

InstanceRole claim_single_instance(const std::filesystem::path& old_executable,
                                   std::chrono::milliseconds restart_wait) {
    NamedMutexCreated created = create_named_mutex(SINGLE_INSTANCE_MUTEX);
    // Without a handle the launcher carries on unguarded.
    if (!created.mutex) return InstanceRole::Owner;
    NamedMutex mutex = std::move(*created.mutex);

    if (created.already_exists) {
        if (!file_exists(old_executable)) return InstanceRole::SecondInstance;  // the handle closes unowned
        if (mutex.wait(restart_wait) != MutexWait::Acquired) return InstanceRole::SecondInstance;
    }
    store_single_instance_mutex(std::move(mutex));
    return InstanceRole::Owner;
}

void activate_running_instance(const std::filesystem::path& game_dir, const Endpoints& endpoints) {
    std::optional<InstanceWindow> window = find_window_by_class(kLauncherWindowClass);
    if (!window) {
        const LauncherConfig config = load_launcher_config(game_dir, endpoints);
        window = find_window_by_title(config.server_name ? std::string_view(*config.server_name) : kProductTitle);
    }
    if (window) restore_and_activate(*window);
}

}  // namespace qo
