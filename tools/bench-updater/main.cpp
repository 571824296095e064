// Measures the manifest updater's verify phase on a generated tree of a few thousand files (about 1 GB):
//   cold: no hash cache, every file is read and hashed by the verify workers;
//   warm: every key is in the cache, so only metadata is read;
//   sha256sum: the same files hashed by sha256sum on the same number of processes (xargs -P), as a yardstick.
// Usage: qo-bench-updater [folder] [file count] [total MiB]. The folder (default: a new one under the system's
// temporary folder) is removed at the end unless it was given.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "platform/process.h"
#include "updater/hash_cache.h"
#include "updater/manifest_format.h"
#include "updater/verify_workers.h"
#include "util/sha256.h"

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// xorshift64*: fast, reproducible filler bytes.
struct Filler {
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    void fill(std::string& out) {
        for (std::size_t i = 0; i + 8 <= out.size(); i += 8) {
            state ^= state >> 12;
            state ^= state << 25;
            state ^= state >> 27;
            const std::uint64_t v = state * 2685821657736338717ULL;
            std::memcpy(out.data() + i, &v, 8);
        }
    }
};

// One in ten files is large; the rest are small, so that per-file costs and throughput both show.
std::vector<std::size_t> plan_sizes(std::size_t count, std::uint64_t total_bytes) {
    const std::size_t large = std::max<std::size_t>(count / 10, 1);
    const std::uint64_t small_each = total_bytes * 3 / 10 / std::max<std::size_t>(count - large, 1);
    const std::uint64_t large_each = total_bytes * 7 / 10 / large;
    std::vector<std::size_t> sizes;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t base = (i % 10 == 0) ? large_each : small_each;
        sizes.push_back(static_cast<std::size_t>(base + (i * 7919) % 4096));  // a little spread
    }
    return sizes;
}

std::vector<qo::ManifestFile> generate_tree(const std::filesystem::path& root, std::size_t count,
                                            std::uint64_t total_bytes) {
    Filler filler;
    std::vector<qo::ManifestFile> entries;
    const auto sizes = plan_sizes(count, total_bytes);
    std::string content;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string rel = fmt::format("Data/d{:02}/s{:02}/file{:05}.bin", i % 37, i % 11, i);
        content.assign(sizes[i], '\0');
        filler.fill(content);
        const auto file = root / rel;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
        const auto digest = qo::sha256_bytes(content);
        entries.push_back(qo::ManifestFile{.path = rel,
                                           .size = content.size(),
                                           .sha256 = qo::hex_lower(std::span<const std::uint8_t>(digest))});
    }
    return entries;
}

double time_verify(const std::vector<qo::ManifestFile>& entries, const std::filesystem::path& root,
                   qo::HashCache& cache, unsigned workers) {
    const std::atomic<bool> cancel{false};
    const qo::ProgressSink sink = [](qo::UiEvent) {};
    const auto start = Clock::now();
    const auto needs = qo::verify_entries(entries, root, cache, workers, sink, cancel);
    const double elapsed = seconds_since(start);
    for (bool n : needs)
        if (n) {
            std::fprintf(stderr, "verify judged a generated file stale: the benchmark is broken\n");
            std::exit(2);
        }
    return elapsed;
}

double time_sha256sum(const std::filesystem::path& root, unsigned processes) {
    const std::string command = fmt::format(
        "cd '{}' && find Data -type f -print0 | xargs -0 -P {} -n 64 sha256sum >/dev/null", root.string(), processes);
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "sha256sum run failed\n");
    return seconds_since(start);
}

}  // namespace

int main(int argc, char** argv) {
    const bool own_folder = argc < 2;
    const std::filesystem::path root =
        own_folder ? std::filesystem::temp_directory_path() / fmt::format("qo-bench-updater-{}", Clock::now().time_since_epoch().count())
                   : std::filesystem::path(argv[1]);
    const std::size_t count = argc > 2 ? std::stoul(argv[2]) : 4000;
    const std::uint64_t total = (argc > 3 ? std::stoull(argv[3]) : 1024) * 1024 * 1024;
    const unsigned workers = qo::verify_worker_count(qo::processor_count());

    fmt::print("generating {} files, {} MiB, under {}\n", count, total >> 20, root.string());
    const auto entries = generate_tree(root, count, total);
    std::uint64_t bytes = 0;
    for (const auto& e : entries) bytes += e.size;

    // Read everything once so that all three runs find the files in the page cache alike.
    time_sha256sum(root, workers);

    qo::HashCache cache;
    const double cold = time_verify(entries, root, cache, workers);
    const double warm = time_verify(entries, root, cache, workers);
    const double reference = time_sha256sum(root, workers);

    const double mib = static_cast<double>(bytes) / (1024.0 * 1024.0);
    fmt::print("workers / processes:        {}\n", workers);
    fmt::print("files:                      {} ({:.0f} MiB)\n", entries.size(), mib);
    fmt::print("cold verify (no cache):     {:.3f} s  ({:.0f} MiB/s)\n", cold, mib / cold);
    fmt::print("warm verify (all cached):   {:.3f} s  ({:.1f} us per file)\n", warm,
               warm * 1e6 / static_cast<double>(entries.size()));
    fmt::print("sha256sum, xargs -P {}:      {:.3f} s  ({:.0f} MiB/s)\n", workers, reference, mib / reference);
    fmt::print("cold verify / sha256sum:    {:.2f}\n", cold / reference);

    if (own_folder) {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    return 0;
}
