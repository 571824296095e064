#pragma once
// launcher.json under Data/Launcher of the game folder: loading with per-field fallbacks, and saving.
#include <cstddef>
#include <filesystem>

#include "config/endpoints.h"
#include "config/launcher_config.h"

namespace qo {

// A longer launcher.json is not read (as one that cannot be read): far above what a remote copy can bring.
inline constexpr std::size_t LAUNCHER_JSON_MAX_SIZE = 16 << 20;

// game_dir / "Data" / "Launcher" / "launcher.json".
std::filesystem::path launcher_json_path(const std::filesystem::path& game_dir);

// Never fails. A missing file gives the defaults, which are then written to it (first start); an unreadable
// file or an invalid document gives the defaults and leaves the file alone; otherwise each field of the file
// is taken, blank or absent ones falling back to their defaults. A loaded file is not written back.
LauncherConfig load_launcher_config(const std::filesystem::path& game_dir, const Endpoints& endpoints);

// Writes the configuration to `path` (creating missing folders), replacing the file whole. Failures are
// ignored: nothing is reported, and the file is left as it was.
void save_launcher_config(const LauncherConfig& config, const std::filesystem::path& path);

}  // namespace qo
