#include "updater/manifest_paths.h"

#include <algorithm>
#include <system_error>

#include "updater/manifest_format.h"
#include "util/text.h"

namespace qo {
namespace {

// A NUL would end the native name early (an entry "a.ini\0junk" would write and then delete "a.ini"); no other
// control character names a file of the game either.
bool has_control_character(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

}  // namespace

std::optional<std::string> sanitize_manifest_path(const std::optional<std::string>& path) {
    if (!path || is_blank(*path) || has_control_character(*path)) return std::nullopt;
    std::string p = *path;
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.front() == '/' || p.find("..") != std::string::npos || p.find(':') != std::string::npos)
        return std::nullopt;
    return p;
}

std::vector<ManifestFile> sanitize_manifest_paths(std::vector<ManifestFile> entries) {
    std::vector<ManifestFile> kept;
    kept.reserve(entries.size());
    for (auto& entry : entries) {
        auto path = sanitize_manifest_path(entry.path);
        if (!path) continue;
        entry.path = std::move(*path);
        kept.push_back(std::move(entry));
    }
    return kept;
}

std::filesystem::path join_relative_path(const std::filesystem::path& game_dir, std::string_view rel) {
    std::filesystem::path out = game_dir;
    std::size_t start = 0;
    while (start <= rel.size()) {
        const auto end = rel.find_first_of("/\\", start);
        const auto part = rel.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!part.empty()) out /= std::filesystem::path(std::string(part));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return out;
}

std::string normalized_path_string(const std::filesystem::path& p) {
    std::error_code ec;
    auto canonical = std::filesystem::canonical(p, ec);
    std::string text = ec ? p.string() : canonical.string();
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

bool same_normalized_path(const std::filesystem::path& a, const std::filesystem::path& b) {
    return normalized_path_string(a) == normalized_path_string(b);
}

void retain_entries_not_same_path(std::vector<ManifestFile>& entries, const std::filesystem::path& game_dir,
                                  const std::filesystem::path& exe_path) {
    const std::string exe = normalized_path_string(exe_path);  // resolved once, not per entry
    std::erase_if(entries, [&](const ManifestFile& entry) {
        return normalized_path_string(join_relative_path(game_dir, entry.path.value_or(""))) == exe;
    });
}

}  // namespace qo
