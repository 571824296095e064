#pragma once
// The on-disk layout of sealed releases inside the game folder (the root) and the small operations that guard it.
//
//   active-release            the active release's identifier: exactly 32 lowercase hex digits, no line end
//   update.lock               held exclusively by the one update that runs; never written
//   Versions/<id>/            one folder per release, named by its identifier
//   Versions/<id>/release.kxm the verified signed list of that release, byte for byte
//   <file>.tmp-<24 hex>       a download in progress beside its target
//
// The root itself serves as the release folder when no valid active release is recorded. Replaced files are
// written whole under "<name>.next" and then renamed into place, so a reader sees the old or the new content.
#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "events/active_release.h"
#include "platform/file_lock.h"
#include "platform/files.h"  // free_disk_space(folder): free bytes for the calling user
#include "sealed/release_list.h"
#include "sealed/signature.h"

namespace qo {

inline constexpr std::string_view ACTIVE_RELEASE_FILE = "active-release";
inline constexpr std::string_view UPDATE_LOCK_FILE = "update.lock";
inline constexpr std::string_view VERSIONS_FOLDER = "Versions";
inline constexpr std::string_view RELEASE_LIST_FILE = "release.kxm";
inline constexpr std::string_view NEXT_SUFFIX = ".next";
inline constexpr std::string_view TMP_MARKER = ".tmp-";
inline constexpr std::size_t TMP_SUFFIX_HEX_LENGTH = 24;

// root/Versions/<release_id>
std::filesystem::path release_folder_path(const std::filesystem::path& root, std::string_view release_id);

// The folder of the active release: root/Versions/<id> when root/active-release names a release whose folder
// holds a verified release.kxm of that same identifier, otherwise the root itself. Never fails.
ActiveRelease load_active_release(const std::filesystem::path& root, const ReleaseKey& key);

// The verified list stored as `folder`/release.kxm: it must pass the root guard, hold at most
// RELEASE_LIST_MAX_SIZE bytes and parse with a valid signature. Nothing otherwise.
std::optional<ReleaseList> read_stored_release_list(const std::filesystem::path& root,
                                                    const std::filesystem::path& folder, const ReleaseKey& key);

// Succeeds when `path` is the root or lies below it and no existing component between the root (exclusive) and
// the path (inclusive) is a symbolic link or a mount point. Paths are compared exactly as written (file names are
// case-sensitive here); a "." or ".." component counts as outside.
std::expected<void, std::string> ensure_inside_root(const std::filesystem::path& root,
                                                    const std::filesystem::path& path);

// The text under which two paths are compared: repeated separators collapsed, trailing separators removed.
std::string normalize_path_for_compare(const std::filesystem::path& path);

// `base` joined with the non-empty '/'-separated parts of a list path, one component each.
std::filesystem::path release_path_to_pathbuf(const std::filesystem::path& base, std::string_view list_path);

// True when `name` ends in ".tmp-" followed by exactly 24 lowercase hex digits (a download's temporary name).
bool is_tmp_file_name(std::string_view name);

// Deletes leftover temporary download files in a release folder: directly in it and, below it, in "Data" and
// "Assets" down to four levels. Symbolic links and mount points are never entered. Errors are ignored.
void cleanup_tmp_files(const std::filesystem::path& folder, int depth = 0);

// Removes the release folders under root/Versions other than `keep`. Folders whose names are not 32 lowercase
// hex digits, folders that fail the root guard, and folders a running process still uses (its current folder or
// executable lies inside) are kept. Errors are ignored.
void prune_release_folders(const std::filesystem::path& root, std::string_view keep);

// Creates the root (with parents) and takes root/update.lock, held until the returned lock is dropped.
std::expected<FileLock, std::string> acquire_update_lock(const std::filesystem::path& root);

// Writes `bytes` whole to "<file>.next" and renames it over `file`; both paths must pass the root guard.
// Errors are the guard's or the system's text.
std::expected<void, std::string> replace_file_atomically(const std::filesystem::path& root,
                                                         const std::filesystem::path& file, std::string_view bytes);

// Records a verified list as `folder`/release.kxm (atomically, guarded).
std::expected<void, std::string> write_release_list(const std::filesystem::path& root,
                                                    const std::filesystem::path& folder, std::string_view list_bytes);

// Makes `release_id` the active release: root/active-release is replaced atomically (guarded).
std::expected<void, std::string> write_active_release(const std::filesystem::path& root, std::string_view release_id);

}  // namespace qo
