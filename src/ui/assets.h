#pragma once
// Building the window's state: fonts, icons, pictures (each replaceable by a file beside the launcher), the
// countdown default, the scaled layers and the sparks.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "ui/clock.h"
#include "ui/system_font.h"
#include "ui/ui_state.h"

namespace qo {

// What the state is built from besides the embedded assets.
struct UiEnvironment {
  std::filesystem::path launcher_folder;  // holds the picture overrides (see media_override_dir)
  UiClockSource clock = UiClockSource::system();
  // The system font's file for the Arial slot; none leaves the slot absent.
  std::function<std::optional<std::filesystem::path>()> find_system_font = find_arial_font_file;
};

// Names of the pictures, in the override folder and among the embedded assets ("images/<name>").
inline constexpr std::string_view HERO_IMAGE_NAME = "hero-fenro.webp";
inline constexpr std::string_view LOGO_IMAGE_NAME = "logo-fenro.png";
inline constexpr std::string_view CREST_IMAGE_NAME = "crest-fenro.png";

// A longer override picture is not read; the embedded one stands in.
inline constexpr std::size_t MEDIA_FILE_MAX_SIZE = 32 << 20;

// <launcher folder>/Data/LauncherWeb/media
std::filesystem::path media_override_dir(const std::filesystem::path& launcher_folder);

// The override file's bytes when it can be read and is not empty, else a copy of the embedded bytes.
std::vector<uint8_t> read_media_file(const std::filesystem::path& launcher_folder, std::string_view name,
                                     std::span<const uint8_t> embedded);

// The six embedded faces and, when the system file is given and parses, the Arial slot. An embedded face that
// does not parse ends the process with "fonte".
FontSet load_font_set(const std::optional<std::filesystem::path>& system_font_file);

// The whole window state at `scale`, ready for the first frame.
UiState load_assets_and_init_ui(float scale, const UiEnvironment& environment);

}  // namespace qo
