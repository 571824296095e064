#pragma once
// The two parallel phases that fill a release folder. The place phase checks every entry of the work list in the
// target folder and reuses identical files of the active release (hard link, else copy); what it cannot settle is
// handed back for download. The download phase fetches each remaining entry into a temporary file beside its
// target, checking length and SHA-256 while streaming, and renames it into place.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "events/progress_sink.h"
#include "sealed/release_list.h"
#include "sealed/sleeper.h"
#include "util/http_agent.h"

namespace qo {

inline constexpr int DOWNLOAD_WORKERS = 12;
inline constexpr int DOWNLOAD_ATTEMPTS = 4;
inline constexpr std::int64_t PROGRESS_INTERVAL_MS = 50;

// Entries of the previous release by their ASCII-lower-cased path.
using PreviousIndex = std::unordered_map<std::string, ReleaseEntry>;

// The connection settings every download worker builds its own agent from.
struct DownloadConnection {
    std::string client_base;    // update base URL + "/client"
    std::string extra_ca_file;  // trusted besides the system store; empty for none
    std::chrono::seconds connect_timeout{30};
    std::chrono::seconds io_timeout{120};
    SpeedFloor speed_floor{};  // an attempt slower than this ends like a time-out and is retried
};

struct PlacePhase {
    const std::vector<ReleaseEntry>& work;
    std::filesystem::path root;
    std::filesystem::path target_folder;
    std::filesystem::path active_folder;
    const PreviousIndex& previous;
    std::string phase_text;  // the status line of the progress reports
    const ProgressSink& sink;
    const std::atomic<bool>& cancel;
};

struct DownloadPhase {
    const std::vector<ReleaseEntry>& downloads;
    std::filesystem::path target_folder;
    DownloadConnection connection;
    std::string release_id;
    bool first_install = false;
    std::uint64_t total_bytes = 0;
    const ProgressSink& sink;
    const std::atomic<bool>& cancel;
    Sleeper sleep;  // empty: really sleep
};

// The path, read without following links, is a plain file of the entry's size and SHA-256.
bool file_matches_entry(const std::filesystem::path& path, const ReleaseEntry& entry);

// "Baixando atualização: {} de {}", or "Baixando o QoFenro: {} de {}" on a first install.
std::string format_download_progress(bool first_install, std::uint64_t bytes_done, std::uint64_t bytes_total);

// Runs the place phase on DOWNLOAD_WORKERS threads; returns the entries that still need a download (in no
// particular order) or the first worker's error text. A set cancel flag stops the workers quietly: the caller
// checks it first.
std::expected<std::vector<ReleaseEntry>, std::string> run_place_phase(const PlacePhase& phase);

// Runs the download phase on DOWNLOAD_WORKERS threads; the first worker's error text stops all of them.
std::expected<void, std::string> run_download_phase(const DownloadPhase& phase);

}  // namespace qo
