#include "settings/game_options.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "platform/files.h"
#include "platform/ini_profile.h"
#include "platform/registry.h"
#include "settings/registry_values.h"
#include "util/text.h"
#include "util/utf16.h"

namespace qo {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kWindowMode = "WindowMode";
constexpr std::string_view kResolution = "Resolution";
constexpr std::string_view kRenderState = "RenderState";
constexpr std::string_view kSound = "SoundOnOff";
constexpr std::string_view kMusic = "MusicOnOff";
constexpr std::string_view kVolume = "VolumeLevel";
constexpr std::string_view kLanguage = "LangSelection";
constexpr std::string_view kFpsSection = "FPS";
constexpr std::string_view kFpsKey = "Limit";
constexpr std::int32_t kDefaultFpsLimit = 300;

std::uint32_t valid_window_mode(std::int64_t mode) { return (mode >= 0 && mode <= 2) ? static_cast<std::uint32_t>(mode) : 1; }

std::string valid_language(const RegValue& stored) {
    if (const auto* text = std::get_if<RegText>(&stored)) {
        for (std::string_view known : {"por", "eng", "spn"})
            if (ascii_iequals(text->text, known)) return text->text;  // the stored spelling is kept
    }
    return "Por";
}

std::uint32_t clamp_volume(std::int32_t level) {
    if (level < 1) return 0;
    return level > 10 ? 10u : static_cast<std::uint32_t>(level);
}

// REG_SZ data: UTF-16LE with its terminating NUL.
std::vector<std::uint8_t> utf16le_z_bytes(std::string_view text) {
    const std::u16string units = utf8_to_wide_z(text);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(units.size() * 2);
    for (char16_t unit : units) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

// config.ini, unless a link or mount point on its way from the game folder leads out of that folder: such a
// file is neither read nor written, as if it were missing.
std::optional<fs::path> own_config_ini(const fs::path& game_folder) {
    fs::path ini = config_ini_path(game_folder);
    if (leads_out_through_redirect(game_folder, ini)) return std::nullopt;
    return ini;
}

// Opens the key for a save. A damaged key file is set aside first, so the save starts the key afresh instead of
// failing on it for good.
std::expected<RegistryKey, std::string> key_for_saving() {
    (void)registry_set_aside_damaged_key(GAME_REGISTRY_KEY);
    return registry_open_key(GAME_REGISTRY_KEY);
}

void write_fps_limit(const fs::path& game_folder, std::uint32_t fps_index) {
    const auto ini = own_config_ini(game_folder);
    if (!ini) return;
    std::error_code ec;
    fs::create_directories(ini->parent_path(), ec);
    remove_leftover_temporaries(*ini);
    const std::size_t fps = std::min<std::size_t>(fps_index, FPS_LIMIT_CHOICES.size() - 1);
    (void)ini_write_string(*ini, kFpsSection, kFpsKey, std::to_string(FPS_LIMIT_CHOICES[fps]));
}

}  // namespace

fs::path config_ini_path(const fs::path& game_folder) { return game_folder / "Data" / "Custom" / "config.ini"; }

std::uint32_t fps_index_for_limit(std::int64_t limit) {
    std::uint32_t best = 0;
    for (std::uint32_t i = 1; i < FPS_LIMIT_CHOICES.size(); ++i) {
        const auto distance = [limit](std::uint32_t choice) {
            const std::int64_t d = limit - static_cast<std::int64_t>(choice);
            return d < 0 ? -d : d;
        };
        if (distance(FPS_LIMIT_CHOICES[i]) < distance(FPS_LIMIT_CHOICES[best])) best = i;
    }
    return best;
}

bool game_options_damaged() { return registry_key_damaged(GAME_REGISTRY_KEY); }

GameOptions load_game_options(const fs::path& game_folder) {
    GameOptions options;
    auto key = registry_open_key(GAME_REGISTRY_KEY);
    if (!key) return options;  // config.ini is not consulted either

    options.window_mode = valid_window_mode(reg_read_int(*key, kWindowMode, 1));
    options.resolution = static_cast<std::uint32_t>(reg_read_int(*key, kResolution, 1));

    // A missing config.ini reads as the default limit.
    const auto ini = own_config_ini(game_folder);
    const std::int32_t limit = ini ? ini_read_int(*ini, kFpsSection, kFpsKey, kDefaultFpsLimit) : kDefaultFpsLimit;
    options.fps_index = fps_index_for_limit(limit);

    options.render_state = reg_read_int(*key, kRenderState, 0) > 0;
    options.sound = reg_read_int(*key, kSound, 1) != 0;
    options.music = reg_read_int(*key, kMusic, 0) != 0;
    options.volume = clamp_volume(reg_read_int(*key, kVolume, 5));
    options.lang = valid_language(reg_read_string(*key, kLanguage));
    return options;
}

std::expected<void, std::string> save_game_options(const GameOptions& options, const fs::path& game_folder) {
    auto key = key_for_saving();
    if (!key) return std::unexpected("não foi possível abrir o registro do jogo");
    remove_leftover_temporaries(key->file());  // a save killed half-way leaves them

    bool written = key->set_dword(kWindowMode, valid_window_mode(options.window_mode)).has_value();
    written = written && key->set_dword(kResolution, options.resolution).has_value();

    // The frame-rate limit goes to config.ini whatever the registry said; its outcome is not reported.
    write_fps_limit(game_folder, options.fps_index);

    const std::string_view lang = options.lang.empty() ? std::string_view("Por") : std::string_view(options.lang);
    const bool rest_written = key->set_dword(kRenderState, options.render_state ? 1 : 0) &&
                              key->set_dword(kSound, options.sound ? 1 : 0) &&
                              key->set_dword(kMusic, options.music ? 1 : 0) &&
                              key->set_dword(kVolume, options.volume) &&
                              key->set_value(kLanguage, registry_type::sz, utf16le_z_bytes(lang));
    if (!written || !rest_written) return std::unexpected("o Windows recusou a gravação no registro");
    return {};
}

}  // namespace qo
