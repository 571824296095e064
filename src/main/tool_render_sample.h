#pragma once
// What the benchmark and the capture share: the "--escala" option and the sample window state they draw.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "config/launcher_config.h"
#include "ui/ui_state.h"

namespace qo {

// The scale after the first "--escala" (searched from the first argument on): a finite number from 0.5 to 3,
// written whole as a decimal float; anything else, or no value, gives 1.
float tool_scale(const std::vector<std::string>& arguments);

// The scale as the report prints it: the shortest decimal that reads back as the same float, "1" for 1.
std::string scale_text(float scale);

// The configuration's links, news, information and opening time shown, and the server marked online (as the
// window does when the probe answers).
void show_sample_content(UiState& ui, const LauncherConfig& config);

// The window state at `scale` for the launcher's folder, with the system clocks.
UiState make_tool_ui(float scale, const std::filesystem::path& game_dir);

}  // namespace qo
