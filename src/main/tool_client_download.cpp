#include "main/tool_client_download.h"

#include <climits>
#include <cmath>

#include <fmt/format.h>

#include "deploy/deployment.h"
#include "main/arguments.h"
#include "platform/process.h"
#include "sealed/release_store.h"
#include "util/byte_format.h"
#include "util/error_detail.h"

namespace qo {
namespace {

constexpr const char* LOG_FILE = "cliente_teste.log";

// floor(fraction x 10) saturated to 32 bits; NaN gives 0.
std::int32_t progress_decile(double fraction) {
    double decile = std::floor(fraction * 10.0);
    if (std::isnan(decile)) return 0;
    if (decile <= static_cast<double>(INT32_MIN)) return INT32_MIN;
    if (decile >= static_cast<double>(INT32_MAX)) return INT32_MAX;
    return static_cast<std::int32_t>(decile);
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
    auto elapsed = std::chrono::steady_clock::now() - t0;
    if (elapsed.count() < 0) return 0.0;
    return std::chrono::duration<double>(elapsed).count();
}

std::expected<ReleaseKey, std::string> deployment_release_key() {
    auto key = ReleaseKey::from_blob(deployment().release_key_blob);
    if (!key) return std::unexpected("a chave de verificação das versões não está configurada.");
    return key;
}

}  // namespace

void progress_log_record(ProgressLog& log, std::chrono::steady_clock::time_point t0, const JobProgress& progress) {
    std::lock_guard lock(log.mutex);
    std::string_view text = progress.text;
    std::string_view prefix = text.substr(0, text.find(':'));
    std::string key = fmt::format("{}|{}", prefix, progress_decile(progress.total_fraction));
    if (key == log.last_key) return;
    log.lines.push_back(fmt::format("{:>6.1f} s  {}  {:.0f}%  {}", seconds_since(t0), progress.text,
                                    progress.total_fraction * 100.0,
                                    format_transfer_speed(progress.bytes_per_second)));
    log.last_key = std::move(key);
}

ProgressSink make_progress_log_sink(std::shared_ptr<ProgressLog> log, std::chrono::steady_clock::time_point t0) {
    return make_recording_progress_sink(
        [log = std::move(log), t0](JobProgress progress) { progress_log_record(*log, t0, progress); });
}

int run_client_download(const std::filesystem::path& game_dir, bool skip_self_update,
                        const SelfUpdateSettings& self_update, const SealedUpdateSettings& release_update) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::atomic<bool> never_cancelled{false};
    std::vector<std::string> lines;
    lines.push_back(fmt::format("pasta: {}", game_dir.string()));
    lines.push_back("canal criptografado: true");
    if (!skip_self_update)
        lines.push_back(fmt::format("launcher trocado: {}", self_update_launcher(never_cancelled, self_update)));

    ActiveRelease active = load_active_release(game_dir, release_update.key);
    lines.push_back(fmt::format("geração atual: {}", active.folder.string()));

    auto log = std::make_shared<ProgressLog>();
    auto result = update_sealed_client(game_dir, active.folder, make_progress_log_sink(log, t0), never_cancelled,
                                       release_update);
    {
        std::lock_guard lock(log->mutex);
        lines.insert(lines.end(), log->lines.begin(), log->lines.end());
    }

    int exit_code = 0;
    if (result) {
        lines.push_back(fmt::format("OK em {:.1f} s, jogo em {}", seconds_since(t0), result->folder.string()));
        auto signature = verify_detached_signature(release_update.key, result->folder / "Main.exe");
        lines.push_back(signature ? std::string("assinatura do Main: OK")
                                  : fmt::format("assinatura do Main: ERRO {}", logged_error_text(signature.error())));
    } else {
        lines.push_back(fmt::format("ERRO: {}", logged_error_text(result.error())));
        exit_code = 1;
    }
    write_tool_log(tool_log_path(game_dir, LOG_FILE), lines);
    return exit_code;
}

int client_download_mode(const std::vector<std::string>& arguments) {
    const std::filesystem::path game_dir = launcher_dir();
    const Deployment& values = deployment();
    auto key = deployment_release_key();
    if (!key) {
        write_tool_log(tool_log_path(game_dir, LOG_FILE), {fmt::format("ERRO: {}", logged_error_text(key.error()))});
        return 1;
    }
    SelfUpdateSettings self_update{.update_base_url = values.update_base_url,
                                   .extra_ca_file = values.extra_ca_file,
                                   .exe = current_exe_path(),
                                   .connect_timeout = std::chrono::seconds{15},
                                   .io_timeout = std::chrono::seconds{60}};
    SealedUpdateSettings release_update{.update_base_url = values.update_base_url,
                                        .extra_ca_file = values.extra_ca_file,
                                        .key = *key,
                                        .sleep = {}};
    return run_client_download(game_dir, has_teste_flag(arguments), self_update, release_update);
}

}  // namespace qo
