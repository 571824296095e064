#include "updater/hash_cache.h"

#include <fmt/format.h>

#include <system_error>

#include "platform/files.h"
#include "util/utf16.h"

namespace qo {

std::filesystem::path launcher_data_path(const std::filesystem::path& game_dir) {
    return game_dir / "Data" / "Launcher" / "hashes.cache";
}

std::string hash_cache_key(std::string_view rel_path, std::uint64_t size, std::uint64_t last_write_ticks_1601) {
    std::string path(rel_path);
    for (char& c : path)
        if (c == '\\') c = '/';
    return fmt::format("{}|{}|{}", path, size, last_write_ticks_1601 + TICKS_0001_TO_1601);
}

HashCache parse_hash_cache(std::string_view text) {
    HashCache cache;
    if (!is_valid_utf8(text)) return cache;
    while (!text.empty()) {
        const auto lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const auto tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0) continue;
        cache.insert_or_assign(std::string(line.substr(0, tab)), std::string(line.substr(tab + 1)));
    }
    return cache;
}

std::string serialize_hash_cache(const HashCache& cache) {
    std::string out;
    for (const auto& [key, value] : cache) {
        out += key;
        out += '\t';
        out += value;
        out += "\r\n";
    }
    return out;
}

HashCache load_hash_cache(const std::filesystem::path& game_dir) {
    const auto text = read_whole_file(launcher_data_path(game_dir), HASH_CACHE_MAX_SIZE);
    return text ? parse_hash_cache(*text) : HashCache{};
}

void save_hash_cache(const std::filesystem::path& game_dir, const HashCache& cache) {
    const auto file = launcher_data_path(game_dir);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const std::string bytes = serialize_hash_cache(cache);
    (void)write_file_replacing(file, bytes);
}

}  // namespace qo
