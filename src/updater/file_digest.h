#pragma once
// File digests and digest comparison for the manifest updater and the manifest generator.
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

namespace qo {

// Lowercase hex SHA-256 of a regular file (links followed), read in 1 MiB chunks; the error is the system's text.
// Anything but a regular file (a folder, a pipe, a device) is an error rather than something to read.
std::expected<std::string, std::string> sha256_file(const std::filesystem::path& file);

// Equal after trimming white space at both ends and folding ASCII A-Z to a-z.
bool eq_ignore_ascii_case_trimmed(std::string_view a, std::string_view b);

}  // namespace qo
