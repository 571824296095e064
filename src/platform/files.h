#pragma once
// File-system operations the updaters and the release store rely on. Paths are native; every failure carries
// the operating system's text for it.
#include <cstdint>
#include <cstdio>
#include <expected>
#include <filesystem>
#include <memory>
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

// How a read by name treats a final symbolic link: followed, or refused (the open fails) for the files that must
// be plain files of their folder, such as a release's own files.
enum class FinalLink { follow, refuse };

struct StreamCloser {
    void operator()(std::FILE* stream) const;
};
using FileStream = std::unique_ptr<std::FILE, StreamCloser>;

// A regular file opened for reading, and its size when it was opened.
struct RegularFile {
    FileStream stream;
    std::uint64_t size = 0;
};

// Every read by name goes through this open: it never waits (a FIFO or a device in the file's place is refused,
// not read), and the kind and size are checked on the opened descriptor, so a name swapped after the check
// changes nothing. A file larger than `max_bytes` is refused. Readers still bound their reads by `max_bytes`: a
// file may grow while it is read.
std::expected<RegularFile, std::string> open_regular_file(const std::filesystem::path& file, std::uint64_t max_bytes,
                                                          FinalLink link = FinalLink::follow);

// The whole contents of a regular file of at most `max_bytes` bytes, or the system's text for why it cannot be
// read (a file that is not a regular file, or a longer one, is refused).
std::expected<std::string, std::string> read_whole_file(const std::filesystem::path& file, std::size_t max_bytes,
                                                        FinalLink link = FinalLink::follow);

// The first `count` bytes of a regular file (all of it when shorter); nothing when it cannot be opened or read.
// Reading one byte past an expected size tells a longer file apart without reading all of it.
std::optional<std::string> read_file_head(const std::filesystem::path& file, std::size_t count,
                                          FinalLink link = FinalLink::follow);

// True when an existing component of `path` below `folder` (the folder itself excluded, the path included) is a
// symbolic link or a mount point, so that the name leads out of the folder. Components are taken as written;
// `path` must lie below `folder` (compared as text), otherwise the answer is true as well.
bool leads_out_through_redirect(const std::filesystem::path& folder, const std::filesystem::path& path);

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

// Deletes the temporary files a killed `write_file_replacing` or `copy_file_replacing` of `file` left beside it:
// regular files named like `file` followed by ".tmp-" and 24 lowercase hex digits. Nothing else is touched.
void remove_leftover_temporaries(const std::filesystem::path& file);

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
