// The record built before the window exists: launcher.json written on a first start, the game folder as the
// release when none is active, and the "Modo janela" switch following the game's window mode.
#include "win/launcher_record.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "config/launcher_config_file.h"
#include "settings/game_options.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "ui/test_ui.h"
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

}  // namespace
}  // namespace qo
