#include "main/tool_update_test.h"

#include <atomic>
#include <chrono>
#include <memory>

#include <fmt/format.h>

#include "config/launcher_config_file.h"
#include "main/deployment_endpoints.h"
#include "main/tool_log.h"
#include "platform/process.h"
#include "updater/manifest_update.h"
#include "util/error_detail.h"

namespace qo {

int run_update_test(const std::filesystem::path& game_dir, const Endpoints& endpoints,
                    const std::string& extra_ca_file) {
    const auto log_path = tool_log_path(game_dir, "atualizacao_teste.log");
    const auto t0 = std::chrono::steady_clock::now();
    const LauncherConfig config = load_launcher_config(game_dir, endpoints);

    UpdateJob job{.game_dir = game_dir,
                  .update = config.update.value_or(UpdateConfig{}),
                  .skip_launcher_exe = false,
                  .launcher_replaced = false,
                  .extra_ca_file = extra_ca_file,
                  .launcher_exe = {}};
    auto log = std::make_shared<ProgressLog>();
    const std::atomic<bool> never_cancelled{false};
    const auto result = run_update(job, make_status_log_sink(log), never_cancelled);

    std::vector<std::string> lines;
    {
        std::lock_guard lock(log->mutex);
        lines = log->lines;
    }
    int exit_code = 0;
    if (result) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        lines.push_back(fmt::format("OK em {} s", format_seconds_decimal_comma(elapsed)));
    } else {
        lines.push_back(fmt::format("ERRO: {}", logged_error_text(result.error())));
        exit_code = 1;
    }
    write_tool_log(log_path, lines);
    return exit_code;
}

int update_test_mode(const std::vector<std::string>&) {
    return run_update_test(launcher_dir(), deployment_endpoints(), deployment().extra_ca_file);
}

}  // namespace qo
