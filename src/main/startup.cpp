#include "main/startup.h"

#include <chrono>
#include <filesystem>

#include "main/deployment_endpoints.h"
#include "main/arguments.h"
#include "main/old_executable_cleanup.h"
#include "main/single_instance.h"
#include "main/tool_modes.h"
#include "platform/message_box.h"
#include "platform/named_mutex.h"
#include "platform/process.h"

namespace qo {
namespace {

// A removal of the old executable still retrying when the launcher ends gets this much longer.
constexpr std::chrono::milliseconds kCleanupGraceAtExit{1000};

// Hands the interactive launcher to its window and returns the exit code. The launcher window is not part of
// this build yet: the start ends here with a message.
int open_launcher_window([[maybe_unused]] const std::filesystem::path& game_dir,
                         [[maybe_unused]] bool skip_self_update) {
    show_message_box("QoFenro", "A janela do launcher ainda não está disponível.", MessageBoxKind::Error);
    return 1;
}

int interactive_start(const std::vector<std::string>& arguments) {
    const std::filesystem::path game_dir = launcher_dir();
    const std::filesystem::path old_executable = old_executable_path();

    if (claim_single_instance(old_executable) == InstanceRole::SecondInstance) {
        activate_running_instance(game_dir, deployment_endpoints());
        return 0;
    }

    std::error_code error;
    if (std::filesystem::exists(old_executable, error)) start_old_executable_cleanup(old_executable);

    return open_launcher_window(game_dir, has_teste_flag(arguments));
}

}  // namespace

int program_main(int argc, char** argv) {
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
