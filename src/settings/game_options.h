#pragma once
// The game's own options, kept where the game reads them: values of its registry key and the frame-rate limit
// in its config.ini.
#include <array>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

namespace qo {

struct GameOptions {
    std::string lang = "Por";        // language code, three letters, case as stored ("Por", "Eng", "Spn")
    std::uint32_t window_mode = 1;   // 0 borderless window, 1 window, 2 full screen
    std::uint32_t resolution = 1;    // index into the game's resolution list
    std::uint32_t fps_index = 5;     // index into FPS_LIMIT_CHOICES
    bool render_state = false;       // false = first renderer, true = second
    std::uint32_t volume = 5;        // 0..10
    bool sound = true;
    bool music = false;

    bool operator==(const GameOptions&) const = default;
};

inline constexpr std::array<std::uint32_t, 7> FPS_LIMIT_CHOICES{30, 60, 120, 144, 240, 300, 360};

// The game's registry key under the current user.
inline constexpr std::string_view GAME_REGISTRY_KEY = "SOFTWARE\\Kalvet\\Qo2\\Config";

// <game folder>/Data/Custom/config.ini
std::filesystem::path config_ini_path(const std::filesystem::path& game_folder);

// Index of the FPS_LIMIT_CHOICES entry nearest to a limit; a tie keeps the smaller entry.
std::uint32_t fps_index_for_limit(std::int64_t limit);

// Reads the options; every missing or unreadable value takes its default. Never fails. A config.ini reached
// through a link or mount point out of the game folder counts as missing.
GameOptions load_game_options(const std::filesystem::path& game_folder);

// True when the stored key is damaged: the options then load as the defaults, and the next save starts afresh.
bool game_options_damaged();

// Writes the options back. Only the registry writes decide the outcome (the config.ini write is best effort);
// values written before a refused write stay written. A damaged key is set aside (its bytes kept beside it) and
// written anew, and temporary files left by an earlier save that was killed are removed. config.ini is never
// written through a link or mount point that leads out of the game folder.
std::expected<void, std::string> save_game_options(const GameOptions& options,
                                                   const std::filesystem::path& game_folder);

}  // namespace qo
