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
    };
    const std::string error = "o servidor respondeu 404";
    const Commands started{MinimizeCommand{}, ArmAfterLaunchTimerCommand{}};
    const Case cases[] = {
        {"ok", {false}, true, false, "Cliente pronto para jogar.", "cliente pronto", true, {}},
        {"ok, Play waiting", {false}, true, true, "Cliente pronto para jogar.", "abrindo o jogo...", false, started},
        {"launcher replaced, Play waiting", {true}, true, true, "Launcher atualizado. Reiniciando...",
         "verificando...", false, {RestartLauncherCommand{}}},
        {"error with a client", {std::unexpected(error)}, true, false, "Não foi possível atualizar: " + error,
         "sem atualizar", true, {}},
        {"error without a client", {std::unexpected(error)}, false, false, "Não foi possível baixar o jogo: " + error,
         "tentar de novo", true, {}},
        {"error, Play waiting: the client there starts", {std::unexpected(error)}, true, true,
         "Não foi possível atualizar: " + error, "abrindo o jogo...", false, started},
        {"cancelled, Play waiting: nothing shown, nothing started", {std::unexpected("cancelado")}, true, true,
         "Baixando arquivos...", "verificando...", false, {}},
    };
    for (const Case& c : cases) {
        Launcher launcher;
        LauncherApp& app = launcher.app;
        if (!c.game_present) fs::remove(launcher.release_folder / "Main.exe");
        app.launch_after_update = c.launch_after_update;
        app.ui.clock.advance(7'000'000'000);
        const bool ok = c.finished.result.has_value();
        const bool restart = ok && *c.finished.result;

        handle_ui_event(app, JobFinished{c.finished});
        EXPECT_FALSE(app.busy) << c.name;
        EXPECT_EQ(app.ui.status_text, c.status) << c.name;
        EXPECT_EQ(app.ui.play_caption, c.caption) << c.name;
        EXPECT_EQ(app.play_enabled, c.play_enabled) << c.name;
        EXPECT_EQ(app.ui.play_armed, c.play_enabled) << c.name;
        EXPECT_EQ(app.commands, c.commands) << c.name;
        EXPECT_EQ(app.launch_after_update, restart && c.launch_after_update) << c.name;  // a restart ends there
        EXPECT_EQ(app.last_check_ns, ok && !restart ? std::optional(app.ui.clock.monotonic_ns()) : std::nullopt)
            << c.name;
        EXPECT_EQ(app.ui.speed_text, c.status == "Baixando arquivos..." ? "1,0 MB/s" : "") << c.name;
        EXPECT_EQ(app.ui.progress_main.target, ok ? 100.0f : 0.0f) << c.name;
        if (c.commands == started) {
            EXPECT_EQ(test::wait_for_game_record(launcher.release_folder),
                      test::expected_game_record(launcher.release_folder))
                << c.name;
        }
    }
}

// A configuration with only what `fill` gives it.
template <class F>
LauncherConfig config_with(F fill) {
    LauncherConfig config;
    fill(config);
    return config;
}

TEST_F(EventDrain, RemoteConfigurationReplacesWhatItMayAndSavesOnlyAChange) {
    const LauncherNews local_news{"novo", "#D9A845", "local", {}, {}};
    const LauncherNews remote_news{"aviso", "#12B880", "remota", "https://example.org/aviso", "08/10"};
    const LauncherLink link{"Site", "https://example.org"};
    const LauncherInfo info{"Rates", "x5"};
    const LauncherConfig local = config_with([&](LauncherConfig& c) {
        c.server_name = "QoFenro";
        c.news = std::vector{local_news};
        c.abertura = "2026-12-05T20:00:00-03:00";
    });
    const auto with = [&](auto change) {
        LauncherConfig config = local;
        change(config);
        return config;
    };
    struct Case {
        const char* name;
        LauncherConfig remote;
        LauncherConfig merged;
        std::string title;  // empty: not retitled
        bool saved;
    };
    const Case cases[] = {
        {"blank name", config_with([](LauncherConfig& c) { c.server_name = " \t\xE3\x80\x80"; }), local, "", false},
        {"same name", config_with([](LauncherConfig& c) { c.server_name = "  QoFenro\n"; }), local, "", false},
        {"new name, trimmed", config_with([](LauncherConfig& c) { c.server_name = " Novo Mundo "; }),
         with([](LauncherConfig& c) { c.server_name = "Novo Mundo"; }), "Novo Mundo", true},
        {"empty lists", config_with([](LauncherConfig& c) { c.links.emplace(), c.news.emplace(), c.info.emplace(); }),
         local, "", false},
        {"same news", config_with([&](LauncherConfig& c) { c.news = std::vector{local_news}; }), local, "", false},
        {"news, links and information", config_with([&](LauncherConfig& c) {
             c.news = std::vector{remote_news}, c.links = std::vector{link}, c.info = std::vector{info};
         }),
         with([&](LauncherConfig& c) {
             c.news = std::vector{remote_news}, c.links = std::vector{link}, c.info = std::vector{info};
         }),
         "", true},
        {"empty opening date", config_with([](LauncherConfig& c) { c.abertura = ""; }),
         with([](LauncherConfig& c) { c.abertura = ""; }), "", true},
        {"other keys are not the remote copy's", config_with([](LauncherConfig& c) {
             c.game_exe = "Outro.exe", c.close_after_start = true, c.background_video = "v.mp4", c.update.emplace();
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

    Launcher unsaved;  // launcher.json cannot be written: the change still shows
    test::write_file(unsaved.root / "Data", "a file where the folder would be");
    handle_ui_event(unsaved.app, RemoteConfig{std::make_unique<LauncherConfig>(cases[2].remote)});
    EXPECT_EQ(unsaved.app.config.server_name, "Novo Mundo");
    handle_ui_event(unsaved.app, RemoteConfig{});  // no document at all
    EXPECT_EQ(unsaved.window.calls, std::vector<std::string>{"title Novo Mundo"});
}

TEST_F(EventDrain, NewReleaseBecomesActiveAndItsWindowModeShows) {
    Launcher launcher;
    LauncherApp& app = launcher.app;
    const fs::path other = launcher.root / "Versions/other";
    for (const std::uint32_t mode : {0u, 1u, 2u}) {
        ASSERT_TRUE(save_game_options(GameOptions{.window_mode = mode}, other));
        handle_ui_event(app, ClientRelease{ActiveRelease{other}});
        EXPECT_EQ(app.release.folder, other);
        EXPECT_EQ(app.ui.windowed, mode == 1) << mode;
        EXPECT_EQ(app.ui.windowed_knob.target, mode == 1 ? 1.0f : 0.0f) << mode;
    }
}

TEST_F(EventDrain, DrainTakesEveryQueuedEventInOrder) {
    Launcher launcher;
    LauncherApp& app = launcher.app;
    app.launch_after_update = true;
    {
        UiEventSender job = app.event_sender;  // a job's copy, gone before the drain
        send_ui_event(job, ServerStatus{true});
        send_ui_event(job, Progress{{.file_fraction = 0.5, .total_fraction = 0.25, .bytes_per_second = 0,
                                     .text = "Baixando Main.exe", .detail = ""}});
        send_ui_event(job, JobFinished{true});  // the restart ends only its own event
        send_ui_event(job, ServerStatus{false});
    }
    drain_ui_events(app);
    EXPECT_EQ(app.ui.server_status_text, "OFFLINE");
    EXPECT_EQ(app.ui.detail_text, "-");
    EXPECT_EQ(app.ui.status_text, "Launcher atualizado. Reiniciando...");
    EXPECT_EQ(app.commands, Commands{RestartLauncherCommand{}});
    EXPECT_FALSE(app.event_receiver.try_receive());
}

}  // namespace
}  // namespace qo
