#include "win/game_start.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <sstream>

#include "platform/process.h"
#include "support/https_server.h"
#include "support/scoped_env.h"
#include "util/http_agent.h"
#include "win/event_drain.h"
#include "win/test_game.h"
#include "win/window_shell.h"

namespace qo {
namespace {
namespace fs = std::filesystem;

using Commands = std::vector<WindowCommand>;

using Launcher = test::GameLauncher;

void flip_last_byte(const fs::path& file) {
    std::string bytes = test::read_file(file);
    bytes.back() = static_cast<char>(bytes.back() ^ 0x01);
    test::write_file(file, bytes);
}

TEST(GameStart, GoodReleaseStartsTheGameInItsFolderThenMinimisesAndArmsTheTimer) {
    Launcher launcher;
    launcher.app.config.game_exe = "Other.exe";  // kept in launcher.json, never used
    EXPECT_EQ(game_exe_name(launcher.app), "Main.exe");

    launch_game(launcher.app);
    EXPECT_EQ(launcher.app.commands, (Commands{MinimizeCommand{}, ArmAfterLaunchTimerCommand{}}));
    EXPECT_FALSE(launcher.app.play_enabled);
    EXPECT_FALSE(launcher.app.ui.play_armed);
    EXPECT_EQ(launcher.app.ui.play_caption, "abrindo o jogo...");
    EXPECT_EQ(test::wait_for_game_record(launcher.release_folder), test::expected_game_record(launcher.release_folder));
}

TEST(GameStart, ReleaseThatFailsItsChecksShowsWhyAndStartsNothing) {
    struct Case {
        const char* name;
        std::function<void(const fs::path& folder)> damage;
    };
    const Case cases[] = {
        {"signature missing", [](const fs::path& f) { fs::remove(f / "Main.exe.sig"); }},
        {"signature altered", [](const fs::path& f) { flip_last_byte(f / "Main.exe.sig"); }},
        {"game altered after signing", [](const fs::path& f) { flip_last_byte(f / "Main.exe"); }},
        {"game missing", [](const fs::path& f) { fs::remove(f / "Main.exe"); }},
        {"asset index missing", [](const fs::path& f) { fs::remove(f / "Assets/assets.idx"); }},
        {"asset index of another kind",
         [](const fs::path& f) { test::write_file(f / "Assets/assets.idx", "not an index"); }},
    };
    std::vector<std::unique_ptr<Launcher>> launchers;
    for (const Case& c : cases) {
        auto& launcher = *launchers.emplace_back(std::make_unique<Launcher>());
        c.damage(launcher.release_folder);
        launch_game(launcher.app);

        ASSERT_EQ(launcher.app.commands.size(), 1u) << c.name;
        const auto* box = std::get_if<MessageBoxCommand>(&launcher.app.commands[0]);
        ASSERT_NE(box, nullptr) << c.name;
        EXPECT_EQ(box->kind, MessageBoxKind::Error) << c.name;
        EXPECT_TRUE(box->text.starts_with("Não foi possível abrir o jogo:\n")) << c.name << ": " << box->text;
        EXPECT_GT(box->text.size(), std::string_view("Não foi possível abrir o jogo:\n").size()) << c.name;
        EXPECT_TRUE(launcher.app.play_enabled) << c.name;
        EXPECT_TRUE(launcher.app.ui.play_armed) << c.name;
        EXPECT_EQ(launcher.app.ui.play_caption, "cliente pronto") << c.name;
    }
    // Nothing was started: no game left its record in any of the folders.
    for (size_t i = 0; i < launchers.size(); ++i)
        EXPECT_EQ(test::wait_for_game_record(launchers[i]->release_folder, std::chrono::milliseconds(i == 0 ? 300 : 0)),
                  "")
            << cases[i].name;
}

TEST(GameStart, AfterLaunchTimerClosesWhenConfiguredElseOffersAnotherAccount) {
    struct Case {
        bool close_after_start;
        Commands commands;
        bool play_enabled;
        std::string caption;
    };
    const Case cases[] = {
        {true, {CloseCommand{}}, false, "abrindo o jogo..."},
        {false, {}, true, "abrir outra conta"},
    };
    for (const Case& c : cases) {
        test::TempDir root;
        test::RecordingWindow window;
        test::TestApp test_app = test::make_test_app(root.path(), &window);
        LauncherApp& app = *test_app.app;
        app.config.close_after_start = c.close_after_start;
        app.ui.play_caption = "abrindo o jogo...";

        handle_after_launch_timer(app);
        EXPECT_EQ(app.commands, c.commands) << c.close_after_start;
        EXPECT_EQ(app.play_enabled, c.play_enabled) << c.close_after_start;
        EXPECT_EQ(app.ui.play_armed, c.play_enabled) << c.close_after_start;
        EXPECT_EQ(app.ui.play_caption, c.caption) << c.close_after_start;
    }
}

// A program that writes down the descriptors it was started with: `ls -l` of its shell's /proc entry, one
// "... N -> target" a line (the listing's own descriptors belong to ls, not to the shell; the output goes to the
// record for good first, so the shell keeps no saved copy of its standard output).
std::string descriptor_listing_program(const fs::path& record) {
    const std::string tmp = "'" + record.string() + ".tmp'";
    return "#!/bin/sh\nexec > " + tmp + "\nls -l /proc/$$/fd\nmv " + tmp + " '" + record.string() + "'\n";
}

// The descriptors beyond standard input, output and error that a started program recorded, as "N -> target",
// leaving out those of the program's own file (its script, read by its shell, or the one a game runs from).
std::vector<std::string> foreign_descriptors(const fs::path& record, const fs::path& own_file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(record) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!fs::exists(record)) return {"no record: the program did not run"};
    std::vector<std::string> foreign;
    std::istringstream lines(test::read_file(record));
    for (std::string line; std::getline(lines, line);) {
        const auto arrow = line.find(" -> ");
        if (arrow == std::string::npos) continue;
        const auto blank = line.rfind(' ', arrow - 1);
        const std::string fd = line.substr(blank + 1, arrow - blank - 1);
        const std::string target = line.substr(arrow + 4);
        std::error_code ec;
        if (fd == "0" || fd == "1" || fd == "2" || fs::equivalent(target, own_file, ec)) continue;
        foreign.push_back(fd + " -> " + target);
    }
    return foreign;
}

// A launcher over a signed release whose Main.exe holds `game`.
struct LauncherOverGame {
    explicit LauncherOverGame(std::string game) {
        std::vector<test::ClientFile> files = test::sample_client("a");
        test::set_client_file(files, "Main.exe", std::move(game));
        release_folder = test::install_test_release(test::build_test_release(files), root.path());
        app.release = ActiveRelease{release_folder};
    }
    test::TempDir root;
    fs::path release_folder;
    test::RecordingWindow window;
    test::TestApp test_app = test::make_test_app(root.path(), &window);
    LauncherApp& app = *test_app.app;
};

// Whatever this process holds, a program it starts gets standard input, output and error and its own file only:
// here it holds a file and a pipe opened inheritable (as a library may), and libcurl's descriptors after a
// transfer whose connection stays open.
TEST(StartedPrograms, SeeNoDescriptorOfTheLauncherBesidesTheirOwnFile) {
    test::HttpsServer server;
    server.set_body("/ping", "pong");
    HttpAgentOptions options;
    options.extra_ca_file = test::HttpsServer::ca_file().string();
    auto agent = HttpAgent::create(options);
    ASSERT_TRUE(agent) << agent.error();
    const auto body = agent->get_body(server.url("/ping"), 16);
    ASSERT_TRUE(body && body->bytes == "pong");
    const int inheritable_file = ::open("/dev/null", O_RDONLY);
    int inheritable_pipe[2] = {-1, -1};
    ASSERT_GE(inheritable_file, 0);
    ASSERT_EQ(::pipe(inheritable_pipe), 0);

    test::TempDir scratch;
    const fs::path bin = scratch / "bin";
    const auto install_program = [&](const std::string& name) {
        test::write_file(bin / name, descriptor_listing_program(scratch / (name + ".txt")));
        fs::permissions(bin / name, fs::perms::owner_all);
        return bin / name;
    };
    const test::ScopedEnv path("PATH", bin.string() + ":/usr/bin:/bin");

    std::vector<std::unique_ptr<LauncherOverGame>> launchers;  // their game folders outlive the checks
    const auto launcher_over = [&](std::string game) -> LauncherApp& {
        return launchers.emplace_back(std::make_unique<LauncherOverGame>(std::move(game)))->app;
    };
    struct Case {
        const char* name;
        std::function<fs::path()> start;  // starts the program, returns its own file
    };
    const Case cases[] = {
        {"game",
         [&] {
             launch_game(launcher_over(descriptor_listing_program(scratch / "game.txt")));
             return launchers.back()->release_folder / "Main.exe";
         }},
        {"wine",
         [&] {
             const fs::path wine = install_program("wine");
             launch_game(launcher_over("MZ\x90 a Windows program"));
             return wine;
         }},
        {"xdg-open",
         [&] {
             const fs::path opener = install_program("xdg-open");
             open_url("https://127.0.0.1/pagina");
             return opener;
         }},
        {"restart",
         [&] {
             const fs::path launcher_exe = install_program("restart");
             LauncherApp& app = launcher_over("");
             app.environment.exe = launcher_exe;
             app.commands.emplace_back(std::in_place_type<RestartLauncherCommand>);
             process_window_commands(app);
             return launcher_exe;
         }},
    };
    for (const Case& c : cases) {
        const fs::path own_file = c.start();
        EXPECT_EQ(foreign_descriptors(scratch / (std::string(c.name) + ".txt"), own_file), std::vector<std::string>{})
            << c.name;
    }
    ::close(inheritable_file);
    ::close(inheritable_pipe[0]);
    ::close(inheritable_pipe[1]);
}

}  // namespace
}  // namespace qo
