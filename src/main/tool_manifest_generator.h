#pragma once
// "--gerar-manifesto" <folder> [output]: writes the game-files manifest of a folder (every file with its size and
// SHA-256, the player's own settings files marked only-if-missing, a time-stamp version) and shows the outcome in
// a message box.
#include <chrono>
#include <cstddef>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "updater/manifest_format.h"

namespace qo {

// Whether a file (relative path, '\' between components) stays out of the manifest: the launcher's own folder,
// screenshots, crash dumps, caches, logs, tool leftovers and partial downloads. ASCII case is ignored.
bool manifest_excludes(std::string_view rel_backslash);

// Whether a file (relative path, '\' between components) is one of the player's settings files that an update
// installs only when missing. ASCII case is ignored.
bool manifest_only_if_missing(std::string_view rel_backslash);

// YYYYMMDDhhmm of the time in UTC.
std::string manifest_version_stamp(std::chrono::system_clock::time_point when);

// The manifest of every file under `folder` (canonicalised; links are not descended into). The error is the
// text of the first failure.
std::expected<UpdateManifest, std::string> build_folder_manifest(const std::filesystem::path& folder);

// Writes the manifest whole under a temporary name beside `output`, then renames it into place.
std::expected<void, std::string> write_manifest_file(const UpdateManifest& manifest,
                                                     const std::filesystem::path& output);

// The mode: 0 after the success box, 1 after the error box.
int run_manifest_generator(const std::filesystem::path& folder, const std::filesystem::path& output);

// The mode as started from the command line: folder = 2nd argument, output = 3rd or <folder>/manifest.json.
int manifest_generator_mode(const std::vector<std::string>& arguments);

}  // namespace qo
