// The launcher executable started as a separate process from a temporary game folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "main/single_instance.h"
#include "platform/named_mutex.h"
#include "support/child_process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/test_keys.h"
#include "support/virtual_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qo {
namespace {

using namespace std::chrono_literals;

// What a launcher without a release key says instead of opening its window.
constexpr const char* kNoReleaseKey = "A chave de verificação das versões não está configurada.";

class LauncherProcess : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(runtime_);
        std::filesystem::copy_file(QO_DEV_EXE, exe_);
    }

    // Runs the launcher copy; without a display unless one is given, and without a release key unless asked.
    std::unique_ptr<test::ChildProcess> start(std::vector<std::string> arguments = {},
                                              const std::string& display = {}, bool with_key = false) {
        test::ChildOptions options;
        options.arguments = std::move(arguments);
        options.set_env = {{"XDG_RUNTIME_DIR", runtime_.string()},
                           {"XDG_CONFIG_HOME", (scratch_ / "config").string()},
                           {"SDL_VIDEODRIVER", "offscreen"},
                           {"QO_DEV_UPDATE_URL", "https://127.0.0.1:9"},
                           {"QO_DEV_SITE_URL", "https://127.0.0.1:9"},
                           {"QO_DEV_GAME_SERVER", "127.0.0.1:9"}};
        if (with_key) options.set_env["QO_DEV_RELEASE_KEY"] = test::test_public_key_blob_path().string();
        options.unset_env = {"WAYLAND_DISPLAY"};
        if (display.empty()) {
            options.unset_env.push_back("DISPLAY");
        } else {
            options.set_env["DISPLAY"] = display;
        }
        options.working_folder = game_.path();
        options.output_file = output_;
        auto child = std::make_unique<test::ChildProcess>(exe_, options);
        EXPECT_TRUE(child->started());
        return child;
    }

    std::string output() const { return test::read_file(output_); }

    // Holds the single-instance mutex the way a running launcher does.
    NamedMutexCreated hold_mutex() {
        NamedMutexCreated held = create_named_mutex(SINGLE_INSTANCE_MUTEX);
        EXPECT_TRUE(held.mutex && held.mutex->owned());
        return held;
    }

    test::TempDir game_;
    test::TempDir scratch_;
    std::filesystem::path runtime_ = scratch_ / "run";
    std::filesystem::path output_ = scratch_ / "output.txt";
    std::filesystem::path exe_ = game_ / "QoTarmish-dev";
    std::filesystem::path old_exe_ = game_ / "QoTarmish-dev.old";
    test::ScopedEnv env_{"XDG_RUNTIME_DIR", (scratch_ / "run").string()};
};

// The window runs (on SDL's offscreen driver here) until a termination signal closes it like the desktop's close.
TEST_F(LauncherProcess, LoneLauncherTakesTheMutexAndLetsGoAtExit) {
    auto launcher = start({}, {}, true);
    // launcher.json is written on a first start just before the window opens; asking for the mutex any earlier
    // could take it before the launcher does, and a signal before the window exists ends the process outright.
    const std::filesystem::path config = game_ / "Data/Launcher/launcher.json";
    for (int i = 0; i < 3000 && !std::filesystem::exists(config); ++i) std::this_thread::sleep_for(10ms);
    ASSERT_FALSE(launcher->wait_for_exit(1000ms).has_value()) << output();
    EXPECT_TRUE(create_named_mutex(SINGLE_INSTANCE_MUTEX).already_exists);
    launcher->request_stop();
    EXPECT_EQ(launcher->wait_for_exit(30s), 0) << output();
    EXPECT_FALSE(create_named_mutex(SINGLE_INSTANCE_MUTEX).already_exists);
}

TEST_F(LauncherProcess, WithoutAReleaseKeyTheLauncherSaysSoAndEnds) {
    auto launcher = start();
    EXPECT_EQ(launcher->wait_for_exit(30s), 1);
    EXPECT_NE(output().find(kNoReleaseKey), std::string::npos) << output();
    EXPECT_FALSE(create_named_mutex(SINGLE_INSTANCE_MUTEX).already_exists);
}

TEST_F(LauncherProcess, ModeWordWithoutItsArgumentStartsTheLauncher) {
    auto launcher = start({"--gerar-manifesto"});
    EXPECT_EQ(launcher->wait_for_exit(30s), 1);
    EXPECT_NE(output().find(kNoReleaseKey), std::string::npos);
}

TEST_F(LauncherProcess, SecondCopyLeavesQuietlyWithExitCodeZero) {
    auto held = hold_mutex();
    auto second = start({"x", "--TESTE"});
    EXPECT_EQ(second->wait_for_exit(30s), 0);
    EXPECT_EQ(output().find(kNoReleaseKey), std::string::npos);
    EXPECT_TRUE(held.mutex->owned());
}

TEST_F(LauncherProcess, RestartedLauncherWaitsForTheOldOneThenRemovesTheOldFile) {
    test::write_file(old_exe_, "executável antigo");
    auto held = hold_mutex();
    auto restarted = start();
    // Still waiting while the old process holds the mutex.
    EXPECT_FALSE(restarted->wait_for_exit(300ms).has_value());
    held.mutex->release();
    EXPECT_EQ(restarted->wait_for_exit(30s), 1);
    EXPECT_NE(output().find(kNoReleaseKey), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(old_exe_));
}

TEST_F(LauncherProcess, OldFileAloneIsRemovedByTheNextStart) {
    test::write_file(old_exe_, "executável antigo");
    auto launcher = start();
    EXPECT_EQ(launcher->wait_for_exit(30s), 1);
    EXPECT_FALSE(std::filesystem::exists(old_exe_));
}

TEST_F(LauncherProcess, SecondCopyBringsTheRunningWindowForward) {
    test::VirtualDisplay display;
    if (!display.running()) GTEST_SKIP() << "Xvfb is not available";
    Display* x = XOpenDisplay(display.name().c_str());
    ASSERT_NE(x, nullptr);
    const Window window = XCreateSimpleWindow(x, DefaultRootWindow(x), 0, 0, 100, 80, 0, 0, 0);
    XClassHint hint{const_cast<char*>("qotarmish"), const_cast<char*>("QoTarmishLauncherMain")};
    XSetClassHint(x, window, &hint);
    XSync(x, False);

    auto held = hold_mutex();
    auto second = start({}, display.name());
    EXPECT_EQ(second->wait_for_exit(30s), 0);
    XWindowAttributes attributes{};
    bool shown = false;
    for (int i = 0; i < 200 && !shown; ++i) {
        XGetWindowAttributes(x, window, &attributes);
        shown = attributes.map_state != IsUnmapped;
        if (!shown) std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(shown);
    XCloseDisplay(x);
}

}  // namespace
}  // namespace qo
