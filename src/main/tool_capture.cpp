#include "main/tool_capture.h"

#include <cstdint>
#include <string_view>

#include "config/launcher_config_file.h"
#include "gfx/image_codec.h"
#include "main/arguments.h"
#include "main/deployment_endpoints.h"
#include "main/tool_render_sample.h"
#include "platform/files.h"
#include "platform/process.h"
#include "ui/fast_forward.h"
#include "ui/settings_dialog.h"
#include "ui/status.h"
#include "ui/tween.h"

namespace qo {
namespace {

// The sample window of a capture: a check of the files under way, Play armed, the opening animations done.
void prepare_capture_screen(UiState& ui) {
  ui.windowed = true;
  tween_retarget(ui.windowed_knob, 1.0f, ui.ui_clock);
  ui.redraw_needed = true;
  set_status(ui, "Verificando arquivos...", "Data/Local/Por/Text_Por.bmd", 51.0f, 92.0f, "");
  ui.play_armed = true;
  ui.play_caption = "tudo pronto";
  ui.redraw_needed = true;
  fast_forward_and_render(ui, 3.0f);
}

// A capture is the window's picture, and the window's copy of a frame makes every pixel opaque.
void make_opaque(Pixmap& picture) {
  for (uint32_t& pixel : picture.pixels()) pixel |= 0xFF000000u;
}

}  // namespace

CaptureRequest capture_request(const std::vector<std::string>& arguments) {
  CaptureRequest request;
  if (arguments.size() > 1) request.output = arguments[1];
  request.scale = tool_scale(arguments);
  for (size_t i = 2; i < arguments.size(); ++i)
    if (argument_matches(arguments[i], "cfg")) request.settings_dialog = true;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (!argument_matches(arguments[i], "--dados")) continue;
    if (i + 1 < arguments.size()) request.content = arguments[i + 1];
    break;
  }
  return request;
}

std::expected<std::optional<LauncherConfig>, std::string> read_capture_content(const std::filesystem::path& file) {
  const auto bytes = read_whole_file(file);
  if (!bytes) return std::optional<LauncherConfig>();
  auto content = deserialize_launcher_config(*bytes);
  if (!content) return std::unexpected(content.error());
  return std::optional<LauncherConfig>(std::move(*content));
}

void lay_capture_content_over(LauncherConfig& config, const LauncherConfig& content) {
  if (content.links) config.links = content.links;
  if (content.news) config.news = content.news;
  if (content.info) config.info = content.info;
  if (content.abertura) config.abertura = content.abertura;
}

int run_capture(const std::filesystem::path& game_dir, const LauncherConfig& config, const CaptureRequest& request) {
  UiState ui = make_tool_ui(request.scale, game_dir);
  show_sample_content(ui, config);
  prepare_capture_screen(ui);
  if (request.settings_dialog) {
    open_settings_dialog(ui, capture_settings_model());
    fast_forward_and_render(ui, 1.0f);
  }
  make_opaque(ui.canvas.pixmap);
  const auto png = encode_png(ui.canvas.pixmap);
  if (!png) return 1;
  const std::string_view bytes(reinterpret_cast<const char*>(png->data()), png->size());
  return write_whole_file(request.output, bytes) ? 0 : 1;
}

int capture_mode(const std::vector<std::string>& arguments) {
  const CaptureRequest request = capture_request(arguments);
  std::optional<LauncherConfig> content;
  if (request.content) {
    // Checked before anything is loaded or written: a capture of other content than asked is a failure.
    auto read = read_capture_content(*request.content);
    if (!read) return 1;
    content = std::move(*read);
  }
  const std::filesystem::path game_dir = launcher_dir();
  LauncherConfig config = load_launcher_config(game_dir, deployment_endpoints());
  if (content) lay_capture_content_over(config, *content);
  return run_capture(game_dir, config, request);
}

}  // namespace qo
