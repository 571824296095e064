#include "settings/game_options.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "platform/ini_profile.h"
#include "platform/registry.h"
#include "settings/registry_values.h"
#include "support/hang_guard.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qo {
namespace {
namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

std::vector<std::uint8_t> utf16z(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

std::vector<std::uint8_t> dword_bytes(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

class GameOptionsStore : public ::testing::Test {
protected:
    test::TempDir config;
    test::TempDir game;
    test::ScopedEnv xdg{"XDG_CONFIG_HOME", config.path().string()};

    RegistryKey key() { return *registry_open_key(GAME_REGISTRY_KEY); }
    void set_text(std::string_view name, std::u16string_view text) {
        ASSERT_TRUE(key().set_value(name, registry_type::sz, utf16z(text)));
    }
    void set_dword(std::string_view name, std::uint32_t value) { ASSERT_TRUE(key().set_dword(name, value)); }
    fs::path key_folder() const { return config / "QoFenro/registry/software/kalvet/qo2/config"; }
    void make_store_read_only() {
        for (const fs::path& folder : {key_folder(), config / "QoFenro/registry"})
            fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
    }
};

TEST_F(GameOptionsStore, EmptyStoreGivesTheDefaults) {
    EXPECT_EQ(load_game_options(game.path()), GameOptions{});
    EXPECT_EQ(GameOptions{}.fps_index, 5u);
    EXPECT_EQ(FPS_LIMIT_CHOICES[GameOptions{}.fps_index], 300u);
}

TEST_F(GameOptionsStore, NumbersAreKeptClampedOrReplacedByTheirRules) {
    set_dword("WindowMode", 7);
    set_dword("Resolution", 4);
    set_dword("RenderState", 0xFFFFFFFF);  // -1 is not greater than 0
    set_dword("SoundOnOff", 0);
    set_dword("MusicOnOff", 2);
    set_dword("VolumeLevel", static_cast<std::uint32_t>(-3));
    GameOptions options = load_game_options(game.path());
    EXPECT_EQ(options.window_mode, 1u);
    EXPECT_EQ(options.resolution, 4u);
    EXPECT_FALSE(options.render_state);
    EXPECT_FALSE(options.sound);
    EXPECT_TRUE(options.music);
    EXPECT_EQ(options.volume, 0u);

    set_dword("WindowMode", 2);
    set_dword("RenderState", 3);
    set_dword("VolumeLevel", 25);
    options = load_game_options(game.path());
    EXPECT_EQ(options.window_mode, 2u);
    EXPECT_TRUE(options.render_state);
    EXPECT_EQ(options.volume, 10u);
}

TEST_F(GameOptionsStore, TextInANumberSlotIsParsedTrimmed) {
    auto resolution_from = [&](std::u16string_view text) {
        set_text("Resolution", text);
        return load_game_options(game.path()).resolution;
    };
    EXPECT_EQ(resolution_from(u" 3 "), 3u);
    EXPECT_EQ(resolution_from(u"\u00A0\u30003\u2028"), 3u);  // Unicode white space counts too
    EXPECT_EQ(resolution_from(u"+3"), 3u);
    EXPECT_EQ(resolution_from(u"-"), 1u);
    EXPECT_EQ(resolution_from(u"3x"), 1u);
    EXPECT_EQ(resolution_from(u"4294967296"), 1u);
    EXPECT_EQ(resolution_from(u""), 1u);
}

TEST_F(GameOptionsStore, WrongTypesAndShortNumbersFallBackToTheDefault) {
    ASSERT_TRUE(key().set_value("VolumeLevel", registry_type::dword, dword_bytes(8)));
    ASSERT_TRUE(key().set_value("WindowMode", registry_type::dword, {{2, 0, 0}}));     // 3 bytes: too short
    ASSERT_TRUE(key().set_value("Resolution", registry_type::binary, dword_bytes(3)));  // not a number type
    ASSERT_TRUE(key().set_value("SoundOnOff", registry_type::qword, std::vector<std::uint8_t>(8, 0)));
    ASSERT_TRUE(key().set_value("MusicOnOff", registry_type::dword, {{1, 0, 0, 0, 9, 9}}));  // longer: first 4
    GameOptions options = load_game_options(game.path());
    EXPECT_EQ(options.volume, 8u);
    EXPECT_EQ(options.window_mode, 1u);
    EXPECT_EQ(options.resolution, 1u);
    EXPECT_TRUE(options.sound);
    EXPECT_TRUE(options.music);
}

TEST_F(GameOptionsStore, LanguageRules) {
    auto lang_from = [&](std::u16string_view text) {
        set_text("LangSelection", text);
        return load_game_options(game.path()).lang;
    };
    EXPECT_EQ(lang_from(u"ENG"), "ENG");
    EXPECT_EQ(lang_from(u"spn"), "spn");
    EXPECT_EQ(lang_from(u"Eng "), "Por");
    EXPECT_EQ(lang_from(u"En"), "Por");
    EXPECT_EQ(lang_from(u"Fra"), "Por");
    EXPECT_EQ(lang_from(u"\u00C9ng"), "Por");  // 3 characters but 4 bytes
    set_dword("LangSelection", 1);
    EXPECT_EQ(load_game_options(game.path()).lang, "Por");
    ASSERT_TRUE(key().set_value("LangSelection", registry_type::expand_sz, utf16z(u"Spn")));
    EXPECT_EQ(load_game_options(game.path()).lang, "Spn");
}

TEST_F(GameOptionsStore, StringValuesEndAtTheFirstNulAndRepairBrokenUtf16) {
    RegistryKey k = key();
    ASSERT_TRUE(k.set_value("A", registry_type::sz, {{'E', 0, 'n', 0, 'g', 0, 0, 0, 'x', 0}}));
    ASSERT_TRUE(k.set_value("B", registry_type::sz, {{'E', 0, 'n', 0, 'g', 0, 'x'}}));  // no NUL, odd size
    ASSERT_TRUE(k.set_value("C", registry_type::sz, {{'a', 0, 0x00, 0xD8, 'b', 0}}));    // lone high surrogate
    ASSERT_TRUE(k.set_value("D", registry_type::dword, dword_bytes(42)));
    EXPECT_EQ(reg_read_string(k, "A"), RegValue(RegText{"Eng"}));
    EXPECT_EQ(reg_read_string(k, "B"), RegValue(RegText{"Eng"}));
    EXPECT_EQ(reg_read_string(k, "C"), RegValue(RegText{"a\xEF\xBF\xBD" "b"}));
    EXPECT_EQ(reg_read_string(k, "D"), RegValue(RegDword{42}));
    EXPECT_EQ(reg_read_string(k, "Missing"), RegValue(RegAbsent{}));
    EXPECT_EQ(reg_read_int(k, "D", 7), 42);
    EXPECT_EQ(reg_read_int(k, "Missing", 7), 7);
}

TEST_F(GameOptionsStore, FpsLimitSnapsToTheNearestChoiceWithTiesToTheSmaller) {
    auto index_for = [&](std::string_view text) {
        write_file(config_ini_path(game.path()), "[FPS]\r\nLimit=" + std::string(text) + "\r\n");
        return load_game_options(game.path()).fps_index;
    };
    EXPECT_EQ(index_for("138"), 3u);
    EXPECT_EQ(index_for("132"), 2u);
    EXPECT_EQ(index_for("45"), 0u);
    EXPECT_EQ(index_for("90"), 1u);
    EXPECT_EQ(index_for("0"), 0u);
    EXPECT_EQ(index_for("-50"), 0u);
    EXPECT_EQ(index_for("1000"), 6u);
    EXPECT_EQ(index_for("240"), 4u);
    fs::remove(config_ini_path(game.path()));
    EXPECT_EQ(load_game_options(game.path()).fps_index, 5u);
}

TEST_F(GameOptionsStore, SaveWritesEveryValueAndLoadsBackTheSame) {
    GameOptions options;
    options.lang = "Eng";
    options.window_mode = 0;
    options.resolution = 6;
    options.fps_index = 3;
    options.render_state = true;
    options.volume = 9;
    options.sound = false;
    options.music = true;
    ASSERT_TRUE(save_game_options(options, game.path()));
    EXPECT_EQ(load_game_options(game.path()), options);

    RegistryKey k = key();
    EXPECT_EQ(k.query_value_info("WindowMode")->type, registry_type::dword);
    EXPECT_EQ(k.query_value_data("LangSelection"), utf16z(u"Eng"));
    EXPECT_EQ(k.query_value_data("RenderState"), dword_bytes(1));
    EXPECT_EQ(read_file(config_ini_path(game.path())), "[FPS]\r\nLimit=144\r\n");
}

TEST_F(GameOptionsStore, SaveRepairsOrKeepsValuesAsTheRulesSay) {
    GameOptions options;
    options.window_mode = 7;
    options.fps_index = 9;
    options.volume = 25;  // written as held; loading clamps it
    options.lang = "";
    ASSERT_TRUE(save_game_options(options, game.path()));
    RegistryKey k = key();
    EXPECT_EQ(k.query_value_data("WindowMode"), dword_bytes(1));
    EXPECT_EQ(k.query_value_data("VolumeLevel"), dword_bytes(25));
    EXPECT_EQ(k.query_value_data("LangSelection"), utf16z(u"Por"));
    EXPECT_EQ(ini_read_string(config_ini_path(game.path()), "FPS", "Limit"), "360");
}

TEST_F(GameOptionsStore, SaveKeepsTheOtherLinesOfConfigIni) {
    write_file(config_ini_path(game.path()), "[Video]\nGamma=2\n[fps]\nlimit = 60\nVsync=0\n");
    GameOptions options;
    options.fps_index = 0;
    ASSERT_TRUE(save_game_options(options, game.path()));
    EXPECT_EQ(read_file(config_ini_path(game.path())), "[Video]\nGamma=2\n[fps]\nlimit=30\nVsync=0\n");
}

TEST_F(GameOptionsStore, RefusedWritesAreReportedButConfigIniIsStillWritten) {
    set_dword("VolumeLevel", 3);
    make_store_read_only();
    GameOptions options;
    options.volume = 8;
    options.fps_index = 0;
    auto saved = save_game_options(options, game.path());
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error(), "o Windows recusou a gravação no registro");
    EXPECT_EQ(key().query_value_data("VolumeLevel"), dword_bytes(3));
    EXPECT_EQ(ini_read_string(config_ini_path(game.path()), "FPS", "Limit"), "30");
}

TEST_F(GameOptionsStore, UnavailableKeyGivesDefaultsOnLoadAndAnErrorOnSave) {
    // A store that cannot hold the key at all: its place is taken by a file.
    write_file(config / "QoFenro/registry/software", "not a folder");
    write_file(config_ini_path(game.path()), "[FPS]\nLimit=30\n");
    EXPECT_EQ(load_game_options(game.path()), GameOptions{});  // config.ini is not read either

    auto saved = save_game_options(GameOptions{}, game.path());
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.error(), "não foi possível abrir o registro do jogo");
    EXPECT_EQ(read_file(config_ini_path(game.path())), "[FPS]\nLimit=30\n");  // nothing written
}

// What a "Salvar" killed half-way leaves: a temporary file beside each file it replaces.
TEST_F(GameOptionsStore, SaveRemovesOnlyTheStoresOwnLeftoverTemporaryFiles) {
    ASSERT_TRUE(save_game_options(GameOptions{}, game.path()));
    const fs::path custom = config_ini_path(game.path()).parent_path();
    const std::string hex = "0123456789abcdef01234567";
    const fs::path own[] = {custom / ("config.ini.tmp-" + hex), key_folder() / ("@values.tmp-" + hex)};
    const fs::path foreign[] = {custom / ("config.ini.tmp-" + hex.substr(1)),   // 23 digits
                                custom / ("config.ini.tmp-" + hex + "8"),       // 25 digits
                                custom / "config.ini.tmp-0123456789ABCDEF01234567",
                                custom / ("Macro.txt.tmp-" + hex), key_folder() / ("other.tmp-" + hex)};
    for (const fs::path& file : own) write_file(file, "[FPS]\r\nLim");  // cut short by the kill
    for (const fs::path& file : foreign) write_file(file, "someone else's");
    const fs::path own_name_folder = custom / ("config.ini.tmp-" + std::string(24, 'f'));
    fs::create_directory(own_name_folder);  // not a file: left alone

    GameOptions options;
    options.fps_index = 1;
    ASSERT_TRUE(save_game_options(options, game.path()));
    for (const fs::path& file : own) EXPECT_FALSE(fs::exists(fs::symlink_status(file))) << file;
    for (const fs::path& file : foreign) EXPECT_EQ(read_file(file), "someone else's") << file;
    EXPECT_TRUE(fs::is_directory(own_name_folder));
    EXPECT_EQ(load_game_options(game.path()), options);
}

TEST_F(GameOptionsStore, ConfigIniBehindALinkOutOfTheGameFolderIsNeitherReadNorWritten) {
    struct Case {
        const char* name;
        const char* link;    // in the game folder, to the outside folder or its config.ini
        const char* target;  // below the outside folder
    };
    const Case cases[] = {
        {"config.ini", "Data/Custom/config.ini", "config.ini"},
        {"Data/Custom", "Data/Custom", ""},
        {"Data", "Data", "Data"},
    };
    for (const Case& c : cases) {
        test::TempDir game_folder;
        test::TempDir outside;
        const fs::path outside_ini = c.name == std::string_view("Data") ? outside / "Data/Custom/config.ini"
                                                                         : outside / "config.ini";
        write_file(outside_ini, "[FPS]\nLimit=30\n");
        fs::create_directories((game_folder / c.link).parent_path());
        fs::create_symlink(outside / c.target, game_folder / c.link);

        EXPECT_EQ(load_game_options(game_folder.path()).fps_index, 5u) << c.name;  // as if missing
        GameOptions options;
        options.fps_index = 6;
        EXPECT_TRUE(save_game_options(options, game_folder.path())) << c.name;
        EXPECT_EQ(read_file(outside_ini), "[FPS]\nLimit=30\n") << c.name;
        EXPECT_EQ(std::distance(fs::recursive_directory_iterator(outside.path()), fs::recursive_directory_iterator()),
                  c.name == std::string_view("Data") ? 3 : 1)
            << c.name << ": nothing was added outside";
        EXPECT_TRUE(fs::is_symlink(game_folder / c.link)) << c.name;
    }
}

TEST_F(GameOptionsStore, DamagedKeyIsSetAsideAndTheSaveStartsItAfresh) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& values)> damage;
    };
    const Case cases[] = {
        {"text of another form", [](const fs::path& v) { write_file(v, "QoRegistryKey 1\n4 WindowMode\n"); }},
        {"larger than a key file can be",
         [](const fs::path& v) { write_file(v, "QoRegistryKey 1\n4 WindowMode 00000000\n" + std::string(1 << 20, '\n')); }},
        {"a FIFO", [](const fs::path& v) { ASSERT_EQ(::mkfifo(v.c_str(), 0600), 0); }},
    };
    for (const Case& c : cases) {
        const fs::path values = key_folder() / "@values";
        fs::remove_all(key_folder());
        fs::create_directories(key_folder());
        c.damage(values);
        // A read that waits for a FIFO's writer would never return: the store is looked at in a guarded child.
        const auto loaded = test::run_guarded([&] {
            return game_options_damaged() && load_game_options(game.path()) == GameOptions{} ? 0 : 1;
        });
        EXPECT_EQ(loaded, 0) << c.name;

        GameOptions options;
        options.window_mode = 2;
        options.volume = 3;
        const auto saved = test::run_guarded([&] { return save_game_options(options, game.path()) ? 0 : 1; });
        EXPECT_EQ(saved, 0) << c.name;
        if (saved != 0) continue;  // the damaged file may still be in place: reading it here could hang
        EXPECT_FALSE(game_options_damaged()) << c.name;
        EXPECT_EQ(load_game_options(game.path()), options) << c.name;
        const fs::path aside = key_folder() / "@values.damaged";
        EXPECT_TRUE(fs::exists(fs::symlink_status(aside))) << c.name << ": the damaged bytes are kept";
    }
}

}  // namespace
}  // namespace qo
