#pragma once
// The one system font the window may use: Arial, or the metric-compatible face the system installs under its
// name (Liberation Sans on Debian), found through fontconfig.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace qo {

// The file of the installed face that answers to "Arial"; none when fontconfig offers only an unrelated
// fallback (a different design with different widths) or nothing at all.
std::optional<std::filesystem::path> find_arial_font_file();

// The whole file, read once per path and kept for the program's life (a loaded face borrows its bytes); none
// when it cannot be read or is empty.
std::optional<std::span<const uint8_t>> read_font_file_for_program_life(const std::filesystem::path& file);

}  // namespace qo
