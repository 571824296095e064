#include "win/action_dispatcher.h"

#include <gtest/gtest.h>

#include <chrono>

#include "settings/game_options.h"
#include "support/https_server.h"
#include "support/scoped_env.h"
#include "ui/settings_dialog.h"
#include "win/event_drain.h"
#include "win/test_app.h"
#include "win/test_game.h"

namespace qo {
namespace {
namespace fs = std::filesystem;

using Commands = std::vector<WindowCommand>;

// A launcher over a game folder of its own, with the game's options kept in a store of the test's own.
class Dispatcher : public ::testing::Test {
protected:
    test::TempDir config;
    test::ScopedEnv xdg{"XDG_CONFIG_HOME", config.path().string()};
    test::TempDir root;
    test::RecordingWindow window;
    test::TestApp test_app = test::make_test_app(root.path(), &window);
    LauncherApp& app = *test_app.app;

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

// ---- pages and window buttons ----

TEST_F(Dispatcher, OpensOnlyHttpAndHttpsAddressesTrimmed) {
    struct Case {
        std::string url;
        std::vector<std::string> opened;
    };
    const Case cases[] = {
        {"https://qofenro.example/noticias", {"https://qofenro.example/noticias"}},
        {"  HTTPS://Example.org/A \t\n", {"HTTPS://Example.org/A"}},
        {"\xE3\x80\x80hTTp://example.org/\xC2\xA0", {"hTTp://example.org/"}},  // Unicode blanks around it
        {"ftp://example.org/file", {}},
        {"javascript:alert(1)", {}},
        {"file:///etc/passwd", {}},
        {"https:/example.org", {}},
        {" \t ", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        test_app.opened_urls->clear();
        dispatch_ui_action(app, OpenUrlAction{c.url});
        EXPECT_EQ(*test_app.opened_urls, c.opened) << c.url;
    }
    EXPECT_TRUE(app.commands.empty());
}

TEST_F(Dispatcher, WindowButtonsQueueTheirCommands) {
    dispatch_ui_action(app, MinimizeAction{});
    dispatch_ui_action(app, CloseAction{});
    EXPECT_EQ(app.commands, (Commands{MinimizeCommand{}, CloseCommand{}}));
    EXPECT_TRUE(window.calls.empty());  // the shell carries them out
}

// ---- play ----

TEST_F(Dispatcher, PlayStartsTheGameWhenTheLastCheckIsAtMostSixtySecondsOld) {
    const fs::path folder = test::install_recording_game(root.path());
    app.release = ActiveRelease{folder};
    struct Case {
        const char* name;
        std::optional<std::int64_t> check_age_ns;
        bool checks_first;
    };
    const Case cases[] = {
        {"never checked", std::nullopt, true},
        {"checked 1 s ago", 1'000'000'000, false},
        {"checked 60.0 s ago", 60'000'000'000, false},
        {"checked 60 s and 1 ns ago", 60'000'000'001, true},
        {"checked 60.5 s ago", 60'500'000'000, true},
    };
    for (const Case& c : cases) {
        fs::remove(folder / "game-started.txt");
        app.commands.clear();
        test_app.started_jobs->clear();
        app.busy = app.launch_after_update = false;
        app.play_enabled = true;
        app.last_check_ns.reset();
        if (c.check_age_ns) app.last_check_ns = app.ui.clock.monotonic_ns() - *c.check_age_ns;

        dispatch_ui_action(app, PlayAction{});
        if (c.checks_first) {
            EXPECT_EQ(test_app.started_jobs->size(), 1u) << c.name;
            EXPECT_TRUE(app.launch_after_update) << c.name;
            EXPECT_EQ(app.ui.play_caption, "verificando...") << c.name;
            EXPECT_TRUE(app.commands.empty()) << c.name;
        } else {
            EXPECT_TRUE(test_app.started_jobs->empty()) << c.name;
            EXPECT_FALSE(app.launch_after_update) << c.name;
            EXPECT_EQ(app.commands, (Commands{MinimizeCommand{}, ArmAfterLaunchTimerCommand{}})) << c.name;
            EXPECT_EQ(test::wait_for_game_record(folder), test::expected_game_record(folder)) << c.name;
        }
    }
}

TEST_F(Dispatcher, PlayWithoutTheGameFetchesItAndDoesNotStartItAfterwards) {
    app.play_enabled = true;
    app.last_check_ns = app.ui.clock.monotonic_ns();  // fresh: only the missing Main.exe asks for the job
    dispatch_ui_action(app, PlayAction{});
    EXPECT_EQ(test_app.started_jobs->size(), 1u);
    EXPECT_FALSE(app.launch_after_update);
    EXPECT_TRUE(app.busy);

    dispatch_ui_action(app, PlayAction{});  // Play is held while the job runs
    EXPECT_EQ(test_app.started_jobs->size(), 1u);
    EXPECT_TRUE(app.commands.empty());
}

TEST_F(Dispatcher, UpdateJobStartsOnceWithTheLaunchersSettings) {
    app.skip_self_update = true;
    app.release = ActiveRelease{root / "Versions/abc"};
    app.play_enabled = true;
    start_update_job(app);
    start_update_job(app);  // busy: ignored
    ASSERT_EQ(test_app.started_jobs->size(), 1u);
    const ReleaseUpdateJob& job = test_app.started_jobs->front();
    EXPECT_EQ(job.game_folder, root.path());
    EXPECT_EQ(job.active_folder, root / "Versions/abc");
    EXPECT_EQ(job.cancel.get(), app.stop_flag.get());
    EXPECT_TRUE(job.skip_self_update);
    EXPECT_EQ(job.self_update.update_base_url, app.environment.update_base_url);
    EXPECT_EQ(job.self_update.exe, app.environment.exe);
    EXPECT_EQ(job.release_update.update_base_url, app.environment.update_base_url);
    EXPECT_TRUE(app.busy);
    EXPECT_FALSE(app.play_enabled);
    EXPECT_FALSE(app.ui.play_armed);
    EXPECT_EQ(app.ui.play_caption, "verificando...");
    EXPECT_TRUE(app.ui.redraw_needed);
}

TEST_F(Dispatcher, UpdateJobRunsOnItsOwnThreadAndItsEndArmsPlay) {
    test::TempDir server_folder;
    test::HttpsServer server;
    const test::PublishedRelease release = test::build_test_release(test::sample_client("a"));
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
    EXPECT_FALSE(app.busy);
    EXPECT_EQ(app.release.folder, root / "Versions" / release.release_id);
    EXPECT_EQ(app.ui.status_text, "Cliente pronto para jogar.");
    EXPECT_TRUE(app.play_enabled);
    EXPECT_EQ(app.ui.play_caption, "cliente pronto");
}

// ---- settings ----

TEST_F(Dispatcher, OpenOptionsOffersTheGamesResolutionsElseTheBuiltInList) {
    const std::vector<DialogOption> builtin = builtin_resolution_options();
    struct Case {
        const char* name;
        std::optional<std::string> file;
        std::vector<DialogOption> expected;
        std::uint32_t selected;  // the stored resolution is 3
    };
    const Case cases[] = {
        {"sorted, index as label", R"(<Resolution index="3" name="A"/><Resolution index="1"/>)",
         {{"1", "1"}, {"3", "A"}}, 1},
        {"longer element names skipped", R"(<ResolutionSet index="0"/><Resolution index="3" name="B"/>)",
         {{"3", "B"}}, 0},
        {"no valid tag", R"(<Resolution index="x"/><Resolutions/>)", builtin, 3},
        {"no file", std::nullopt, builtin, 3},
    };
    store_options(GameOptions{.window_mode = 2, .resolution = 3, .fps_index = 1, .volume = 7});
    for (const Case& c : cases) {
        fs::remove(root / "Data/Resolutions.xml");
        if (c.file) test::write_file(root / "Data/Resolutions.xml", *c.file);
        dispatch_ui_action(app, OpenOptionsAction{});
        ASSERT_TRUE(app.ui.dialog) << c.name;
        EXPECT_EQ(app.ui.dialog->options[1], c.expected) << c.name;
        EXPECT_EQ(app.ui.dialog->selected[1], c.selected) << c.name;
        EXPECT_EQ(app.ui.dialog->selected[0], 2u) << c.name;  // "Tela cheia"
        EXPECT_EQ(app.ui.dialog->options[2][app.ui.dialog->selected[2]].id, "1") << c.name;
        EXPECT_EQ(app.ui.dialog->volume, 7u) << c.name;
    }
}

TEST_F(Dispatcher, WindowedToggleStoresAWindowOrLeavesIt) {
    struct Case {
        std::uint32_t stored;
        bool on;
        std::uint32_t saved;
    };
    const Case cases[] = {{0, true, 1}, {2, true, 1}, {1, false, 0}, {0, false, 0}, {2, false, 2}};
    for (const Case& c : cases) {
        store_options(GameOptions{.window_mode = c.stored});
        dispatch_ui_action(app, SetWindowedAction{c.on});
        EXPECT_EQ(stored_options().window_mode, c.saved) << c.stored << " " << c.on;
    }
    make_store_read_only();
    dispatch_ui_action(app, SetWindowedAction{false});  // refused in silence
    EXPECT_TRUE(app.commands.empty());
    EXPECT_FALSE(app.ui.dialog);
}

TEST_F(Dispatcher, SaveOptionsKeepsEveryValueWithinWhatTheGameAccepts) {
    const GameOptions stored{.lang = "Eng", .window_mode = 0, .resolution = 3, .fps_index = 2, .render_state = false,
                             .volume = 4, .sound = true, .music = false};
    struct Case {
        const char* name;
        SaveOptionsAction chosen;
        GameOptions saved;
    };
    const Case cases[] = {
        {"out of range: kept or clamped",
         {.lang = "por", .window_mode = 7, .resolution = 5, .fps_index = 9, .render_state = 3, .volume = 11,
          .sound = false, .music = true},
         {.lang = "Eng", .window_mode = 0, .resolution = 5, .fps_index = 6, .render_state = true, .volume = 10,
          .sound = false, .music = true}},
        {"in range: taken",
         {.lang = "Spn", .window_mode = 1, .resolution = 0, .fps_index = 4, .render_state = 0, .volume = 7,
          .sound = true, .music = false},
         {.lang = "Spn", .window_mode = 1, .resolution = 0, .fps_index = 4, .render_state = false, .volume = 7,
          .sound = true, .music = false}},
        {"no language",
         {.lang = "", .window_mode = 2, .resolution = 1, .fps_index = 0, .render_state = 1, .volume = 0},
         {.lang = "Eng", .window_mode = 2, .resolution = 1, .fps_index = 0, .render_state = true, .volume = 0,
          .sound = false, .music = false}},
    };
    for (const Case& c : cases) {
        store_options(stored);
        dispatch_ui_action(app, OpenOptionsAction{});
        app.ui.dialog->saving = true;
        app.ui.ui_clock = 12.0;

        dispatch_ui_action(app, c.chosen);
        EXPECT_EQ(stored_options(), c.saved) << c.name;
        EXPECT_FALSE(app.ui.dialog) << c.name;
        EXPECT_TRUE(app.ui.force_full_redraw && app.ui.refresh_request) << c.name;
        EXPECT_EQ(app.ui.windowed, c.saved.window_mode == 1) << c.name;
        EXPECT_EQ(app.ui.windowed_knob.target, c.saved.window_mode == 1 ? 1.0f : 0.0f) << c.name;
        EXPECT_TRUE(app.ui.redraw_needed) << c.name;
    }
}

TEST_F(Dispatcher, RefusedSaveKeepsTheDialogOpenWithTheReason) {
    dispatch_ui_action(app, OpenOptionsAction{});
    make_store_read_only();
    app.ui.dialog->saving = true;
    app.ui.dialog->cached_layer = Pixmap();
    app.ui.dialog->dirty = false;

    dispatch_ui_action(app, SaveOptionsAction{.lang = "Spn", .window_mode = 2});
    ASSERT_TRUE(app.ui.dialog);
    EXPECT_FALSE(app.ui.dialog->saving);
    ASSERT_TRUE(app.ui.dialog->notice);
    const std::string_view lead = "Não foi possível salvar as configurações: ";
    EXPECT_TRUE(app.ui.dialog->notice->starts_with(lead)) << *app.ui.dialog->notice;
    EXPECT_GT(app.ui.dialog->notice->size(), lead.size());
    EXPECT_FALSE(app.ui.dialog->cached_layer);
    EXPECT_TRUE(app.ui.dialog->dirty);
    EXPECT_TRUE(app.commands.empty());  // no message box

    app.ui.dialog.reset();  // closed meanwhile: nothing to tell
    dispatch_ui_action(app, SaveOptionsAction{.lang = "Spn"});
    EXPECT_FALSE(app.ui.dialog);
}

}  // namespace
}  // namespace qo
