#include "support/virtual_display.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/child_process.h"

namespace qo::test {
namespace {

const char* const kXvfb = "/usr/bin/Xvfb";

}  // namespace

VirtualDisplay::VirtualDisplay(const std::string& screen) {
    if (!std::filesystem::exists(kXvfb)) return;
    // A display number unlikely to be taken, then the next ones if it is.
    for (int number = 90 + static_cast<int>(::getpid() % 400); number < 990; number += 7) {
        const std::filesystem::path socket = "/tmp/.X11-unix/X" + std::to_string(number);
        const std::filesystem::path lock = "/tmp/.X" + std::to_string(number) + "-lock";
        if (std::filesystem::exists(socket) || std::filesystem::exists(lock)) continue;
        ChildOptions options;
        options.arguments = {":" + std::to_string(number), "-nolisten", "tcp", "-screen", "0", screen};
        auto server = std::make_unique<ChildProcess>(kXvfb, options);
        if (!server->started()) return;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (std::filesystem::exists(socket)) {
                server_ = std::move(server);
                name_ = ":" + std::to_string(number);
                return;
            }
            if (server->wait_for_exit(std::chrono::milliseconds(20))) break;  // lost a race for the number
        }
    }
}

VirtualDisplay::~VirtualDisplay() = default;

}  // namespace qo::test
