#pragma once
// The "JOGAR" button's state as the dispatcher, the game start and the event drain change it, and the windowed
// toggle as the game's stored window mode sets it.
#include <cstdint>
#include <string_view>

#include "win/launcher_app.h"

namespace qo {

// Play cannot be used for now; the caption says why ("verificando...", "abrindo o jogo...").
void hold_play(LauncherApp& app, std::string_view caption);

// Play can be used again, under this caption ("cliente pronto", "tentar de novo", "abrir outra conta", ...).
void offer_play(LauncherApp& app, std::string_view caption);

// The windowed toggle shows the stored window mode: on for a window (mode 1), its knob moving there.
void show_window_mode(UiState& ui, std::uint32_t window_mode);

}  // namespace qo
