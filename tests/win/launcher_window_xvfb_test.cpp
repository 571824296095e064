// The launcher executable on a real X server (Xvfb): its window appears with its class and size, a second copy
// finds it and leaves with exit code 0, and Alt+F4 ends the launcher with exit code 0.
//
// scripts/test runs this case against its own Xvfb (QO_XVFB_DISPLAY); run alone, it starts a private one.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/https_server.h"
#include "support/release_builder.h"
#include "support/temp_dir.h"
#include "support/test_keys.h"
#include "support/virtual_display.h"

namespace qo {
namespace {

using namespace std::chrono_literals;

constexpr const char* kXdotool = "/usr/bin/xdotool";

class LauncherWindowXvfb : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kXdotool)) GTEST_SKIP() << "xdotool is not installed (scripts/setup-deps)";
        if (const char* shared = std::getenv("QO_XVFB_DISPLAY"); shared && *shared) {
            display_ = shared;
        } else {
            private_display_ = std::make_unique<test::VirtualDisplay>("1280x1024x24");
            if (!private_display_->running()) GTEST_SKIP() << "Xvfb is not available";
            display_ = private_display_->name();
        }
        std::filesystem::create_directories(scratch_ / "run");
        std::filesystem::copy_file(QO_DEV_EXE, exe_);
        test::publish_test_release(test::build_test_release(test::sample_client("a")), server_dir_.path());
        server_.serve_folder("/client", server_dir_ / "client");
        server_.set_status("/launcher.json", 404);
    }

    std::unique_ptr<test::ChildProcess> start_launcher(const std::string& output_name) {
        test::ChildOptions options;
        options.set_env = {{"DISPLAY", display_},
                           {"SDL_VIDEODRIVER", "x11"},
                           {"XDG_RUNTIME_DIR", (scratch_ / "run").string()},
                           {"XDG_CONFIG_HOME", (scratch_ / "config").string()},
                           {"QO_DEV_UPDATE_URL", server_.base_url()},
                           {"QO_DEV_SITE_URL", server_.base_url()},
                           {"QO_DEV_CA_FILE", test::HttpsServer::ca_file().string()},
                           {"QO_DEV_RELEASE_KEY", test::test_public_key_blob_path().string()},
                           {"QO_DEV_GAME_SERVER", "127.0.0.1:9"}};
        options.unset_env = {"WAYLAND_DISPLAY"};
        options.working_folder = game_.path();
        options.output_file = scratch_ / output_name;
        auto child = std::make_unique<test::ChildProcess>(exe_, options);
        EXPECT_TRUE(child->started());
        return child;
    }

    // xdotool's output, or nothing when it failed (a search that finds no window fails).
    std::optional<std::string> xdotool(std::vector<std::string> arguments) {
        test::ChildOptions options;
        options.arguments = std::move(arguments);
        options.set_env = {{"DISPLAY", display_}};
        options.output_file = scratch_ / "xdotool.out";
        test::ChildProcess tool(kXdotool, options);
        if (!tool.started() || tool.wait_for_exit(10s) != 0) return std::nullopt;
        return test::read_file(options.output_file);
    }

    // The id of the launcher's visible window, waiting up to `timeout` for it to appear.
    std::optional<std::string> launcher_window(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        do {
            if (auto found = xdotool({"search", "--onlyvisible", "--class", "^QoTarmishLauncherMain$"})) {
                return found->substr(0, found->find('\n'));
            }
            std::this_thread::sleep_for(50ms);
        } while (std::chrono::steady_clock::now() < deadline);
        return std::nullopt;
    }

    std::unique_ptr<test::VirtualDisplay> private_display_;
    std::string display_;
    test::TempDir game_;
    test::TempDir scratch_;
    test::TempDir server_dir_;
    test::HttpsServer server_;
    std::filesystem::path exe_ = game_ / "QoTarmish-dev";
};

TEST_F(LauncherWindowXvfb, WindowAppearsAndASecondCopyLeavesItAndAltF4EndsIt) {
    auto launcher = start_launcher("launcher.out");
    const auto window = launcher_window(20s);
    ASSERT_TRUE(window) << test::read_file(scratch_ / "launcher.out");
    const auto geometry = xdotool({"getwindowgeometry", *window});
    ASSERT_TRUE(geometry);
    EXPECT_NE(geometry->find("Geometry: 1100x660"), std::string::npos) << *geometry;
    EXPECT_NE(geometry->find("Position: 90,182"), std::string::npos) << *geometry;  // centred on 1280 x 1024
    EXPECT_EQ(xdotool({"getwindowname", *window}), "QoFenro\n");

    auto second = start_launcher("second.out");
    EXPECT_EQ(second->wait_for_exit(30s), 0);
    EXPECT_FALSE(launcher->wait_for_exit(200ms).has_value());
    EXPECT_EQ(launcher_window(1s), window);

    ASSERT_TRUE(xdotool({"key", "alt+F4"}));
    EXPECT_EQ(launcher->wait_for_exit(20s), 0) << test::read_file(scratch_ / "launcher.out");
}

}  // namespace
}  // namespace qo
