#pragma once
// A temporary folder removed with everything in it when the object goes away.
#include <filesystem>
#include <string_view>

namespace qo::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view rel) const { return path_ / rel; }

private:
    std::filesystem::path path_;
};

// Writes bytes to a file, creating its parent folders.
void write_file(const std::filesystem::path& file, std::string_view bytes);
// Reads a whole file; empty when it cannot be read.
std::string read_file(const std::filesystem::path& file);

}  // namespace qo::test
