#pragma once
// File-system operations the updaters and the release store rely on. Paths are native; every failure carries
// the operating system's text for it.
#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qo {

// Appends the paths of all files under `folder`, depth first, in directory-listing order: a sub-folder's files
// are appended where the sub-folder is met. Symbolic links (to folders too) and mount points are listed like
// files and never descended into. A folder that cannot be listed adds nothing.
void list_files_recursive(const std::filesystem::path& folder, std::vector<std::filesystem::path>& out);

// True when the path itself (not followed) is a symbolic link, or a folder on another device than its parent
// (a mount point). False when the path cannot be read.
bool is_reparse_point(const std::filesystem::path& path);

// Free bytes on the folder's file system available to the calling user; nothing when the query fails.
std::optional<std::uint64_t> free_disk_space(const std::filesystem::path& folder);

// The whole contents of a file, or the system's text for why it cannot be read.
std::expected<std::string, std::string> read_whole_file(const std::filesystem::path& file);

// The whole contents of a regular file of at most `max_bytes` bytes; nothing for anything else (a FIFO, a device
// or a folder, also behind a link: it is opened without blocking and checked before any byte is read), for a
// longer file, or when it cannot be read.
std::optional<std::string> read_regular_file(const std::filesystem::path& file, std::size_t max_bytes);

// The first `count` bytes of a file (all of it when shorter); nothing when it cannot be opened or read. Reading
// one byte past an expected size tells a longer file apart without reading all of it.
std::optional<std::string> read_file_head(const std::filesystem::path& file, std::size_t count);

// A file written by name from its start: created, or emptied when it exists. Like every file the platform layer
// writes, creates or locks by name, it is opened without following a final symbolic link (opening fails), so a
// link planted in the game folder cannot carry the bytes elsewhere.
class OutputFile {
public:
    static std::expected<OutputFile, std::string> create(const std::filesystem::path& file);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();  // closes without reporting

    // Writes all the bytes after those written before.
    std::expected<void, std::string> write(std::string_view bytes);
    // Closes the file, reporting a failure the close reveals (a delayed write error).
    std::expected<void, std::string> close();

private:
    explicit OutputFile(int descriptor) : descriptor_(descriptor) {}
    int descriptor_ = -1;
};

// Writes the bytes as the whole file, creating or truncating it in place (an `OutputFile`).
std::expected<void, std::string> write_whole_file(const std::filesystem::path& file, std::string_view bytes);

// Replaces the file's contents as one step: the bytes are written and flushed under a temporary name beside it,
// then renamed over it, so readers see the old or the new contents, never a part. An existing file keeps its
// permission bits; a new one gets `new_file_mode`.
std::expected<void, std::string> write_file_replacing(const std::filesystem::path& file, std::string_view bytes,
                                                      unsigned new_file_mode = 0644);

// Creates `link` as a new name of the existing file `existing` (same file system only).
std::expected<void, std::string> hard_link(const std::filesystem::path& existing, const std::filesystem::path& link);

// Copies the bytes of `source` to `target` with the kernel's copy, replacing an existing target (named apart from
// std::filesystem::copy_file, which argument-dependent lookup would otherwise make ambiguous). The target
// takes the source's permission bits and last-write time. Like `write_file_replacing` the copy is written and
// flushed under a temporary name beside the target and renamed over it: the target is never seen cut short.
std::expected<void, std::string> copy_file_replacing(const std::filesystem::path& source, const std::filesystem::path& target);

// Gives the contents of `file` the second name `backup` while `file` keeps its own: a hard link, or a copy where
// the file system cannot link. A later rename over `file` then replaces it without a moment when it is missing.
std::expected<void, std::string> keep_as_backup(const std::filesystem::path& file, const std::filesystem::path& backup);

// Renames `from` to `to`, atomically replacing an existing file at `to`.
std::expected<void, std::string> rename_replace(const std::filesystem::path& from, const std::filesystem::path& to);

// Deletes a file (never a folder).
std::expected<void, std::string> remove_file(const std::filesystem::path& file);

// Gives the owner write permission back to a read-only file.
std::expected<void, std::string> clear_read_only(const std::filesystem::path& file);

// True when the file exists and its owner has no write permission.
bool is_read_only(const std::filesystem::path& file);

// The file's last-write time (links followed) as 100-nanosecond ticks since 1601-01-01 UTC; nothing when the
// file cannot be read or its time lies before 1601.
std::optional<std::uint64_t> last_write_ticks_1601(const std::filesystem::path& file);

// True when some running process has its current folder or its executable inside `folder` (the folder itself
// included). Such a folder must not be removed: a program started from it is still running.
bool folder_is_busy(const std::filesystem::path& folder);

}  // namespace qo
