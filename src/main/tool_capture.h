#pragma once
// "--captura" <output.png> ["cfg"] ["--escala" <scale>] ["--dados" <content file>]: draws a sample window (with
// the settings dialog open when "cfg" is given) and writes its picture as a PNG file.
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "config/launcher_config.h"

namespace qo {

// The capture's choices from its arguments.
struct CaptureRequest {
  std::filesystem::path output;
  float scale = 1.0f;
  bool settings_dialog = false;                 // "cfg" from the third argument on
  std::optional<std::filesystem::path> content;  // after "--dados"
};

CaptureRequest capture_request(const std::vector<std::string>& arguments);

// The content file as a launcher.json document: none when it cannot be read (it is then ignored), an error when
// it is read but is not a valid document.
std::expected<std::optional<LauncherConfig>, std::string> read_capture_content(const std::filesystem::path& file);

// Each of links, news, information and opening time that the content gives replaces the configuration's.
void lay_capture_content_over(LauncherConfig& config, const LauncherConfig& content);

// One capture of a game folder's window with the given configuration: 0 when the PNG was written, 1 when
// encoding or writing failed.
int run_capture(const std::filesystem::path& game_dir, const LauncherConfig& config, const CaptureRequest& request);

// The mode as started from the command line.
int capture_mode(const std::vector<std::string>& arguments);

}  // namespace qo
