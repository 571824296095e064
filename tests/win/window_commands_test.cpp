// The window command queue: order, the end of a batch at Close and RestartLauncher, the message box caption, the
// after-launch timer, commands queued while a box is up, and a busy record.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/named_mutex.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "win/app_slot.h"
#include "win/test_app.h"
#include "win/window_shell.h"

namespace qo {
namespace {

using namespace std::chrono_literals;

class WindowCommands : public ::testing::Test {
protected:
    test::TempDir folder;
    test::RecordingWindow window;
    test::TestApp test_app = test::make_test_app(folder.path(), &window);
    LauncherApp& app = *test_app.app;
};

TEST_F(WindowCommands, RunInOrderAndCloseOrRestartEndTheBatch) {
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", folder.path().string());
    const MessageBoxCommand box{"Falhou.", MessageBoxKind::Error};
    struct Case {
        const char* name;
        std::vector<WindowCommand> batch;
        std::vector<std::string> calls;
    };
    const std::vector<Case> cases = {
        {"each in order", {MinimizeCommand{}, ArmAfterLaunchTimerCommand{}}, {"minimize", "timer 7 15000"}},
        {"close drops what follows",
         {MinimizeCommand{}, CloseCommand{}, box, ArmAfterLaunchTimerCommand{}},
         {"minimize", "destroy"}},
        {"close first", {CloseCommand{}, MinimizeCommand{}}, {"destroy"}},
        {"restart drops what follows", {RestartLauncherCommand{}, MinimizeCommand{}, CloseCommand{}}, {"destroy"}},
        {"box then close", {box, CloseCommand{}}, {"message error QoFenro: Falhou.", "destroy"}},
        {"nothing queued", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.calls.clear();
        app.commands = c.batch;
        process_window_commands(app);
        EXPECT_EQ(window.calls, c.calls);
        EXPECT_TRUE(app.commands.empty());
    }
}

TEST_F(WindowCommands, MessageBoxCaptionIsTheServerNameOrTheProductName) {
    struct Case {
        std::optional<std::string> server_name;
        std::string call;
    };
    const std::vector<Case> cases = {
        {"Servidor Fenro", "message info Servidor Fenro: Pronto."},
        {"", "message info : Pronto."},  // an empty name stays the (empty) caption
        {std::nullopt, "message info QoFenro: Pronto."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server_name.value_or("(absent)"));
        window.calls.clear();
        app.config.server_name = c.server_name;
        app.commands = {MessageBoxCommand{"Pronto.", MessageBoxKind::Information}};
        process_window_commands(app);
        EXPECT_EQ(window.calls, std::vector<std::string>{c.call});
    }
}

TEST_F(WindowCommands, CommandsQueuedWhileABoxIsUpRunAfterIt) {
    int boxes = 0;
    window.while_message_box_shows = [&] {
        if (++boxes == 1) app.commands.push_back(ArmAfterLaunchTimerCommand{});
    };
    app.commands = {MessageBoxCommand{"Um.", MessageBoxKind::Error}, MinimizeCommand{}};
    process_window_commands(app);
    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"message error QoFenro: Um.", "minimize", "timer 7 15000"}));
    EXPECT_TRUE(app.commands.empty());
}

TEST_F(WindowCommands, ABorrowedRecordKeepsItsQueueForLater) {
    app.commands = {MinimizeCommand{}};
    {
        const auto borrow = AppBorrow::take(&app);
        ASSERT_TRUE(borrow);
        EXPECT_FALSE(AppBorrow::take(&app));  // a nested entry sees it busy
        process_window_commands(app);
        EXPECT_TRUE(window.calls.empty());
    }
    process_window_commands(app);
    EXPECT_EQ(window.calls, std::vector<std::string>{"minimize"});
    EXPECT_FALSE(AppBorrow::take(nullptr));  // no record at all
}

// The restart lets go of the single-instance guard before the new copy starts, so that copy can own it.
TEST_F(WindowCommands, RestartReleasesTheSingleInstanceGuardAndStartsTheLauncherAgain) {
    test::ScopedEnv runtime("XDG_RUNTIME_DIR", folder.path().string());
    const std::filesystem::path marker = folder / "started";
    const std::filesystem::path launcher = folder / "launcher.sh";
    test::write_file(launcher, "#!/bin/sh\n: > '" + marker.string() + "'\n");
    std::filesystem::permissions(launcher, std::filesystem::perms::owner_all);
    app.environment.exe = launcher;

    NamedMutexCreated guard = create_named_mutex("Global\\QoOnline.Launcher");
    ASSERT_TRUE(guard.mutex && guard.mutex->owned());
    store_single_instance_mutex(std::move(*guard.mutex));

    app.commands = {RestartLauncherCommand{}, MinimizeCommand{}};
    process_window_commands(app);
    EXPECT_EQ(window.calls, std::vector<std::string>{"destroy"});
    EXPECT_EQ(take_single_instance_mutex(), nullptr);
    EXPECT_FALSE(create_named_mutex("Global\\QoOnline.Launcher").already_exists);
    for (int i = 0; i < 500 && !std::filesystem::exists(marker); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(std::filesystem::exists(marker));
}

}  // namespace
}  // namespace qo
