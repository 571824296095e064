#include "win/game_start.h"

#include <fmt/format.h>

#include <expected>
#include <system_error>

#include "platform/process.h"
#include "sealed/asset_index.h"
#include "sealed/signature.h"
#include "win/play_button.h"

namespace qo {
namespace fs = std::filesystem;
namespace {

// Checks the executable's signature and the release's asset index, then starts the very bytes that were checked
// (the verified file stays open until the game has been started from it).
std::expected<void, std::string> start_verified_game(const LauncherApp& app, const fs::path& exe) {
    auto verified = verify_detached_signature(app.environment.release_key, exe);
    if (!verified) return std::unexpected(verified.error());
    if (auto index = read_assets_index_header(app.release.folder); !index) return std::unexpected(index.error());
    auto started = spawn_detached_from_file(verified->stream(), exe, {"-launcher"}, app.release.folder);
    if (!started) return std::unexpected(started.error());
    return {};
}

}  // namespace

std::string game_exe_name(const LauncherApp&) { return "Main.exe"; }

bool game_exe_present(const LauncherApp& app) {
    std::error_code ec;
    const fs::file_status status = fs::status(app.release.folder / game_exe_name(app), ec);
    return !ec && fs::exists(status);
}

void launch_game(LauncherApp& app) {
    hold_play(app, "abrindo o jogo...");
    if (auto started = start_verified_game(app, app.release.folder / game_exe_name(app)); !started) {
        app.commands.push_back(MessageBoxCommand{fmt::format("Não foi possível abrir o jogo:\n{}", started.error()),
                                                 MessageBoxKind::Error});
        offer_play(app, "cliente pronto");
        return;
    }
    // The caption stays until the after-launch timer closes the launcher or offers Play again.
    app.commands.emplace_back(std::in_place_type<MinimizeCommand>);
    app.commands.emplace_back(std::in_place_type<ArmAfterLaunchTimerCommand>);
}

}  // namespace qo
