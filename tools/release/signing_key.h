#pragma once
// The private half of a release key: generated or read from PEM, it signs release lists and ".sig" files with
// RSA-2048 PKCS#1 v1.5 over SHA-256 and exports the 276-byte public-key blob the launcher verifies with.
#include <array>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/sha256.h"

namespace qo::release {

inline constexpr std::size_t SIGNATURE_BYTES = 256;
inline constexpr std::size_t PUBLIC_BLOB_BYTES = 276;

class SigningKey {
public:
    // A fresh RSA-2048 key with public exponent 65537.
    static std::expected<SigningKey, std::string> generate();
    static std::expected<SigningKey, std::string> from_pem(std::string_view pem);
    static std::expected<SigningKey, std::string> load_pem_file(const std::filesystem::path& file);

    // PKCS#8 PEM text of the private key.
    std::string private_pem() const;
    // The public half as an 8-byte public-key blob header, the "RSA1" header (bits, exponent) and the modulus
    // least significant byte first.
    std::vector<std::uint8_t> public_blob() const;

    // PKCS#1 v1.5 signature of a SHA-256 digest, most significant byte first.
    std::array<std::uint8_t, SIGNATURE_BYTES> sign_digest(const Sha256Digest& digest) const;
    // Signature of the SHA-256 of `bytes`, as 256 raw bytes.
    std::string sign(std::string_view bytes) const;

    struct Impl;

private:
    explicit SigningKey(std::shared_ptr<const Impl> impl) : impl_(std::move(impl)) {}
    std::shared_ptr<const Impl> impl_;
};

}  // namespace qo::release
