#include "sealed/signature.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/error_text.h"
#include "platform/files.h"

namespace qo {

struct ReleaseKey::Impl {
    EVP_PKEY* pkey = nullptr;
    ~Impl() { EVP_PKEY_free(pkey); }
};

namespace {

constexpr const char* BAD_KEY = "a chave de verificação das versões é inválida.";

constexpr std::uint8_t PUBLICKEYBLOB = 0x06;
constexpr std::uint8_t BLOB_VERSION = 0x02;
constexpr std::uint32_t CALG_RSA_KEYX = 0x0000A400;
constexpr std::uint32_t CALG_RSA_SIGN = 0x00002400;
constexpr std::uint32_t RSA1_MAGIC = 0x31415352;  // "RSA1"
constexpr std::uint32_t KEY_BITS = 2048;
constexpr std::size_t MODULUS_OFFSET = 20;

std::uint32_t read_le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

bool blob_header_is_rsa2048_public(std::span<const std::uint8_t> blob) {
    std::uint32_t algorithm = read_le32(blob, 4);
    return blob[0] == PUBLICKEYBLOB && blob[1] == BLOB_VERSION && (algorithm == CALG_RSA_KEYX || algorithm == CALG_RSA_SIGN) &&
           read_le32(blob, 8) == RSA1_MAGIC && read_le32(blob, 12) == KEY_BITS && read_le32(blob, 16) != 0;
}

// Builds the RSA public key from the modulus (least significant byte first) and exponent of the blob.
EVP_PKEY* rsa_public_key(std::span<const std::uint8_t> modulus_le, std::uint32_t exponent) {
    BIGNUM* n = BN_lebin2bn(modulus_le.data(), static_cast<int>(modulus_le.size()), nullptr);
    BIGNUM* e = BN_new();
    OSSL_PARAM_BLD* build = OSSL_PARAM_BLD_new();
    OSSL_PARAM* params = nullptr;
    EVP_PKEY_CTX* ctx = nullptr;
    EVP_PKEY* pkey = nullptr;
    if (n && e && build && BN_set_word(e, exponent) == 1 && BN_num_bits(n) == static_cast<int>(KEY_BITS) &&
        OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_N, n) == 1 &&
        OSSL_PARAM_BLD_push_BN(build, OSSL_PKEY_PARAM_RSA_E, e) == 1 &&
        (params = OSSL_PARAM_BLD_to_param(build)) != nullptr &&
        (ctx = EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr)) != nullptr && EVP_PKEY_fromdata_init(ctx) == 1) {
        if (EVP_PKEY_fromdata(ctx, &pkey, EVP_PKEY_PUBLIC_KEY, params) != 1) pkey = nullptr;
    }
    EVP_PKEY_CTX_free(ctx);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(build);
    BN_free(e);
    BN_free(n);
    return pkey;
}

}  // namespace

std::expected<ReleaseKey, std::string> ReleaseKey::from_blob(std::span<const std::uint8_t> blob) {
    if (blob.size() != RELEASE_KEY_BLOB_SIZE || !blob_header_is_rsa2048_public(blob)) return std::unexpected(BAD_KEY);
    EVP_PKEY* pkey = rsa_public_key(blob.subspan(MODULUS_OFFSET), read_le32(blob, 16));
    if (!pkey) return std::unexpected(BAD_KEY);
    auto impl = std::make_shared<Impl>();
    impl->pkey = pkey;
    return ReleaseKey(std::move(impl));
}

bool ReleaseKey::verify(const Sha256Digest& digest, std::span<const std::uint8_t> signature) const {
    if (!impl_ || signature.size() != SIGNATURE_SIZE) return false;
    // One context per call: the key itself is only read, so calls may overlap on any number of threads.
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_pkey(nullptr, impl_->pkey, nullptr);
    bool ok = ctx && EVP_PKEY_verify_init(ctx) == 1 && EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) == 1 &&
              EVP_PKEY_CTX_set_signature_md(ctx, EVP_sha256()) == 1 &&
              EVP_PKEY_verify(ctx, signature.data(), signature.size(), digest.data(), digest.size()) == 1;
    EVP_PKEY_CTX_free(ctx);
    return ok;
}

bool verify_rsa_sha256_signature(const ReleaseKey& key, const Sha256Digest& digest,
                                 std::span<const std::uint8_t> signature) {
    return key.verify(digest, signature);
}

VerifiedFile::~VerifiedFile() {
    if (stream_) std::fclose(stream_);
}

VerifiedFile::VerifiedFile(VerifiedFile&& other) noexcept
    : stream_(std::exchange(other.stream_, nullptr)), path_(std::move(other.path_)) {}

VerifiedFile& VerifiedFile::operator=(VerifiedFile&& other) noexcept {
    if (this != &other) {
        if (stream_) std::fclose(stream_);
        stream_ = std::exchange(other.stream_, nullptr);
        path_ = std::move(other.path_);
    }
    return *this;
}

std::expected<VerifiedFile, std::string> verify_detached_signature(const ReleaseKey& key,
                                                                  const std::filesystem::path& file) {
    std::filesystem::path sig_path = file;
    sig_path += ".sig";
    auto signature = read_file_head(sig_path, SIGNATURE_SIZE + 1);
    if (!signature) return std::unexpected("a assinatura do cliente não foi encontrada.");
    if (signature->size() != SIGNATURE_SIZE) return std::unexpected("o tamanho da assinatura do cliente é inválido.");

    errno = 0;
    std::FILE* stream = std::fopen(file.c_str(), "rbe");  // "e": close-on-exec
    if (!stream) return std::unexpected(os_error_text(errno));
    VerifiedFile opened(stream, file);

    Sha256Hasher hasher;
    std::vector<std::uint8_t> buffer(HASH_CHUNK_SIZE, 0);
    for (;;) {
        std::size_t n = std::fread(buffer.data(), 1, buffer.size(), stream);
        if (n > 0) hasher.update(std::span(buffer.data(), n));
        if (n == buffer.size()) continue;
        if (std::ferror(stream)) return std::unexpected(os_error_text(errno));
        break;
    }
    const std::span<const std::uint8_t> signature_bytes(reinterpret_cast<const std::uint8_t*>(signature->data()),
                                                        signature->size());
    if (!verify_rsa_sha256_signature(key, hasher.finish(), signature_bytes))
        return std::unexpected("a assinatura digital do cliente é inválida.");
    std::rewind(stream);
    return opened;
}

}  // namespace qo
