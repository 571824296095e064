#pragma once
// What the status area and the countdown show: the status line, file name and speed texts, the two progress
// bars, the opening time with its caption, and content that arrives in launcher.json.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/launcher_config.h"
#include "ui/ui_state.h"
#include "util/byte_format.h"  // format_transfer_speed, for the speed text

namespace qo {

// The countdown's target until launcher.json gives another.
inline constexpr std::string_view DEFAULT_OPENING_TIME = "2026-12-05T20:00:00-03:00";

// Replaces each given text and moves each given bar (percent, clamped to 0..100) from where it is shown now;
// absent arguments leave their field alone. Always asks for the footer to be repainted.
void set_status(UiState& ui, std::optional<std::string_view> status, std::optional<std::string_view> detail,
                std::optional<float> stage_percent, std::optional<float> main_percent,
                std::optional<std::string_view> speed);

// The caption of an opening instant in Brasília time (UTC-3): "05 de dezembro · 20h", "05 de dezembro · 20h30".
std::string opening_caption(int64_t unix_ms);

// Sets the countdown target and its caption from an ISO-8601 date-time; a text that does not parse changes
// nothing.
void set_opening_time(UiState& ui, std::string_view text);

// Hands the configuration's links, news, server information and opening time to the layout.
void apply_remote_config_to_ui(UiState& ui, const LauncherConfig& config);

}  // namespace qo
