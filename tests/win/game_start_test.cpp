#include "win/game_start.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "support/hang_guard.h"
#include "support/scoped_env.h"
#include "win/event_drain.h"
#include "win/test_game.h"

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

// A file the checks read replaced after the update's check by something that is no file of the release: a link
// to an endless device, or a FIFO nobody writes. Each read would wait or hash for ever, so each start runs in a
// guarded child; it must end at once with the failure box and Play offered again.
TEST(GameStart, EndlessOrWaitingFileInPlaceOfAReleaseFileFailsAtOnce) {
    const auto make_fifo = [](const fs::path& file) {
        fs::remove(file);
        ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    };
    struct Case {
        const char* name;
        std::function<void(const fs::path& folder)> replace;
    };
    const Case cases[] = {
        {"game a link to /dev/zero",
         [](const fs::path& f) {
             fs::remove(f / "Main.exe");
             fs::create_symlink("/dev/zero", f / "Main.exe");
         }},
        {"game a FIFO", [&](const fs::path& f) { make_fifo(f / "Main.exe"); }},
        {"signature a FIFO", [&](const fs::path& f) { make_fifo(f / "Main.exe.sig"); }},
        {"asset index a FIFO", [&](const fs::path& f) { make_fifo(f / "Assets/assets.idx"); }},
    };
    for (const Case& c : cases) {
        Launcher launcher;
        c.replace(launcher.release_folder);
        const auto outcome = test::run_guarded([&] {
            launch_game(launcher.app);
            const auto* box = launcher.app.commands.size() == 1
                                  ? std::get_if<MessageBoxCommand>(&launcher.app.commands[0])
                                  : nullptr;
            const bool failed = box && box->text.starts_with("Não foi possível abrir o jogo:\n");
            return failed && launcher.app.play_enabled && launcher.app.ui.play_caption == "cliente pronto" ? 0 : 1;
        });
        EXPECT_EQ(outcome, 0) << c.name;
        EXPECT_EQ(test::wait_for_game_record(launcher.release_folder, std::chrono::milliseconds(0)), "") << c.name;
    }
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

}  // namespace
}  // namespace qo
