#include "util/sha256.h"

#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace qo {

struct Sha256Hasher::State {
    EVP_MD_CTX* ctx = nullptr;
    ~State() { EVP_MD_CTX_free(ctx); }
};

namespace {

// A failure of the digest primitives means the crypto library itself is broken: nothing sensible can go on.
void require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "SHA-256: %s failed\n", what);
        std::abort();
    }
}

void start(EVP_MD_CTX* ctx) { require(EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) == 1, "init"); }

}  // namespace

Sha256Hasher::Sha256Hasher() : state_(std::make_unique<State>()) {
    state_->ctx = EVP_MD_CTX_new();
    require(state_->ctx != nullptr, "context allocation");
    start(state_->ctx);
}

Sha256Hasher::~Sha256Hasher() = default;
Sha256Hasher::Sha256Hasher(Sha256Hasher&&) noexcept = default;
Sha256Hasher& Sha256Hasher::operator=(Sha256Hasher&&) noexcept = default;

void Sha256Hasher::update(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    require(EVP_DigestUpdate(state_->ctx, bytes.data(), bytes.size()) == 1, "update");
}

void Sha256Hasher::update(std::string_view bytes) {
    update(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

Sha256Digest Sha256Hasher::finish() {
    Sha256Digest digest{};
    unsigned int length = 0;
    require(EVP_DigestFinal_ex(state_->ctx, digest.data(), &length) == 1 && length == digest.size(), "final");
    start(state_->ctx);
    return digest;
}

Sha256Digest sha256_bytes(std::span<const std::uint8_t> bytes) {
    Sha256Digest digest{};
    unsigned int length = 0;
    require(EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) == 1 &&
                length == digest.size(),
            "digest");
    return digest;
}

Sha256Digest sha256_bytes(std::string_view bytes) {
    return sha256_bytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

std::string hex_lower(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    return out;
}

std::string hex_lower(std::string_view bytes) {
    return hex_lower(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

bool is_lower_hex(std::string_view text, std::size_t length) {
    if (text.size() != length) return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    }
    return true;
}

std::optional<std::string> sha256_file_hex(const std::filesystem::path& file) {
    std::FILE* in = std::fopen(file.c_str(), "rbe");  // "e": close-on-exec
    if (!in) return std::nullopt;
    Sha256Hasher hasher;
    std::vector<std::uint8_t> buffer(HASH_CHUNK_SIZE, 0);
    bool failed = false;
    for (;;) {
        std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in);
        if (n > 0) hasher.update(std::span(buffer.data(), n));
        if (n < buffer.size()) {
            failed = std::ferror(in) != 0;
            break;
        }
    }
    std::fclose(in);
    if (failed) return std::nullopt;
    return hex_lower(hasher.finish());
}

}  // namespace qo
