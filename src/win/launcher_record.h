#pragma once
// Building the launcher record before its window exists.
#include <filesystem>
#include <memory>

#include "ui/ui_state.h"
#include "win/launcher_app.h"

namespace qo {

// The record around a freshly built UI state: launcher.json (written with its defaults on a first start), a new
// event channel (waking nobody until the window exists), the active release, the configuration's content shown
// in the UI, and the "Modo janela" switch from the game's window mode (on for a window). Nothing runs yet.
std::unique_ptr<LauncherApp> make_launcher_app(UiState ui, const std::filesystem::path& base_folder,
                                               bool skip_self_update, const LauncherEnvironment& environment);

}  // namespace qo
