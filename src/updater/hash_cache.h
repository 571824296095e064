#pragma once
// The updater's memory of file digests: a file whose relative path, size and last-write time are unchanged keeps
// the SHA-256 computed earlier, so it is not read again. Kept as Data/Launcher/hashes.cache in the game folder.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qo {

// Key text -> SHA-256 text (as it was stored).
using HashCache = std::unordered_map<std::string, std::string>;

// 100-ns ticks between 0001-01-01 and 1601-01-01 (584,388 days).
inline constexpr std::uint64_t TICKS_0001_TO_1601 = 504'911'232'000'000'000ULL;

// A longer cache file is not read (an empty cache).
inline constexpr std::size_t HASH_CACHE_MAX_SIZE = 64 << 20;

// The game folder joined with Data, Launcher and hashes.cache.
std::filesystem::path launcher_data_path(const std::filesystem::path& game_dir);

// "<path with '\' as '/'>|<size>|<last-write ticks since 0001-01-01>", from the last-write time in ticks since 1601.
std::string hash_cache_key(std::string_view rel_path, std::uint64_t size, std::uint64_t last_write_ticks_1601);

// The cache file's entries; a missing, unreadable or malformed file gives an empty cache.
HashCache load_hash_cache(const std::filesystem::path& game_dir);

// Writes every entry (key, tab, value, CR LF) over the cache file in one piece; failures are ignored.
void save_hash_cache(const std::filesystem::path& game_dir, const HashCache& cache);

// The parsing and serialising behind load and save.
HashCache parse_hash_cache(std::string_view text);
std::string serialize_hash_cache(const HashCache& cache);

}  // namespace qo
