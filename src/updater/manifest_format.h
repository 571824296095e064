#pragma once
// The game-files manifest: the JSON document listing a game installation's files with size and SHA-256.
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/json_record.h"

namespace qo {

struct ManifestFile {
    std::optional<std::string> path;    // relative to the game folder, '/' between components
    std::uint64_t size = 0;             // bytes
    std::optional<std::string> sha256;  // 64 lowercase hex characters
    bool only_if_missing = false;       // a player-editable file: install only when it does not exist
    bool operator==(const ManifestFile&) const = default;
};

struct UpdateManifest {
    std::optional<std::string> version;             // free label; the generator writes YYYYMMDDhhmm
    std::optional<std::vector<ManifestFile>> files;  // absent reads as an empty list to the updater
    bool operator==(const UpdateManifest&) const = default;
};

// Parses a whole manifest document. The caller removes a leading byte-order mark first. Only the format is
// checked here: paths and digests are the updater's to judge.
std::expected<UpdateManifest, std::string> read_manifest_record(std::string_view json);

// Parses one entry given as a whole document (object or array form).
std::expected<ManifestFile, std::string> read_manifest_file_entry(std::string_view json);

// The generator's pretty form: "Version" then "Files"; each entry "Path", "Size", "Sha256", and
// "OnlyIfMissing": true only when set. UTF-8 without byte-order mark, no final line feed.
std::string write_manifest(const UpdateManifest& manifest);

}  // namespace qo

namespace qo::json {
template <>
struct RecordTraits<ManifestFile> {
    static const RecordType& type();
};
template <>
struct RecordTraits<UpdateManifest> {
    static const RecordType& type();
};
}  // namespace qo::json
