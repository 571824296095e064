#include "main/startup.h"

#include <chrono>
#include <expected>
#include <string>
#include <filesystem>

#include "main/deployment_endpoints.h"
#include "main/arguments.h"
#include "main/old_executable_cleanup.h"
#include "main/single_instance.h"
#include "main/tool_modes.h"
#include "platform/free_memory.h"
#include "platform/message_box.h"
#include "platform/named_mutex.h"
#include "platform/process.h"
#include "platform/window.h"
#include "sealed/signature.h"
#include "win/window_shell.h"

namespace qo {
namespace {

// A removal of the old executable still retrying when the launcher ends gets this much longer.
constexpr std::chrono::milliseconds kCleanupGraceAtExit{1000};

// What the launcher window is given of the executable's deployment. A build without a release key could verify
// nothing it downloads or starts: it says so and ends instead of opening a window that can never play.
std::expected<LauncherEnvironment, std::string> launcher_environment() {
    const Deployment& values = deployment();
    auto key = ReleaseKey::from_blob(values.release_key_blob);
    if (!key) return std::unexpected(std::string("A chave de verificação das versões não está configurada."));
    return LauncherEnvironment{.site_base_url = values.site_base_url,
                               .update_base_url = values.update_base_url,
                               .extra_ca_file = values.extra_ca_file,
                               .game_server = values.game_server,
                               .release_key = std::move(*key),
                               .exe = current_exe_path()};
}

// Hands the interactive launcher to its window and returns the exit code.
int open_launcher_window(const std::filesystem::path& game_dir, bool skip_self_update) {
    auto environment = launcher_environment();
    if (!environment) {
        show_message_box("QoFenro", environment.error(), MessageBoxKind::Error);
        return 1;
    }
    return run_main_window(game_dir, skip_self_update, *environment);
}

int interactive_start(const std::vector<std::string>& arguments) {
    const std::filesystem::path game_dir = launcher_dir();
    const std::filesystem::path old_executable = old_executable_path();

    if (claim_single_instance(old_executable) == InstanceRole::SecondInstance) {
        activate_running_instance(game_dir, deployment_endpoints());
        return 0;
    }

    // Before any thread of the launcher's own: SDL's first start may fork.
    const SdlTimersFirst sdl_timers;
    std::error_code error;
    if (std::filesystem::exists(old_executable, error)) start_old_executable_cleanup(old_executable);

    return open_launcher_window(game_dir, has_teste_flag(arguments));
}

}  // namespace

int program_main(int argc, char** argv) {
    keep_allocations_in_one_arena();
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int exit_code = real_main(arguments);
    release_single_instance_mutex();
    wait_for_old_executable_cleanup(kCleanupGraceAtExit);
    return exit_code;
}

int real_main(const std::vector<std::string>& arguments) {
    if (const ToolMode* mode = select_tool_mode(arguments, tool_modes())) return mode->run(arguments);
    return interactive_start(arguments);
}

}  // namespace qo
