#pragma once
// An exclusive lock on a file, shared by no other opener in any process while it is held.
#include <expected>
#include <filesystem>
#include <string>

namespace qo {

// Holds the lock for as long as it lives; moving hands the lock over, destruction releases it.
class FileLock {
public:
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    friend std::expected<FileLock, std::string> try_lock_exclusive(const std::filesystem::path& file);
    explicit FileLock(int descriptor) : descriptor_(descriptor) {}
    int descriptor_ = -1;
};

// Opens the file for reading and writing (created when missing, never truncated, a final link not followed) and
// takes its exclusive lock.
// A lock held elsewhere, in this process or another, fails at once without waiting.
std::expected<FileLock, std::string> try_lock_exclusive(const std::filesystem::path& file);

}  // namespace qo
