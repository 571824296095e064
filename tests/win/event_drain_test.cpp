#include "win/event_drain.h"

#include <gtest/gtest.h>

#include "config/launcher_config_file.h"
#include "settings/game_options.h"
#include "support/scoped_env.h"
#include "win/play_button.h"
#include "win/test_game.h"

namespace qo {
namespace {
namespace fs = std::filesystem;

using Commands = std::vector<WindowCommand>;

// A launcher over the recording game with an update job running (Play held, a download under way).
struct Launcher : test::GameLauncher {
    Launcher() {
        app.busy = true;
        hold_play(app, "verificando...");
        app.ui.status_text = "Baixando arquivos...";
        app.ui.speed_text = "1,0 MB/s";
    }
};

class EventDrain : public ::testing::Test {
protected:
    test::TempDir config;
    test::ScopedEnv xdg{"XDG_CONFIG_HOME", config.path().string()};
};

TEST_F(EventDrain, ServerStatusAndProgressReachTheScreen) {
    Launcher launcher;
    UiState& ui = launcher.app.ui;
    ui.ui_clock = 3.0;
    handle_ui_event(launcher.app, ServerStatus{true});
    ui.ui_clock = 9.0;
    handle_ui_event(launcher.app, ServerStatus{true});
    EXPECT_EQ(ui.server_status_text, "ONLINE");
    EXPECT_EQ(ui.online_since, 3.0);  // online since the first report
    handle_ui_event(launcher.app, ServerStatus{false});
    EXPECT_EQ(ui.server_status_text, "OFFLINE");
    EXPECT_FALSE(ui.server_online);

    handle_ui_event(launcher.app, Progress{{.file_fraction = 0.5, .total_fraction = 0.25, .bytes_per_second = 0,
                                            .text = "Verificando arquivos...", .detail = ""}});
    EXPECT_EQ(ui.status_text, "Verificando arquivos...");
    EXPECT_EQ(ui.detail_text, "-");
    EXPECT_EQ(ui.progress_stage.target, 50.0f);
    EXPECT_EQ(ui.progress_main.target, 25.0f);
}

TEST_F(EventDrain, JobEndShowsItsOutcomeAndStartsTheGameWhenPlayAskedForIt) {
    struct Case {
        const char* name;
        JobFinished finished;
        bool game_present;
        bool launch_after_update;
        std::string status;
        std::string caption;
        bool play_enabled;
        Commands commands;
        bool launch_after_update_left;
        bool checked;    // last_check set
        bool game_runs;  // the recording game started
    };
    const std::string error = "o servidor respondeu 404";
    const Commands started{MinimizeCommand{}, ArmAfterLaunchTimerCommand{}};
    const Case cases[] = {
        {"ok", {false}, true, false,
         "Cliente pronto para jogar.", "cliente pronto", true, {}, false, true, false},
        {"ok, Play waiting", {false}, true, true, "Cliente pronto para jogar.", "abrindo o jogo...", false, started,
         false, true, true},
        {"launcher replaced, Play waiting", {true}, true, true, "Launcher atualizado. Reiniciando...",
         "verificando...", false, {RestartLauncherCommand{}}, true, false, false},
        {"error with a client", {std::unexpected(error)}, true, false, "Não foi possível atualizar: " + error,
         "sem atualizar", true, {}, false, false, false},
        {"error without a client", {std::unexpected(error)}, false, false, "Não foi possível baixar o jogo: " + error,
         "tentar de novo", true, {}, false, false, false},
        {"error with a client, Play waiting: the client there starts", {std::unexpected(error)}, true, true,
         "Não foi possível atualizar: " + error, "abrindo o jogo...", false, started, false, false, true},
        {"cancelled, Play waiting: nothing shown", {std::unexpected("cancelado")}, true, true, "Baixando arquivos...",
         "verificando...", false, {}, false, false, false},
    };
    for (const Case& c : cases) {
        Launcher launcher;
        LauncherApp& app = launcher.app;
        if (!c.game_present) fs::remove(launcher.release_folder / "Main.exe");
        app.launch_after_update = c.launch_after_update;
        app.ui.clock.advance(7'000'000'000);

        handle_ui_event(app, JobFinished{c.finished});
        EXPECT_FALSE(app.busy) << c.name;
        EXPECT_EQ(app.ui.status_text, c.status) << c.name;
        EXPECT_EQ(app.ui.play_caption, c.caption) << c.name;
        EXPECT_EQ(app.play_enabled, c.play_enabled) << c.name;
        EXPECT_EQ(app.ui.play_armed, c.play_enabled) << c.name;
        EXPECT_EQ(app.commands, c.commands) << c.name;
        EXPECT_EQ(app.launch_after_update, c.launch_after_update_left) << c.name;
        EXPECT_EQ(app.last_check_ns, c.checked ? std::optional(app.ui.clock.monotonic_ns()) : std::nullopt) << c.name;
        const bool cancelled = !c.finished.result && c.finished.result.error() == "cancelado";
        EXPECT_EQ(app.ui.speed_text, cancelled ? "1,0 MB/s" : "") << c.name;
        if (c.finished.result) {
            EXPECT_EQ(app.ui.progress_main.target, 100.0f) << c.name;
        }
        if (c.game_runs) {
            EXPECT_EQ(test::wait_for_game_record(launcher.release_folder),
                      test::expected_game_record(launcher.release_folder))
                << c.name;
        }
    }
}

LauncherNews news_item(std::string text) {
    LauncherNews news;
    news.text = std::move(text);
    return news;
}

// A configuration with only what `fill` gives it.
template <class F>
LauncherConfig config_with(F fill) {
    LauncherConfig config;
    fill(config);
    return config;
}

TEST_F(EventDrain, RemoteConfigurationReplacesWhatItMayAndSavesOnlyAChange) {
    LauncherConfig local;
    local.server_name = "QoFenro";
    local.news = std::vector{news_item("local")};
    local.abertura = "2026-12-05T20:00:00-03:00";
    struct Case {
        const char* name;
        LauncherConfig remote;
        LauncherConfig merged;
        std::string title;  // empty: not retitled
        bool saved;
    };
    const auto with = [&](auto change) {
        LauncherConfig config = local;
        change(config);
        return config;
    };
    const LauncherLink link{"Site", "https://example.org"};
    const LauncherInfo info{"Rates", "x5"};
    const Case cases[] = {
        {"blank name", config_with([](LauncherConfig& c) { c.server_name = " \t\xE3\x80\x80"; }), local, "", false},
        {"same name", config_with([](LauncherConfig& c) { c.server_name = "  QoFenro\n"; }), local, "", false},
        {"new name, trimmed", config_with([](LauncherConfig& c) { c.server_name = " Novo Mundo "; }),
         with([](LauncherConfig& c) { c.server_name = "Novo Mundo"; }), "Novo Mundo", true},
        {"empty lists", config_with([](LauncherConfig& c) {
             c.links.emplace();
             c.news.emplace();
             c.info.emplace();
         }),
         local, "", false},
        {"same news", config_with([](LauncherConfig& c) { c.news = std::vector{news_item("local")}; }), local, "",
         false},
        {"news and links", config_with([&](LauncherConfig& c) {
             c.news = std::vector{news_item("remota")};
             c.links = std::vector{link};
         }),
         with([&](LauncherConfig& c) {
             c.news = std::vector{news_item("remota")};
             c.links = std::vector{link};
         }),
         "", true},
        {"information", config_with([&](LauncherConfig& c) { c.info = std::vector{info}; }),
         with([&](LauncherConfig& c) { c.info = std::vector{info}; }), "", true},
        {"empty opening date", config_with([](LauncherConfig& c) { c.abertura = ""; }),
         with([](LauncherConfig& c) { c.abertura = ""; }), "", true},
        {"other keys are not the remote copy's", config_with([](LauncherConfig& c) {
             c.game_exe = "Outro.exe";
             c.close_after_start = true;
             c.background_video = "v.mp4";
             c.update.emplace();
         }),
         local, "", false},
    };
    for (const Case& c : cases) {
        Launcher launcher;
        launcher.app.config = local;
        handle_ui_event(launcher.app, RemoteConfig{std::make_unique<LauncherConfig>(c.remote)});
        EXPECT_EQ(launcher.app.config, c.merged) << c.name;
        EXPECT_EQ(launcher.window.calls, c.title.empty() ? std::vector<std::string>{}
                                                         : std::vector<std::string>{"title " + c.title})
            << c.name;
        const fs::path saved = launcher_json_path(launcher.root.path());
        EXPECT_EQ(fs::exists(saved), c.saved) << c.name;
        if (c.saved) {
            EXPECT_EQ(deserialize_launcher_config(test::read_file(saved)), c.merged) << c.name;
            EXPECT_EQ(launcher.app.ui.news, c.merged.news.value_or(std::vector<LauncherNews>{})) << c.name;
        }
    }
}

TEST_F(EventDrain, RemoteConfigurationThatCannotBeSavedIsStillShown) {
    Launcher launcher;
    test::write_file(launcher.root / "Data", "a file where the folder would be");
    handle_ui_event(launcher.app, RemoteConfig{std::make_unique<LauncherConfig>(
                                      config_with([](LauncherConfig& c) { c.server_name = "Novo"; }))});
    EXPECT_EQ(launcher.app.config.server_name, "Novo");
    EXPECT_EQ(launcher.window.calls, std::vector<std::string>{"title Novo"});
    handle_ui_event(launcher.app, RemoteConfig{});  // no document at all
    EXPECT_EQ(launcher.app.config.server_name, "Novo");
}

TEST_F(EventDrain, NewReleaseBecomesActiveAndItsWindowModeShows) {
    Launcher launcher;
    LauncherApp& app = launcher.app;
    app.ui.ui_clock = 4.0;
    for (const std::uint32_t mode : {0u, 1u, 2u}) {
        ASSERT_TRUE(save_game_options(GameOptions{.window_mode = mode}, launcher.release_folder));
        handle_ui_event(app, ClientRelease{ActiveRelease{launcher.release_folder}});
        EXPECT_EQ(app.release.folder, launcher.release_folder);
        EXPECT_EQ(app.ui.windowed, mode == 1) << mode;
        EXPECT_EQ(app.ui.windowed_knob.target, mode == 1 ? 1.0f : 0.0f) << mode;
        EXPECT_TRUE(app.ui.redraw_needed);
    }
}

TEST_F(EventDrain, DrainTakesEveryQueuedEventInOrder) {
    Launcher launcher;
    LauncherApp& app = launcher.app;
    app.launch_after_update = true;
    {
        UiEventSender job = app.event_sender;  // a job's copy, gone before the drain
        send_ui_event(job, ServerStatus{true});
        send_ui_event(job, Progress{{.text = "Baixando Main.exe", .detail = ""}});
        send_ui_event(job, JobFinished{true});  // the restart ends only its own event
        send_ui_event(job, ServerStatus{false});
    }
    drain_ui_events(app);
    EXPECT_EQ(app.ui.server_status_text, "OFFLINE");
    EXPECT_EQ(app.ui.status_text, "Launcher atualizado. Reiniciando...");
    EXPECT_EQ(app.commands, Commands{RestartLauncherCommand{}});
    EXPECT_FALSE(app.event_receiver.try_receive());
    drain_ui_events(app);  // nothing queued: nothing changes
    EXPECT_EQ(app.commands, Commands{RestartLauncherCommand{}});
}

}  // namespace
}  // namespace qo
