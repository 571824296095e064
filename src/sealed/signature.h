#pragma once
// RSA-2048 signatures over SHA-256 digests, checked with the release key: the signed release list carries one
// after its body, and a detached "<file>.sig" carries one for a whole file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <expected>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

#include "util/sha256.h"

namespace qo {

// An RSA-2048 signature: PKCS#1 v1.5 with the SHA-256 DigestInfo, most significant byte first.
inline constexpr std::size_t SIGNATURE_SIZE = 256;
// The release key travels as a 276-byte public-key blob: an 8-byte header (public key, version 2, RSA key
// exchange), the "RSA1" header with the bit length and public exponent, then the modulus least significant byte
// first.
inline constexpr std::size_t RELEASE_KEY_BLOB_SIZE = 276;

// The public key that signs releases, parsed once from its blob. Copies share the parsed key; verification
// through one key may run on any number of threads at once.
class ReleaseKey {
public:
    static std::expected<ReleaseKey, std::string> from_blob(std::span<const std::uint8_t> blob);

    // True only when `signature` (SIGNATURE_SIZE bytes) is a valid signature of `digest` under this key.
    bool verify(const Sha256Digest& digest, std::span<const std::uint8_t> signature) const;

    struct Impl;

private:
    explicit ReleaseKey(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}
    std::shared_ptr<const Impl> impl_;
};

// True only when `signature` verifies `digest` under `key`; every failure yields false.
bool verify_rsa_sha256_signature(const ReleaseKey& key, const Sha256Digest& digest,
                                 std::span<const std::uint8_t> signature);

// A file whose signature has been checked, still open for reading from its start. Holding it keeps exactly the
// checked bytes at hand: a rename or a replacement of the path afterwards does not change what this handle reads.
// (Windows also forbids writers, renames and deletions while it is open; Linux cannot, so callers that run the
// file start it from this handle instead of from its path.) Closed when dropped.
class VerifiedFile {
public:
    VerifiedFile(std::FILE* stream, std::filesystem::path path) : stream_(stream), path_(std::move(path)) {}
    ~VerifiedFile();
    VerifiedFile(VerifiedFile&& other) noexcept;
    VerifiedFile& operator=(VerifiedFile&& other) noexcept;
    VerifiedFile(const VerifiedFile&) = delete;
    VerifiedFile& operator=(const VerifiedFile&) = delete;

    std::FILE* stream() const { return stream_; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::FILE* stream_ = nullptr;
    std::filesystem::path path_;
};

// Checks "<file>.sig" against the whole of `file` and, on success, hands back the signed file still open for
// reading, so that exactly the checked bytes can be used (the game is started from this handle). Both files must
// be regular files of their own (a final symbolic link is refused) and the file no larger than a release file
// may be. Errors are ready-to-show texts.
std::expected<VerifiedFile, std::string> verify_detached_signature(const ReleaseKey& key,
                                                                  const std::filesystem::path& file);

}  // namespace qo
