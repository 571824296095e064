#pragma once
// The verify phase of the manifest updater: parallel workers decide which manifest entries must be downloaded.
#include <atomic>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "events/progress_sink.h"
#include "updater/hash_cache.h"
#include "updater/manifest_format.h"

namespace qo {

// The number of processors (4 when unknown), clamped to 2..8.
unsigned verify_worker_count(std::optional<unsigned> processors);

// Whether one entry needs a download. A file marked only-if-missing needs one only when it is absent; any other
// needs one when it is absent, not a regular file, of another size, or of another digest. Digests come from the
// cache when the file's key is there; otherwise the file is hashed (without holding `cache_mutex`) and the
// digest is added to the cache.
bool entry_needs_download(const ManifestFile& entry, const std::filesystem::path& game_dir, HashCache& cache,
                          std::mutex& cache_mutex);

// Checks every entry on `worker_count` threads and returns one needs-download flag per entry. Reports
// "Verificando arquivos..." with the entry's path at most once per 50 ms across all workers. The workers stop
// early when `cancel` is set; the flags of unchecked entries are then false.
std::vector<bool> verify_entries(const std::vector<ManifestFile>& entries, const std::filesystem::path& game_dir,
                                 HashCache& cache, unsigned worker_count, const ProgressSink& sink,
                                 const std::atomic<bool>& cancel);

}  // namespace qo
