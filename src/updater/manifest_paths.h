#pragma once
// Paths named by a game-files manifest: which ones are safe to use, and how they map onto the game folder.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qo {

struct ManifestFile;

// The manifest path with every '\' turned into '/', or nothing when the path must not be used: absent or blank,
// holding a control character (NUL included), starting with '/', holding ".." anywhere, or holding ':'. The path is
// otherwise kept untrimmed.
std::optional<std::string> sanitize_manifest_path(const std::optional<std::string>& path);

// Keeps the order; drops unsafe entries and stores the converted path in the kept ones.
std::vector<ManifestFile> sanitize_manifest_paths(std::vector<ManifestFile> entries);

// The game folder followed by every non-empty component of rel split at '/' and at '\'.
std::filesystem::path join_relative_path(const std::filesystem::path& game_dir, std::string_view rel);

// The canonical form of p when it can be had (else p itself), as text with every '\' turned into '/'.
std::string normalized_path_string(const std::filesystem::path& p);
bool same_normalized_path(const std::filesystem::path& a, const std::filesystem::path& b);

// Drops every entry whose path inside the game folder names the same file as exe_path.
void retain_entries_not_same_path(std::vector<ManifestFile>& entries, const std::filesystem::path& game_dir,
                                  const std::filesystem::path& exe_path);

}  // namespace qo
