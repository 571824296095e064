#pragma once
// Carries out what the player asked for (ui/ui_action.h) and starts update jobs.
#include <string_view>

#include "ui/ui_action.h"
#include "win/launcher_app.h"

namespace qo {

// The settings dialog's notice when the stored options are damaged (they open as the defaults); "Salvar" then
// sets the damaged store aside and writes a new one.
inline constexpr std::string_view DAMAGED_OPTIONS_NOTICE =
    "As configurações salvas estavam danificadas; Salvar grava novas.";

// Open a page, play, minimise, close, open the settings dialog, switch windowed mode, save the game's options.
void dispatch_ui_action(LauncherApp& app, UiAction action);

// Starts the update job unless one runs: Play is disarmed with "verificando..." until the job finishes.
void start_update_job(LauncherApp& app);

}  // namespace qo
