#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>

#include <fmt/format.h>

#include "platform/error_text.h"
#include "platform/open_by_name.h"
#include "platform/random.h"

namespace qo {
namespace fs = std::filesystem;

namespace {

std::unexpected<std::string> last_error() { return std::unexpected(last_os_error_text()); }

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

void list_folder(const fs::path& folder, dev_t folder_device, std::vector<fs::path>& out) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        fs::path child = folder / name;
        if (entry->d_type != DT_DIR && entry->d_type != DT_UNKNOWN) {
            out.push_back(std::move(child));
            continue;
        }
        struct stat st {};
        if (::lstat(child.c_str(), &st) != 0) continue;  // vanished while listing
        if (S_ISDIR(st.st_mode) && st.st_dev == folder_device) {
            // Descend where the folder is met so its files keep their place in the listing order.
            list_folder(child, st.st_dev, out);
        } else {
            out.push_back(std::move(child));
        }
    }
    ::closedir(dir);
}

// The path as an absolute, normalised text, with symbolic links resolved where the path exists.
std::string resolved_text(const fs::path& path) {
    std::error_code ec;
    fs::path resolved = fs::weakly_canonical(path, ec);
    if (ec) resolved = fs::absolute(path, ec).lexically_normal();
    std::string text = resolved.string();
    while (text.size() > 1 && text.back() == '/') text.pop_back();
    return text;
}

bool lies_inside(std::string_view candidate, std::string_view folder) {
    if (folder == "/") return !candidate.empty() && candidate.front() == '/';
    return candidate == folder ||
           (candidate.size() > folder.size() && candidate.starts_with(folder) && candidate[folder.size()] == '/');
}

std::optional<std::string> read_link(const fs::path& link) {
    std::string buffer(4096, '\0');
    ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size()) return std::nullopt;
    buffer.resize(static_cast<std::size_t>(n));
    constexpr std::string_view deleted = " (deleted)";
    if (buffer.ends_with(deleted)) buffer.resize(buffer.size() - deleted.size());
    return buffer;
}

bool all_digits(const char* text) {
    if (!*text) return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

constexpr std::string_view NOT_A_REGULAR_FILE = "o caminho não é um arquivo comum";

// Up to `limit` bytes of the stream from where it stands.
std::expected<std::string, std::string> read_stream_up_to(std::FILE* stream, std::size_t limit) {
    std::string bytes;
    char buffer[65536];
    while (bytes.size() < limit) {
        const std::size_t want = std::min(sizeof buffer, limit - bytes.size());
        const std::size_t n = std::fread(buffer, 1, want, stream);
        bytes.append(buffer, n);
        if (n < want) {
            if (std::ferror(stream)) return last_error();
            break;
        }
    }
    return bytes;
}

std::expected<void, std::string> copy_bytes(int from, int to) {
    bool kernel_copy = true;
    for (;;) {
        ssize_t n;
        if (kernel_copy) {
            n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernel_copy = false;  // file systems that cannot copy in the kernel: plain reads and writes
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return last_error();
            if (n == 0) return {};
            continue;
        }
        char buffer[65536];
        n = ::read(from, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return last_error();
        if (n == 0) return {};
        for (ssize_t written = 0; written < n;) {
            ssize_t w = ::write(to, buffer + written, static_cast<std::size_t>(n - written));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) return last_error();
            written += w;
        }
    }
}

constexpr std::size_t TEMPORARY_HEX_DIGITS = 24;

bool is_lower_hex_text(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// "<file>.tmp-" and 24 random lowercase hex digits: a new name beside the file, on its file system, that the
// release store's clean-up recognises as a leftover.
fs::path temporary_name_beside(const fs::path& file) {
    std::array<std::uint8_t, TEMPORARY_HEX_DIGITS / 2> random{};
    if (!fill_random_bytes(random)) random.fill(0);
    fs::path temporary = file;
    temporary += ".tmp-";
    for (std::uint8_t byte : random) temporary += fmt::format("{:02x}", byte);
    return temporary;
}

}  // namespace

int open_by_name(const fs::path& file, int flags, unsigned mode) {
    return ::open(file.c_str(), flags | O_NOFOLLOW | O_CLOEXEC, static_cast<mode_t>(mode));
}

std::expected<OutputFile, std::string> OutputFile::create(const fs::path& file) {
    int fd = open_by_name(file, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return last_error();
    return OutputFile(fd);
}

OutputFile::OutputFile(OutputFile&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) ::close(descriptor_);
        descriptor_ = std::exchange(other.descriptor_, -1);
    }
    return *this;
}

OutputFile::~OutputFile() {
    if (descriptor_ >= 0) ::close(descriptor_);
}

std::expected<void, std::string> OutputFile::write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(descriptor_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return last_error();
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

std::expected<void, std::string> OutputFile::close() {
    if (::close(std::exchange(descriptor_, -1)) != 0) return last_error();
    return {};
}

void list_files_recursive(const fs::path& folder, std::vector<fs::path>& out) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
    list_folder(folder, st.st_dev, out);
}

bool is_reparse_point(const fs::path& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) return true;
    if (!S_ISDIR(st.st_mode)) return false;
    struct stat parent {};
    if (::stat((path / "..").c_str(), &parent) != 0) return false;
    return parent.st_dev != st.st_dev;
}

void StreamCloser::operator()(std::FILE* stream) const {
    if (stream) std::fclose(stream);
}

std::expected<RegularFile, std::string> open_regular_file(const fs::path& file, std::uint64_t max_bytes,
                                                          FinalLink link) {
    // O_NONBLOCK keeps the open itself from waiting for a FIFO's writer; regular files ignore it.
    const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (link == FinalLink::refuse ? O_NOFOLLOW : 0);
    int fd = ::open(file.c_str(), flags);
    if (fd < 0) return last_error();
    Fd owner(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return last_error();
    if (S_ISDIR(st.st_mode)) return std::unexpected(os_error_text(EISDIR));
    if (!S_ISREG(st.st_mode)) return std::unexpected(std::string(NOT_A_REGULAR_FILE));
    const auto size = static_cast<std::uint64_t>(st.st_size);
    if (size > max_bytes) return std::unexpected(os_error_text(EFBIG));
    if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) return last_error();
    std::FILE* stream = ::fdopen(fd, "rb");
    if (!stream) return last_error();
    owner.release();
    return RegularFile{FileStream(stream), size};
}

std::expected<std::string, std::string> read_whole_file(const fs::path& file, std::size_t max_bytes, FinalLink link) {
    auto opened = open_regular_file(file, max_bytes, link);
    if (!opened) return std::unexpected(opened.error());
    // One byte past the limit tells a file that grew beyond it since the open.
    auto bytes = read_stream_up_to(opened->stream.get(), max_bytes + 1);
    if (!bytes) return std::unexpected(bytes.error());
    if (bytes->size() > max_bytes) return std::unexpected(os_error_text(EFBIG));
    return bytes;
}

std::optional<std::string> read_file_head(const fs::path& file, std::size_t count, FinalLink link) {
    auto opened = open_regular_file(file, std::numeric_limits<std::uint64_t>::max(), link);
    if (!opened) return std::nullopt;
    auto bytes = read_stream_up_to(opened->stream.get(), count);
    if (!bytes) return std::nullopt;
    return std::move(*bytes);
}

bool leads_out_through_redirect(const fs::path& folder, const fs::path& path) {
    const auto normal = [](const fs::path& p) {
        fs::path out = p.lexically_normal();
        return out.has_filename() || !out.has_relative_path() ? out : out.parent_path();  // no trailing '/'
    };
    const fs::path base = normal(folder);
    fs::path current = normal(path);
    const fs::path relative = current.lexically_relative(base);
    if (relative.empty() || *relative.begin() == "..") return true;
    for (; current != base && current.has_relative_path(); current = current.parent_path()) {
        if (is_reparse_point(current)) return true;
    }
    return current != base;
}

std::expected<void, std::string> write_whole_file(const fs::path& file, std::string_view bytes) {
    auto out = OutputFile::create(file);
    if (!out) return std::unexpected(out.error());
    if (auto written = out->write(bytes); !written) return written;
    return out->close();
}

std::expected<void, std::string> write_file_replacing(const fs::path& file, std::string_view bytes,
                                                      unsigned new_file_mode) {
    mode_t mode = static_cast<mode_t>(new_file_mode);
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) mode = st.st_mode & 07777;
    const fs::path temporary = temporary_name_beside(file);
    int fd = open_by_name(temporary, O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0) return last_error();
    std::expected<void, std::string> result;
    while (!bytes.empty() && result) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) result = last_error();
        else bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    if (result && ::fchmod(fd, mode) != 0) result = last_error();  // the umask may have narrowed it
    if (result && ::fsync(fd) != 0) result = last_error();
    if (::close(fd) != 0 && result) result = last_error();
    if (result && ::rename(temporary.c_str(), file.c_str()) != 0) result = last_error();
    if (!result) ::unlink(temporary.c_str());
    return result;
}

std::optional<std::uint64_t> free_disk_space(const fs::path& folder) {
    struct statvfs info {};
    if (::statvfs(folder.c_str(), &info) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(info.f_bavail) * static_cast<std::uint64_t>(info.f_frsize);
}

std::expected<void, std::string> hard_link(const fs::path& existing, const fs::path& link) {
    if (::link(existing.c_str(), link.c_str()) != 0) return last_error();
    return {};
}

std::expected<void, std::string> copy_file_replacing(const fs::path& source, const fs::path& target) {
    Fd from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!from.valid()) return last_error();
    struct stat source_stat {};
    if (::fstat(from.get(), &source_stat) != 0) return last_error();
    if (S_ISDIR(source_stat.st_mode)) return std::unexpected(os_error_text(EISDIR));
    struct stat target_stat {};
    if (::stat(target.c_str(), &target_stat) == 0 && target_stat.st_dev == source_stat.st_dev &&
        target_stat.st_ino == source_stat.st_ino) {
        return std::unexpected(os_error_text(EINVAL));  // a file is not copied onto itself
    }
    // The bytes go to a new name beside the target and are flushed before the rename puts them in place, so a
    // crash at any moment leaves the target as it was (or absent) or whole, never cut short.
    const mode_t mode = source_stat.st_mode & 07777;
    const fs::path temporary = temporary_name_beside(target);
    std::expected<void, std::string> copied;
    {
        Fd to(open_by_name(temporary, O_WRONLY | O_CREAT | O_EXCL, mode));
        if (!to.valid()) return last_error();
        copied = copy_bytes(from.get(), to.get());
        if (copied && ::fchmod(to.get(), mode) != 0) copied = last_error();
        if (copied) {
            const timespec times[2] = {source_stat.st_atim, source_stat.st_mtim};
            if (::futimens(to.get(), times) != 0) copied = last_error();
        }
        if (copied && ::fsync(to.get()) != 0) copied = last_error();
    }
    if (copied && ::rename(temporary.c_str(), target.c_str()) != 0) copied = last_error();
    if (!copied) ::unlink(temporary.c_str());  // no half-copied file is left behind
    return copied;
}

std::expected<void, std::string> keep_as_backup(const fs::path& file, const fs::path& backup) {
    if (hard_link(file, backup)) return {};
    return copy_file_replacing(file, backup);
}

std::expected<void, std::string> rename_replace(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return last_error();
    return {};
}

void remove_leftover_temporaries(const fs::path& file) {
    const std::string prefix = file.filename().string() + ".tmp-";
    DIR* dir = ::opendir(file.parent_path().empty() ? "." : file.parent_path().c_str());
    if (!dir) return;
    std::vector<fs::path> leftovers;
    while (dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + TEMPORARY_HEX_DIGITS || !name.starts_with(prefix)) continue;
        if (!is_lower_hex_text(name.substr(prefix.size()))) continue;
        leftovers.push_back(file.parent_path() / name);
    }
    ::closedir(dir);
    for (const fs::path& leftover : leftovers) {
        struct stat st {};
        if (::lstat(leftover.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(leftover.c_str());
    }
}

std::expected<void, std::string> remove_file(const fs::path& file) {
    if (::unlink(file.c_str()) != 0) return last_error();
    return {};
}

std::expected<void, std::string> clear_read_only(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return last_error();
    if (st.st_mode & S_IWUSR) return {};
    if (::chmod(file.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) return last_error();
    return {};
}

bool is_read_only(const fs::path& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0 && !(st.st_mode & S_IWUSR);
}

std::optional<std::uint64_t> last_write_ticks_1601(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return std::nullopt;
    constexpr std::int64_t seconds_1601_to_1970 = 11'644'473'600;
    const std::int64_t seconds = static_cast<std::int64_t>(st.st_mtim.tv_sec) + seconds_1601_to_1970;
    if (seconds < 0) return std::nullopt;
    return static_cast<std::uint64_t>(seconds) * 10'000'000u + static_cast<std::uint64_t>(st.st_mtim.tv_nsec) / 100u;
}

bool folder_is_busy(const fs::path& folder) {
    const std::string inside = resolved_text(folder);
    DIR* proc = ::opendir("/proc");
    if (!proc) return false;
    bool busy = false;
    while (!busy) {
        dirent* entry = ::readdir(proc);
        if (!entry) break;
        if (!all_digits(entry->d_name)) continue;
        const fs::path process = fs::path("/proc") / entry->d_name;
        for (const char* link : {"cwd", "exe"}) {
            auto target = read_link(process / link);
            if (target && lies_inside(*target, inside)) {
                busy = true;
                break;
            }
        }
    }
    ::closedir(proc);
    return busy;
}

}  // namespace qo
