#include "main/tool_render_sample.h"

#include <fmt/format.h>

#include <charconv>
#include <cmath>
#include <span>

#include "main/arguments.h"
#include "ui/assets.h"
#include "ui/layout.h"

namespace qo {
namespace {

constexpr float MIN_TOOL_SCALE = 0.5f;
constexpr float MAX_TOOL_SCALE = 3.0f;

std::optional<float> parse_scale(const std::string& text) {
  float value = 0.0f;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  if (!std::isfinite(value) || value < MIN_TOOL_SCALE || value > MAX_TOOL_SCALE) return std::nullopt;
  return value;
}

template <typename T>
std::span<const T> list_or_empty(const std::optional<std::vector<T>>& list) {
  return list ? std::span<const T>(*list) : std::span<const T>();
}

}  // namespace

float tool_scale(const std::vector<std::string>& arguments) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (!argument_matches(arguments[i], "--escala")) continue;
    if (i + 1 >= arguments.size()) return 1.0f;
    return parse_scale(arguments[i + 1]).value_or(1.0f);
  }
  return 1.0f;
}

std::string scale_text(float scale) { return fmt::format("{}", scale); }

void show_sample_content(UiState& ui, const LauncherConfig& config) {
  std::optional<std::string_view> opening;
  if (config.abertura) opening = *config.abertura;
  set_launcher_content(ui, list_or_empty(config.links), list_or_empty(config.news), list_or_empty(config.info),
                       opening);
  if (!ui.server_online) ui.online_since = ui.ui_clock;
  ui.server_online = true;
  ui.server_status_text = "ONLINE";
  relayout_texts(ui);
}

UiState make_tool_ui(float scale, const std::filesystem::path& game_dir) {
  UiEnvironment environment;
  environment.launcher_folder = game_dir;
  return load_assets_and_init_ui(scale, environment);
}

}  // namespace qo
