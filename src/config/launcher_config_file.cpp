#include "config/launcher_config_file.h"

#include <iterator>
#include <optional>
#include <system_error>

#include "config/default_launcher_config.h"
#include "platform/files.h"
#include "util/text.h"

namespace qo {
namespace {

bool absent_or_blank(const std::optional<std::string>& text) { return !text || is_blank(*text); }

// The file's values with the defaults standing in for what it lacks.
LauncherConfig with_fallbacks(LauncherConfig file, LauncherConfig defaults) {
    LauncherConfig out;
    out.server_name = absent_or_blank(file.server_name) ? std::move(defaults.server_name) : std::move(file.server_name);
    out.game_exe = absent_or_blank(file.game_exe) ? std::move(defaults.game_exe) : std::move(file.game_exe);
    out.close_after_start = file.close_after_start;
    out.background_video =
        file.background_video ? std::move(file.background_video) : std::move(defaults.background_video);
    out.links = file.links ? std::move(file.links) : std::vector<LauncherLink>{};
    out.news = file.news ? std::move(file.news) : std::vector<LauncherNews>{};
    out.update = (!file.update || absent_or_blank(file.update->manifest_url)) ? std::move(defaults.update)
                                                                                : std::move(file.update);
    out.info = file.info ? std::move(file.info) : std::move(defaults.info);
    out.abertura = std::move(file.abertura);
    return out;
}

}  // namespace

std::filesystem::path launcher_json_path(const std::filesystem::path& game_dir) {
    return game_dir / "Data" / "Launcher" / "launcher.json";
}

LauncherConfig load_launcher_config(const std::filesystem::path& game_dir, const Endpoints& endpoints) {
    const std::filesystem::path path = launcher_json_path(game_dir);
    LauncherConfig defaults = default_launcher_config(endpoints);

    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || status.type() == std::filesystem::file_type::not_found) {
        save_launcher_config(defaults, path);
        return defaults;
    }
    const auto bytes = read_whole_file(path, LAUNCHER_JSON_MAX_SIZE);
    if (!bytes) return defaults;
    auto parsed = deserialize_launcher_config(*bytes);
    if (!parsed) return defaults;
    return with_fallbacks(std::move(*parsed), std::move(defaults));
}

void save_launcher_config(const LauncherConfig& config, const std::filesystem::path& path) {
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    const std::string bytes = serialize_launcher_config(config);
    // Written whole beside the target and renamed over it, so that an interrupted save never leaves a torn
    // document (which would silently turn every later start to the defaults).
    std::filesystem::path next = path;
    next += ".next";
    if (!write_whole_file(next, bytes) || !rename_replace(next, path)) (void)remove_file(next);
}

}  // namespace qo
