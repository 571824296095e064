#pragma once
// A signed test release whose game is a shell script that records how it was started, the wait for that
// record, and a launcher over such a release.
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

#include "support/release_builder.h"
#include "support/temp_dir.h"
#include "win/test_app.h"

namespace qo::test {

// Writes its working folder and then each argument, one a line, to "game-started.txt" in its working folder.
inline constexpr std::string_view RECORDING_GAME =
    "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > game-started.tmp\n"
    "mv game-started.tmp game-started.txt\n";

// Installs a signed release with the recording game under root/Versions and returns its folder.
inline std::filesystem::path install_recording_game(const std::filesystem::path& root) {
    std::vector<ClientFile> files = sample_client("a");
    set_client_file(files, "Main.exe", std::string(RECORDING_GAME));
    return install_test_release(build_test_release(files), root);
}

// What the game started in `folder` recorded, waiting up to `limit` for it; empty when it did not run.
inline std::string wait_for_game_record(const std::filesystem::path& folder,
                                        std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const std::filesystem::path record = folder / "game-started.txt";
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(record) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return read_file(record);
}

// The record of a game started with "-launcher" in `folder`.
inline std::string expected_game_record(const std::filesystem::path& folder) {
    return std::filesystem::canonical(folder).string() + "\n-launcher\n";
}

// A launcher over a game folder of its own whose active release holds the recording game.
struct GameLauncher {
    TempDir root;
    std::filesystem::path release_folder = install_recording_game(root.path());
    RecordingWindow window;
    TestApp test_app = make_test_app(root.path(), &window);
    LauncherApp& app = *test_app.app;

    GameLauncher() { app.release = ActiveRelease{release_folder}; }
};

}  // namespace qo::test
