#pragma once
// The main screen's content lists, their measured layout and the main hit list.
#include <optional>
#include <span>
#include <string_view>

#include "config/launcher_config.h"
#include "ui/ui_state.h"

namespace qo {

// Replaces the three content lists, sets the countdown target when an opening time is given, and lays the
// texts out again.
void set_launcher_content(UiState& ui, std::span<const LauncherLink> links, std::span<const LauncherNews> news,
                          std::span<const LauncherInfo> info, std::optional<std::string_view> opening);

// Measures the texts whose widths decide positions and rebuilds the layout, the main hit list and the three
// cached element layers.
void relayout_texts(UiState& ui);

}  // namespace qo
