#include "updater/file_digest.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/error_text.h"
#include "util/sha256.h"
#include "util/text.h"

namespace qo {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::expected<std::string, std::string> sha256_file(const std::filesystem::path& file) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (ec) return std::unexpected(os_error_text(ec));
    if (status.type() == std::filesystem::file_type::directory)
        return std::unexpected(os_error_text(EISDIR));
    if (status.type() != std::filesystem::file_type::regular) return std::unexpected("não é um arquivo comum");

    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(file.c_str(), "rbe"));  // "e": close-on-exec
    if (!in) return std::unexpected(os_error_text(errno ? errno : EIO));
    std::vector<char> buffer(HASH_CHUNK_SIZE);
    Sha256Hasher hasher;
    for (;;) {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (n > 0) hasher.update(std::string_view(buffer.data(), n));
        if (n < buffer.size()) {
            if (std::ferror(in.get())) return std::unexpected(os_error_text(errno ? errno : EIO));
            break;
        }
    }
    const auto digest = hasher.finish();
    return hex_lower(std::span<const std::uint8_t>(digest));
}

bool eq_ignore_ascii_case_trimmed(std::string_view a, std::string_view b) {
    return ascii_iequals(trim_white_space(a), trim_white_space(b));
}

}  // namespace qo
