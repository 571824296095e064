#pragma once
// Brings the game client to the current signed release: fetch and verify the list, take the update lock, place
// or download every file that differs into the release's folder, check the asset index and the game executable's
// signature, record the list and switch the active release. The active release changes only at the very end,
// after every check has passed; an update that fails earlier leaves it exactly as it was.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>

#include "events/active_release.h"
#include "events/progress_sink.h"
#include "sealed/release_workers.h"
#include "sealed/signature.h"

namespace qo {

inline constexpr std::uint64_t DISK_SPACE_MARGIN = 209'715'200;
inline constexpr int LIST_FETCH_ATTEMPTS = 4;

// Where releases come from and how they are checked (deployment values), and how the flow waits between list
// fetch attempts and download retries.
struct SealedUpdateSettings {
    std::string update_base_url;  // the client area is update_base_url + "/client"
    std::string extra_ca_file;
    ReleaseKey key;
    std::chrono::seconds connect_timeout{30};
    std::chrono::seconds io_timeout{120};
    SpeedFloor speed_floor{};
    Sleeper sleep;  // empty: really sleep
};

// The download may start when the free space is unknown or covers `need` plus DISK_SPACE_MARGIN.
std::expected<void, std::string> check_free_space(std::optional<std::uint64_t> free_bytes, std::uint64_t need);

// Runs the whole update; the result is the folder of the release now active, or a ready-to-show error text
// ("cancelado" when the cancel flag stopped it).
std::expected<ActiveRelease, std::string> update_sealed_client(const std::filesystem::path& root,
                                                               const std::filesystem::path& active_folder,
                                                               const ProgressSink& sink,
                                                               const std::atomic<bool>& cancel,
                                                               const SealedUpdateSettings& settings);

}  // namespace qo
