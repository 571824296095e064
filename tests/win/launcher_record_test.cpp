// The record built before the window exists: launcher.json written on a first start, the game folder as the
// release when none is active, and the "Modo janela" switch following the game's window mode.
#include "win/launcher_record.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "config/launcher_config_file.h"
#include "settings/game_options.h"
#include "settings/resolutions_xml.h"
#include "support/hang_guard.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "ui/assets.h"
#include "ui/test_ui.h"
#include "util/embedded_assets.h"
#include "win/test_app.h"

namespace qo {
namespace {

TEST(LauncherRecord, FirstStartWritesTheConfigurationAndTheSwitchFollowsTheWindowMode) {
    struct Case {
        std::uint32_t window_mode;
        bool windowed;
    };
    const std::vector<Case> cases = {{1, true}, {0, false}, {2, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window_mode);
        test::TempDir game;
        test::TempDir config;
        test::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
        GameOptions options;
        options.window_mode = c.window_mode;
        ASSERT_TRUE(save_game_options(options, game.path()));

        const auto app = make_launcher_app(test::make_bare_test_ui(), game.path(), true,
                                           test::unreachable_test_environment());
        EXPECT_TRUE(std::filesystem::exists(launcher_json_path(game.path())));
        EXPECT_EQ(window_title(app->config), "QoFenro");
        EXPECT_EQ(app->release.folder, game.path());
        EXPECT_TRUE(app->skip_self_update);
        EXPECT_FALSE(app->play_enabled || app->busy || app->launch_after_update || app->present_enabled);
        EXPECT_EQ(app->ui.windowed, c.windowed);
        EXPECT_EQ(app->ui.windowed_knob.target, c.windowed ? 1.0f : 0.0f);
        EXPECT_TRUE(app->ui.redraw_needed);
        EXPECT_FALSE(app->ui.news.empty());  // the configuration's content is in the UI
    }
}

// Every file the window reads by name on its way up, and when the settings dialog opens, put in place as a FIFO
// nobody writes or as a link to an endless device: each is read as a missing file, and nothing waits on it. A
// read that waited would keep the window from ever appearing, so the reads run in a guarded child.
TEST(LauncherRecord, FifoOrDeviceInPlaceOfEveryFileItReadsCountsAsMissing) {
    namespace fs = std::filesystem;
    const std::pair<const char*, std::function<void(const fs::path&)>> kinds[] = {
        {"FIFO", [](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }},
        {"link to /dev/zero", [](const fs::path& f) { fs::create_symlink("/dev/zero", f); }},
    };
    for (const auto& [kind, make] : kinds) {
        test::TempDir game;
        test::TempDir config;
        test::ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
        const fs::path files[] = {launcher_json_path(game.path()), game / "active-release",
                                  config_ini_path(game.path()), resolutions_xml_path(game.path()),
                                  media_override_dir(game.path()) / LOGO_IMAGE_NAME,
                                  config / "QoFenro/registry/software/kalvet/qo2/config/@values"};
        for (const fs::path& file : files) {
            fs::create_directories(file.parent_path());
            make(file);
        }
        const auto embedded_logo = embedded_asset("images/" + std::string(LOGO_IMAGE_NAME));
        const auto outcome = test::run_guarded([&] {
            const auto app = make_launcher_app(test::make_bare_test_ui(), game.path(), true,
                                               test::unreachable_test_environment());
            const bool defaults = window_title(app->config) == "QoFenro" && app->release.folder == game.path() &&
                                  app->ui.windowed;
            const bool dialog_lists = load_game_resolutions(game.path()).empty();
            const auto logo = read_media_file(game.path(), LOGO_IMAGE_NAME, embedded_logo);
            const bool pictures = std::equal(logo.begin(), logo.end(), embedded_logo.begin(), embedded_logo.end());
            return (defaults ? 0 : 1) | (dialog_lists ? 0 : 2) | (pictures ? 0 : 4);
        });
        EXPECT_EQ(outcome, 0) << kind << " (1: start-up record, 2: resolutions, 4: pictures; none: it hung)";
    }
}

}  // namespace
}  // namespace qo
