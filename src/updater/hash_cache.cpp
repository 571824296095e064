#include "updater/hash_cache.h"

#include <fmt/format.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

namespace qo {
namespace {

// Strict UTF-8 check (no overlong forms, no surrogates, nothing past U+10FFFF).
bool is_valid_utf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; }
        else return false;
        if (i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000)) return false;
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

// The file's bytes, or nothing when it cannot be opened or read (a folder in its place included).
std::optional<std::string> read_whole_file(const std::filesystem::path& file) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!in) return std::nullopt;
    std::string text;
    char buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, in.get());
        text.append(buffer, n);
        if (n < sizeof buffer) break;
    }
    if (std::ferror(in.get())) return std::nullopt;
    return text;
}

}  // namespace

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
    const auto text = read_whole_file(launcher_data_path(game_dir));
    return text ? parse_hash_cache(*text) : HashCache{};
}

void save_hash_cache(const std::filesystem::path& game_dir, const HashCache& cache) {
    const auto file = launcher_data_path(game_dir);
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    const std::string bytes = serialize_hash_cache(cache);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace qo
