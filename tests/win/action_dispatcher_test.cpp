#include "win/action_dispatcher.h"

#include <gtest/gtest.h>

#include "settings/game_options.h"
#include "support/https_server.h"
#include "support/scoped_env.h"
#include "text/shaping.h"
#include "ui/settings_dialog.h"
#include "win/event_drain.h"
#include "win/test_game.h"

namespace qo {
namespace {
namespace fs = std::filesystem;

using Commands = std::vector<WindowCommand>;
const Commands GAME_STARTED{MinimizeCommand{}, ArmAfterLaunchTimerCommand{}};

// A launcher over the recording game, with the game's options kept in a store of the test's own.
class Dispatcher : public ::testing::Test {
protected:
    test::TempDir config;
    test::ScopedEnv xdg{"XDG_CONFIG_HOME", config.path().string()};
    test::GameLauncher launcher;
    LauncherApp& app = launcher.app;

    void store_options(const GameOptions& options) { ASSERT_TRUE(save_game_options(options, app.release.folder)); }
    GameOptions stored_options() const { return load_game_options(app.release.folder); }

    // The game's store refuses writes (its folders lose their write permission).
    void make_store_read_only() {
        store_options(stored_options());
        const fs::path store = config / "QoFenro/registry";
        for (const fs::path& folder : {store / "software/kalvet/qo2/config", store})
            fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                            fs::perm_options::remove);
    }
};

TEST_F(Dispatcher, OpensOnlyHttpAndHttpsAddressesAndQueuesTheWindowButtons) {
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"https://qofenro.example/noticias", {"https://qofenro.example/noticias"}},
        {"  HTTPS://Example.org/A \t\n", {"HTTPS://Example.org/A"}},
        {"\xE3\x80\x80hTTp://example.org/\xC2\xA0", {"hTTp://example.org/"}},  // Unicode blanks around it
        {"ftp://example.org/file", {}}, {"javascript:alert(1)", {}}, {"https:/example.org", {}}, {" \t ", {}},
    };
    for (const auto& [url, opened] : cases) {
        launcher.test_app.opened_urls->clear();
        dispatch_ui_action(app, OpenUrlAction{url});
        EXPECT_EQ(*launcher.test_app.opened_urls, opened) << url;
    }
    dispatch_ui_action(app, MinimizeAction{});
    dispatch_ui_action(app, CloseAction{});
    EXPECT_EQ(app.commands, (Commands{MinimizeCommand{}, CloseCommand{}}));
}

TEST_F(Dispatcher, PlayStartsTheGameWhenTheLastCheckIsAtMostSixtySecondsOld) {
    const std::pair<std::optional<std::int64_t>, bool> cases[] = {  // age of the last check, whether Play checks
        {std::nullopt, true}, {60'000'000'000, false}, {60'000'000'001, true}, {60'500'000'000, true}};
    for (const auto& [age, checks_first] : cases) {
        const std::string name = age ? std::to_string(*age) + " ns" : "never";
        fs::remove(launcher.release_folder / "game-started.txt");
        app.commands.clear();
        launcher.test_app.started_jobs->clear();
        app.busy = app.launch_after_update = false;
        app.play_enabled = true;
        app.last_check_ns = age ? std::optional(app.ui.clock.monotonic_ns() - *age) : std::nullopt;

        dispatch_ui_action(app, PlayAction{});
        EXPECT_EQ(launcher.test_app.started_jobs->size(), checks_first ? 1u : 0u) << name;
        EXPECT_EQ(app.launch_after_update, checks_first) << name;
        EXPECT_EQ(app.commands, checks_first ? Commands{} : GAME_STARTED) << name;
        if (!checks_first) {
            EXPECT_EQ(test::wait_for_game_record(launcher.release_folder),
                      test::expected_game_record(launcher.release_folder))
                << name;
        }
    }
}

TEST_F(Dispatcher, PlayWithoutTheGameFetchesItOnceAndDoesNotStartItAfterwards) {
    fs::remove(launcher.release_folder / "Main.exe");
    app.skip_self_update = true;
    app.play_enabled = true;
    app.last_check_ns = app.ui.clock.monotonic_ns();  // fresh: only the missing game asks for the job
    dispatch_ui_action(app, PlayAction{});
    dispatch_ui_action(app, PlayAction{});  // held while the job runs
    start_update_job(app);                  // busy: ignored

    ASSERT_EQ(launcher.test_app.started_jobs->size(), 1u);
    const ReleaseUpdateJob& job = launcher.test_app.started_jobs->front();
    EXPECT_EQ(job.game_folder, launcher.root.path());
    EXPECT_EQ(job.active_folder, launcher.release_folder);
    EXPECT_EQ(job.cancel.get(), app.stop_flag.get());
    EXPECT_TRUE(job.skip_self_update);
    EXPECT_EQ(job.self_update.exe, app.environment.exe);
    EXPECT_EQ(job.release_update.update_base_url, app.environment.update_base_url);
    EXPECT_FALSE(app.launch_after_update);
    EXPECT_TRUE(app.busy);
    EXPECT_FALSE(app.play_enabled || app.ui.play_armed);
    EXPECT_EQ(app.ui.play_caption, "verificando...");
}

TEST_F(Dispatcher, UpdateJobRunsOnItsOwnThreadAndItsEndArmsPlay) {
    test::TempDir server_folder;
    test::HttpsServer server;
    const test::PublishedRelease release = test::build_test_release(test::sample_client("b"));
    test::publish_test_release(release, server_folder.path());
    server.serve_folder("/client", server_folder / "client");
    app.environment.update_base_url = server.base_url();
    app.environment.extra_ca_file = test::HttpsServer::ca_file().string();
    app.skip_self_update = true;
    app.start_job = {};  // the launcher's own: a detached thread

    start_update_job(app);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (app.busy && std::chrono::steady_clock::now() < deadline)
        if (auto event = app.event_receiver.receive_for(std::chrono::milliseconds(100)))
            handle_ui_event(app, std::move(*event));
    EXPECT_EQ(app.release.folder, launcher.root / "Versions" / release.release_id);
    EXPECT_EQ(app.ui.status_text, "Cliente pronto para jogar.");
    EXPECT_TRUE(app.play_enabled && !app.busy);
}

TEST_F(Dispatcher, OpenOptionsOffersTheGamesResolutionsElseTheBuiltInList) {
    const std::pair<std::string, std::vector<DialogOption>> cases[] = {
        {R"(<Resolution index="3" name="A"/><ResolutionSet index="0"/><Resolution index="1"/>)",
         {{"1", "1"}, {"3", "A"}}},
        {R"(<Resolution index="x"/><Resolutions/>)", builtin_resolution_options()},
    };
    store_options(GameOptions{.window_mode = 2, .resolution = 3, .fps_index = 1, .volume = 7});
    for (const auto& [file, expected] : cases) {
        test::write_file(launcher.release_folder / "Data/Resolutions.xml", file);
        dispatch_ui_action(app, OpenOptionsAction{});
        ASSERT_TRUE(app.ui.dialog) << file;
        const SettingsDialogState& dialog = *app.ui.dialog;
        EXPECT_EQ(dialog.options[1], expected) << file;
        EXPECT_EQ(dialog.options[1][dialog.selected[1]].id, "3") << file;
        EXPECT_EQ(dialog.options[0][dialog.selected[0]].id, "2") << file;
        EXPECT_EQ(dialog.volume, 7u) << file;
    }
}

TEST_F(Dispatcher, WindowedToggleStoresAWindowOrLeavesFullScreen) {
    const std::tuple<std::uint32_t, bool, std::uint32_t> cases[] = {  // stored, on, saved
        {0, true, 1}, {2, true, 1}, {1, false, 0}, {0, false, 0}, {2, false, 2}};
    for (const auto& [stored, on, saved] : cases) {
        store_options(GameOptions{.window_mode = stored});
        dispatch_ui_action(app, SetWindowedAction{on});
        EXPECT_EQ(stored_options().window_mode, saved) << stored << " " << on;
    }
    make_store_read_only();
    dispatch_ui_action(app, SetWindowedAction{false});  // refused in silence
    EXPECT_TRUE(app.commands.empty());
}

TEST_F(Dispatcher, SaveOptionsKeepsEveryValueWithinWhatTheGameAccepts) {
    const GameOptions stored{.lang = "Eng", .window_mode = 0, .resolution = 3, .fps_index = 2, .render_state = false,
                             .volume = 4, .sound = true, .music = false};
    const std::pair<SaveOptionsAction, GameOptions> cases[] = {
        {{.lang = "por", .window_mode = 7, .resolution = 5, .fps_index = 9, .render_state = 3, .volume = 11,
          .sound = false, .music = true},
         {.lang = "Eng", .window_mode = 0, .resolution = 5, .fps_index = 6, .render_state = true, .volume = 10,
          .sound = false, .music = true}},
        {{.lang = "Spn", .window_mode = 1, .resolution = 0, .fps_index = 4, .render_state = 0, .volume = 7,
          .sound = true, .music = false},
         {.lang = "Spn", .window_mode = 1, .resolution = 0, .fps_index = 4, .render_state = false, .volume = 7,
          .sound = true, .music = false}},
    };
    for (const auto& [chosen, saved] : cases) {
        store_options(stored);
        dispatch_ui_action(app, OpenOptionsAction{});
        app.ui.dialog->saving = true;
        dispatch_ui_action(app, chosen);
        EXPECT_EQ(stored_options(), saved) << chosen.lang;
        EXPECT_FALSE(app.ui.dialog) << chosen.lang;
        EXPECT_EQ(app.ui.windowed, saved.window_mode == 1) << chosen.lang;
        EXPECT_EQ(app.ui.windowed_knob.target, saved.window_mode == 1 ? 1.0f : 0.0f) << chosen.lang;
    }
}

TEST_F(Dispatcher, RefusedSaveKeepsTheDialogOpenWithTheReason) {
    dispatch_ui_action(app, OpenOptionsAction{});
    make_store_read_only();
    SettingsDialogState& dialog = *app.ui.dialog;
    dialog.saving = true;
    dialog.cached_layer = Pixmap();
    dialog.dirty = false;

    dispatch_ui_action(app, SaveOptionsAction{.lang = "Spn", .window_mode = 2});
    ASSERT_TRUE(app.ui.dialog && dialog.notice);
    const std::string_view lead = "Não foi possível salvar as configurações: ";
    EXPECT_TRUE(dialog.notice->starts_with(lead) && dialog.notice->size() > lead.size()) << *dialog.notice;
    EXPECT_FALSE(dialog.saving || dialog.cached_layer);
    EXPECT_TRUE(dialog.dirty);
    EXPECT_TRUE(app.commands.empty());  // no message box
}

// Stored options that are damaged open as the defaults with a notice saying so, whole in the room the dialog gives
// it; "Salvar" then stores the choice in a fresh key and the notice is gone the next time.
TEST_F(Dispatcher, DamagedOptionsOpenWithANoticeThatFitsAndSavingStartsThemAfresh) {
    const fs::path values = config / "QoFenro/registry/software/kalvet/qo2/config/@values";
    test::write_file(values, "QoRegistryKey 1\nnot a value line\n");
    dispatch_ui_action(app, OpenOptionsAction{});
    ASSERT_TRUE(app.ui.dialog && app.ui.dialog->notice);
    const std::string notice = *app.ui.dialog->notice;
    EXPECT_EQ(notice, "As configurações salvas estavam danificadas; Salvar grava novas.");
    // The dialog draws its notice in Manrope Regular 12 within 408 px, cut with an ellipsis beyond.
    EXPECT_EQ(fit_text_ellipsis(app.ui.fonts.manrope_regular, 12.0f, 408.0f, notice), notice);

    app.ui.dialog->saving = true;
    dispatch_ui_action(app, SaveOptionsAction{.lang = "Eng", .window_mode = 2, .volume = 4});
    EXPECT_FALSE(app.ui.dialog);
    EXPECT_EQ(stored_options().window_mode, 2u);
    EXPECT_EQ(stored_options().lang, "Eng");
    dispatch_ui_action(app, OpenOptionsAction{});
    ASSERT_TRUE(app.ui.dialog);
    EXPECT_FALSE(app.ui.dialog->notice);
}

}  // namespace
}  // namespace qo
