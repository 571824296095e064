#include "updater/verify_workers.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/files.h"
#include "updater/file_digest.h"
#include "updater/manifest_paths.h"

namespace qo {
namespace {

constexpr std::int64_t VERIFY_REPORT_INTERVAL_MS = 50;

struct VerifyState {
    VerifyState(const std::vector<ManifestFile>& entries, const std::filesystem::path& game_dir, HashCache& cache,
                const ProgressSink& sink, const std::atomic<bool>& cancel)
        : entries(entries), game_dir(game_dir), cache(cache), sink(sink), cancel(cancel), needs(entries.size(), 0) {}

    const std::vector<ManifestFile>& entries;
    const std::filesystem::path& game_dir;
    HashCache& cache;
    std::mutex cache_mutex;
    const ProgressSink& sink;
    const std::atomic<bool>& cancel;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::atomic<std::size_t> next_index{0};
    std::atomic<std::size_t> done{0};
    std::atomic<std::int64_t> last_report_ms{0};
    // One byte per entry, each written only by the worker that claimed the entry.
    std::vector<unsigned char> needs;
};

std::optional<std::string> cached_digest(HashCache& cache, std::mutex& mutex, const std::string& key) {
    std::lock_guard lock(mutex);
    const auto it = cache.find(key);
    if (it == cache.end()) return std::nullopt;
    return it->second;
}

void report_verify_progress(VerifyState& state, std::size_t done, const ManifestFile& entry) {
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                           state.start).count();
    std::int64_t last = state.last_report_ms.load();
    if (now - last < VERIFY_REPORT_INTERVAL_MS) return;
    if (!state.last_report_ms.compare_exchange_strong(last, now)) return;
    const double total = static_cast<double>(std::max<std::size_t>(state.entries.size(), 1));
    state.sink(Progress{JobProgress{.file_fraction = 0.0,
                                    .total_fraction = static_cast<double>(done) / total,
                                    .bytes_per_second = 0.0,
                                    .text = "Verificando arquivos...",
                                    .detail = entry.path.value_or("")}});
}

void verify_worker(VerifyState& state) {
    for (;;) {
        const std::size_t index = state.next_index.fetch_add(1);
        if (index >= state.entries.size()) return;
        const ManifestFile& entry = state.entries[index];
        state.needs[index] = entry_needs_download(entry, state.game_dir, state.cache, state.cache_mutex) ? 1 : 0;
        const std::size_t done = state.done.fetch_add(1) + 1;
        report_verify_progress(state, done, entry);
        if (state.cancel.load()) return;
    }
}

}  // namespace

unsigned verify_worker_count(std::optional<unsigned> processors) {
    return std::clamp(processors.value_or(4u), 2u, 8u);
}

bool entry_needs_download(const ManifestFile& entry, const std::filesystem::path& game_dir, HashCache& cache,
                          std::mutex& cache_mutex) {
    const std::string rel = entry.path.value_or("");
    const auto target = join_relative_path(game_dir, rel);
    std::error_code ec;
    const auto status = std::filesystem::status(target, ec);
    const bool present = !ec && std::filesystem::exists(status);
    if (entry.only_if_missing) return !present;
    if (!present) return true;

    // Folders, links and special files (pipes, devices) are never read: the listed file replaces them.
    if (std::filesystem::symlink_status(target, ec).type() != std::filesystem::file_type::regular || ec)
        return true;
    const std::uintmax_t size = std::filesystem::file_size(target, ec);
    if (ec || size != entry.size) return true;

    const auto ticks = last_write_ticks_1601(target);
    const std::string key = ticks ? hash_cache_key(rel, size, *ticks) : std::string();
    std::optional<std::string> digest;
    if (ticks) digest = cached_digest(cache, cache_mutex, key);
    if (!digest) {
        auto computed = sha256_file(target);
        if (!computed) return true;
        digest = std::move(*computed);
        if (ticks) {
            std::lock_guard lock(cache_mutex);
            cache.insert_or_assign(key, *digest);
        }
    }
    return !eq_ignore_ascii_case_trimmed(*digest, entry.sha256.value_or(""));
}

std::vector<bool> verify_entries(const std::vector<ManifestFile>& entries, const std::filesystem::path& game_dir,
                                 HashCache& cache, unsigned worker_count, const ProgressSink& sink,
                                 const std::atomic<bool>& cancel) {
    VerifyState state(entries, game_dir, cache, sink, cancel);
    {
        std::vector<std::jthread> workers;
        workers.reserve(worker_count);
        for (unsigned i = 0; i < worker_count; ++i) workers.emplace_back([&state] { verify_worker(state); });
    }
    return std::vector<bool>(state.needs.begin(), state.needs.end());
}

}  // namespace qo
