#include "sealed/release_workers.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include <fmt/format.h>

#include "platform/error_text.h"
#include "platform/files.h"
#include "platform/random.h"
#include "sealed/release_store.h"
#include "sealed/update_agent.h"
#include "util/byte_format.h"
#include "util/http_agent.h"
#include "util/sha256.h"
#include "util/text.h"

namespace qo {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view CANCELLED = "cancelado";
constexpr std::chrono::milliseconds RETRY_PAUSE_STEP{800};

// What every worker of one phase shares.
class PhaseState {
public:
    PhaseState(const ProgressSink& sink, const std::atomic<bool>& cancel)
        : sink_(sink), cancel_(cancel), start_(std::chrono::steady_clock::now()) {}

    // Hands out the next entry index, or nothing once the list is used up or the phase must stop.
    std::optional<std::size_t> claim(std::size_t count) {
        if (must_stop()) return std::nullopt;
        std::size_t index = next_.fetch_add(1);
        if (index >= count) return std::nullopt;
        return index;
    }

    bool must_stop() const { return cancel_.load() || stop_.load(); }

    // Keeps the first failure's text and stops every worker.
    void fail(std::string text) {
        {
            std::lock_guard lock(error_mutex_);
            if (!first_error_) first_error_ = std::move(text);
        }
        stop_.store(true);
    }

    std::optional<std::string> first_error() const {
        std::lock_guard lock(error_mutex_);
        return first_error_;
    }

    double seconds_since_start() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    }

    // At most one report per PROGRESS_INTERVAL_MS for the whole phase: the worker that swaps in the new time
    // reports, the others don't.
    void offer_report(const std::function<JobProgress()>& make) {
        std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start_).count();
        std::int64_t last = last_report_ms_.load();
        if (now - last < PROGRESS_INTERVAL_MS) return;
        if (!last_report_ms_.compare_exchange_strong(last, now)) return;
        sink_(Progress{make()});
    }

    std::atomic<std::uint64_t> done{0};
    std::atomic<std::uint64_t> bytes_done{0};

    // Takes back what a failed attempt had added, never below zero.
    void take_back_bytes(std::uint64_t count) {
        std::uint64_t current = bytes_done.load();
        while (!bytes_done.compare_exchange_weak(current, current - std::min(current, count))) {
        }
    }

private:
    const ProgressSink& sink_;
    const std::atomic<bool>& cancel_;
    std::chrono::steady_clock::time_point start_;
    std::atomic<std::size_t> next_{0};
    std::atomic<bool> stop_{false};
    std::atomic<std::int64_t> last_report_ms_{0};
    mutable std::mutex error_mutex_;
    std::optional<std::string> first_error_;
};

void run_workers(const std::function<void()>& worker) {
    std::vector<std::jthread> threads;
    threads.reserve(DOWNLOAD_WORKERS);
    for (int i = 0; i < DOWNLOAD_WORKERS; ++i) threads.emplace_back(worker);
}

bool metadata_readable(const fs::path& path) {
    std::error_code ec;
    fs::file_status status = fs::symlink_status(path, ec);
    return !ec && fs::exists(status);
}

// The game executable arrives as plain bytes; it must stay startable from the release folder.
bool is_game_executable(std::string_view list_path) { return ascii_iequals(list_path, "Main.exe"); }

void make_executable(const fs::path& file) {
    std::error_code ec;
    fs::permissions(file, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
}

// ---- place phase ----

enum class Placement { done, needs_download };

std::expected<Placement, std::string> place_user_file(const PlacePhase& phase, const ReleaseEntry& entry,
                                                      const fs::path& target) {
    // The player's own copy is never replaced or checked.
    if (metadata_readable(target)) return Placement::done;
    fs::path source = release_path_to_pathbuf(phase.active_folder, entry.path);
    if (auto inside = ensure_inside_root(phase.root, source); !inside) return std::unexpected(inside.error());
    if (metadata_readable(source) && copy_file_replacing(source, target)) return Placement::done;
    return Placement::needs_download;
}

Placement reuse_previous_file(const PlacePhase& phase, const ReleaseEntry& entry, const fs::path& target) {
    auto found = phase.previous.find(release_path_key(entry.path));
    if (found == phase.previous.end()) return Placement::needs_download;
    const ReleaseEntry& previous = found->second;
    if (previous.sha256 != entry.sha256 || previous.size != entry.size) return Placement::needs_download;
    fs::path source = release_path_to_pathbuf(phase.active_folder, entry.path);
    if (normalize_path_for_compare(source) == normalize_path_for_compare(target)) return Placement::needs_download;
    if (!metadata_readable(source)) return Placement::needs_download;
    (void)remove_file(target);
    if (!hard_link(source, target) && !copy_file_replacing(source, target)) return Placement::needs_download;
    return file_matches_entry(target, entry) ? Placement::done : Placement::needs_download;
}

// Settles one entry; an error text fails the phase.
std::expected<Placement, std::string> place_entry(const PlacePhase& phase, const ReleaseEntry& entry) {
    fs::path target = release_path_to_pathbuf(phase.target_folder, entry.path);
    if (auto inside = ensure_inside_root(phase.root, target); !inside) return std::unexpected(inside.error());
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    if (ec) return std::unexpected(os_error_text(ec.value()));

    if (is_user_file_path(entry.path)) return place_user_file(phase, entry, target);
    if (file_matches_entry(target, entry)) return Placement::done;
    return reuse_previous_file(phase, entry, target);
}

// ---- download phase ----

class DownloadWorker {
public:
    DownloadWorker(const DownloadPhase& phase, PhaseState& state, HttpAgent& agent)
        : phase_(phase), state_(state), agent_(agent) {}

    // Fetches one entry with up to DOWNLOAD_ATTEMPTS attempts. Returns the failure text, "cancelado", or empty.
    std::string fetch(const ReleaseEntry& entry) {
        fs::path target = release_path_to_pathbuf(phase_.target_folder, entry.path);
        std::string url = fmt::format("{}/releases/{}/{}", phase_.connection.client_base, phase_.release_id,
                                      entry.path);
        auto temp = temporary_name(target);
        if (!temp) return temp.error();

        std::string last_error;
        for (int attempt = 1; attempt <= DOWNLOAD_ATTEMPTS; ++attempt) {
            if (state_.must_stop()) return std::string(CANCELLED);
            if (attempt > 1) pause_with(phase_.sleep, RETRY_PAUSE_STEP * (attempt - 1));
            attempt_bytes_ = 0;
            std::string error = attempt_once(entry, url, *temp, target);
            if (error.empty()) return {};  // renamed into place: nothing left to remove
            std::error_code ec;
            fs::remove(*temp, ec);
            if (error == CANCELLED) return error;
            state_.take_back_bytes(attempt_bytes_);
            last_error = std::move(error);
        }
        return last_error;
    }

private:
    std::expected<fs::path, std::string> temporary_name(const fs::path& target) {
        std::array<std::uint8_t, TMP_SUFFIX_HEX_LENGTH / 2> random{};
        if (auto filled = fill_random_bytes(random); !filled) return std::unexpected(filled.error());
        fs::path temp = target;
        temp += std::string(TMP_MARKER) + hex_lower(random);
        return temp;
    }

    std::string attempt_once(const ReleaseEntry& entry, const std::string& url, const fs::path& temp,
                             const fs::path& target) {
        std::string error;
        std::FILE* file = nullptr;
        Sha256Hasher hasher;
        std::uint64_t received = 0;

        auto on_head = [&](const HttpResponseHead& head) {
            if (head.content_length) {
                auto announced = parse_content_length(*head.content_length);
                if (announced && *announced != entry.size) {
                    error = fmt::format("tamanho divergente de {}", entry.path);
                    return HttpFlow::stop;
                }
            }
            file = std::fopen(temp.c_str(), "wbxe");  // "e": close-on-exec
            if (!file) {
                error = last_os_error_text();
                return HttpFlow::stop;
            }
            return HttpFlow::proceed;
        };
        auto on_chunk = [&](std::string_view chunk) {
            if (state_.must_stop()) {
                error = std::string(CANCELLED);
                return HttpFlow::stop;
            }
            received += chunk.size();
            if (received > entry.size) {
                error = fmt::format("tamanho divergente de {}", entry.path);
                return HttpFlow::stop;
            }
            if (std::fwrite(chunk.data(), 1, chunk.size(), file) != chunk.size()) {
                error = last_os_error_text();
                return HttpFlow::stop;
            }
            hasher.update(chunk);
            attempt_bytes_ += chunk.size();
            state_.bytes_done.fetch_add(chunk.size());
            report_progress();
            return HttpFlow::proceed;
        };

        auto outcome = agent_.get(url, on_head, on_chunk);
        if (file && std::fclose(file) != 0 && error.empty()) error = last_os_error_text();
        if (!error.empty()) return error;
        if (!outcome) return outcome.error();
        if (outcome->is_error_status()) return http_status_error_text(outcome->status);
        if (received != entry.size || hex_lower(hasher.finish()) != entry.sha256)
            return fmt::format("arquivo corrompido no download: {}", entry.path);
        if (auto renamed = rename_replace(temp, target); !renamed) return renamed.error();
        if (is_game_executable(entry.path)) make_executable(target);
        return {};
    }

    void report_progress() {
        state_.offer_report([this] {
            std::uint64_t bytes = state_.bytes_done.load();
            double fraction = static_cast<double>(bytes) /
                              static_cast<double>(std::max<std::uint64_t>(phase_.total_bytes, 1));
            double seconds = state_.seconds_since_start();
            JobProgress progress;
            progress.text = format_download_progress(phase_.first_install, bytes, phase_.total_bytes);
            progress.detail = fmt::format("{} de {} arquivos", state_.done.load(), phase_.downloads.size());
            progress.file_fraction = fraction;
            progress.total_fraction = fraction;
            progress.bytes_per_second = seconds > 0.5 ? static_cast<double>(bytes) / seconds : 0.0;
            return progress;
        });
    }

    const DownloadPhase& phase_;
    PhaseState& state_;
    HttpAgent& agent_;
    std::uint64_t attempt_bytes_ = 0;
};

}  // namespace

bool file_matches_entry(const fs::path& path, const ReleaseEntry& entry) {
    std::error_code ec;
    fs::file_status status = fs::symlink_status(path, ec);
    if (ec || status.type() != fs::file_type::regular) return false;  // links are not followed
    std::uint64_t size = fs::file_size(path, ec);
    if (ec || size != entry.size) return false;
    auto digest = sha256_file_hex(path);
    return digest && *digest == entry.sha256;
}

std::string format_download_progress(bool first_install, std::uint64_t bytes_done, std::uint64_t bytes_total) {
    std::string done = format_size_mb_gb(bytes_done);
    std::string total = format_size_mb_gb(bytes_total);
    if (first_install) return fmt::format("Baixando o QoFenro: {} de {}", done, total);
    return fmt::format("Baixando atualização: {} de {}", done, total);
}

std::expected<std::vector<ReleaseEntry>, std::string> run_place_phase(const PlacePhase& phase) {
    PhaseState state(phase.sink, phase.cancel);
    std::mutex results_mutex;
    std::vector<ReleaseEntry> results;
    const std::size_t count = phase.work.size();

    run_workers([&] {
        while (auto index = state.claim(count)) {
            const ReleaseEntry& entry = phase.work[*index];
            auto placed = place_entry(phase, entry);
            if (!placed) {
                state.fail(placed.error());
                return;
            }
            if (*placed == Placement::needs_download) {
                std::lock_guard lock(results_mutex);
                results.push_back(entry);
            }
            std::uint64_t done = state.done.fetch_add(1) + 1;
            state.offer_report([&] {
                JobProgress progress;
                progress.text = phase.phase_text;
                progress.detail = fmt::format("{} de {} arquivos", done, count);
                progress.total_fraction = static_cast<double>(done) / static_cast<double>(count);
                return progress;
            });
        }
    });

    if (auto error = state.first_error()) return std::unexpected(*error);
    return results;
}

std::expected<void, std::string> run_download_phase(const DownloadPhase& phase) {
    PhaseState state(phase.sink, phase.cancel);
    const std::size_t count = phase.downloads.size();

    const HttpAgentOptions options =
        update_agent_options(phase.connection.connect_timeout, phase.connection.io_timeout,
                             phase.connection.extra_ca_file, phase.connection.speed_floor);

    run_workers([&] {
        auto agent = HttpAgent::create(options);
        if (!agent) {
            state.fail(agent.error());
            return;
        }
        DownloadWorker worker(phase, state, *agent);
        while (auto index = state.claim(count)) {
            std::string error = worker.fetch(phase.downloads[*index]);
            if (error == CANCELLED) return;
            if (!error.empty()) {
                state.fail(std::move(error));
                return;
            }
            state.done.fetch_add(1);
        }
    });

    if (auto error = state.first_error()) return std::unexpected(*error);
    return {};
}

}  // namespace qo
