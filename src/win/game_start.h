#pragma once
// Starting the game client of the active release.
#include <string>

#include "win/launcher_app.h"

namespace qo {

// The game executable's file name in the release folder: always "Main.exe".
std::string game_exe_name(const LauncherApp& app);

// Whether the game executable of the active release is there (its metadata can be read).
bool game_exe_present(const LauncherApp& app);

// Checks the executable's signature and the asset index, then starts the game with "-launcher" in the release
// folder; on success the window is minimised and the after-launch timer armed, on failure an error message box
// is queued and Play offered again.
void launch_game(LauncherApp& app);

}  // namespace qo
