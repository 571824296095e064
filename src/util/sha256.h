#pragma once
// SHA-256 digests of buffers and files, and the lowercase hex form used for digests and identifiers.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace qo {

using Sha256Digest = std::array<std::uint8_t, 32>;

// Files are hashed in chunks of this size through one buffer per call.
inline constexpr std::size_t HASH_CHUNK_SIZE = 1'048'576;

// A streamed SHA-256: feed any number of chunks, then take the digest once. Not copyable; movable.
class Sha256Hasher {
public:
    Sha256Hasher();
    ~Sha256Hasher();
    Sha256Hasher(Sha256Hasher&&) noexcept;
    Sha256Hasher& operator=(Sha256Hasher&&) noexcept;
    Sha256Hasher(const Sha256Hasher&) = delete;
    Sha256Hasher& operator=(const Sha256Hasher&) = delete;

    void update(std::span<const std::uint8_t> bytes);
    void update(std::string_view bytes);
    // Ends the hash; the hasher starts over afterwards.
    Sha256Digest finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// Digest of a whole buffer.
Sha256Digest sha256_bytes(std::span<const std::uint8_t> bytes);
Sha256Digest sha256_bytes(std::string_view bytes);

// Two lowercase hex characters per byte, high nibble first.
std::string hex_lower(std::span<const std::uint8_t> bytes);
std::string hex_lower(std::string_view bytes);

// True when text is exactly `length` characters, each one of "0123456789abcdef".
bool is_lower_hex(std::string_view text, std::size_t length);

// Digest of what the stream holds from where it stands to its end; nothing on a read error or when it holds
// more than `max_bytes` (reading stops one chunk past the limit at most, so an endless stream ends the call too).
std::optional<Sha256Digest> sha256_stream(std::FILE* stream, std::uint64_t max_bytes);

// Lowercase hex digest of a file's contents, or nothing when it cannot be opened or read.
std::optional<std::string> sha256_file_hex(const std::filesystem::path& file);

}  // namespace qo
