#include "release/signing_key.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace qo::release {

struct SigningKey::Impl {
    EVP_PKEY* pkey = nullptr;
    ~Impl() { EVP_PKEY_free(pkey); }
};

namespace {

constexpr int KEY_BITS = 2048;

std::string openssl_error(std::string_view what) {
    char text[256] = {};
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    return std::string(what) + ": " + text;
}

[[noreturn]] void fail(std::string_view what) {
    std::fprintf(stderr, "%s\n", openssl_error(what).c_str());
    std::abort();
}

void put_le32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool is_rsa2048(EVP_PKEY* pkey) { return EVP_PKEY_is_a(pkey, "RSA") == 1 && EVP_PKEY_get_bits(pkey) == KEY_BITS; }

}  // namespace

std::expected<SigningKey, std::string> SigningKey::generate() {
    EVP_PKEY* pkey = EVP_RSA_gen(KEY_BITS);
    if (!pkey) return std::unexpected(openssl_error("RSA key generation failed"));
    auto impl = std::make_shared<Impl>();
    impl->pkey = pkey;
    return SigningKey(std::move(impl));
}

std::expected<SigningKey, std::string> SigningKey::from_pem(std::string_view pem) {
    BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
    EVP_PKEY* pkey = bio ? PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(bio);
    if (!pkey) return std::unexpected(openssl_error("not a PEM private key"));
    if (!is_rsa2048(pkey)) {
        EVP_PKEY_free(pkey);
        return std::unexpected("the private key is not an RSA-2048 key");
    }
    auto impl = std::make_shared<Impl>();
    impl->pkey = pkey;
    return SigningKey(std::move(impl));
}

std::expected<SigningKey, std::string> SigningKey::load_pem_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::unexpected("cannot read " + file.string());
    std::string pem{std::istreambuf_iterator<char>(in), {}};
    return from_pem(pem);
}

std::string SigningKey::private_pem() const {
    BIO* bio = BIO_new(BIO_s_mem());
    if (!bio || PEM_write_bio_PrivateKey(bio, impl_->pkey, nullptr, nullptr, 0, nullptr, nullptr) != 1)
        fail("PEM encoding failed");
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return pem;
}

std::vector<std::uint8_t> SigningKey::public_blob() const {
    BIGNUM* n = nullptr;
    BIGNUM* e = nullptr;
    if (EVP_PKEY_get_bn_param(impl_->pkey, OSSL_PKEY_PARAM_RSA_N, &n) != 1 ||
        EVP_PKEY_get_bn_param(impl_->pkey, OSSL_PKEY_PARAM_RSA_E, &e) != 1)
        fail("reading the public key failed");
    std::vector<std::uint8_t> blob = {0x06, 0x02, 0x00, 0x00};  // public-key blob, version 2, reserved
    put_le32(blob, 0x0000A400);                                 // RSA key exchange
    put_le32(blob, 0x31415352);                                 // "RSA1"
    put_le32(blob, KEY_BITS);
    put_le32(blob, static_cast<std::uint32_t>(BN_get_word(e)));
    std::size_t at = blob.size();
    blob.resize(PUBLIC_BLOB_BYTES);
    if (BN_bn2lebinpad(n, blob.data() + at, static_cast<int>(PUBLIC_BLOB_BYTES - at)) < 0) fail("modulus export failed");
    BN_free(n);
    BN_free(e);
    return blob;
}

std::array<std::uint8_t, SIGNATURE_BYTES> SigningKey::sign_digest(const Sha256Digest& digest) const {
    std::array<std::uint8_t, SIGNATURE_BYTES> signature{};
    std::size_t length = signature.size();
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_pkey(nullptr, impl_->pkey, nullptr);
    if (!ctx || EVP_PKEY_sign_init(ctx) != 1 || EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) != 1 ||
        EVP_PKEY_CTX_set_signature_md(ctx, EVP_sha256()) != 1 ||
        EVP_PKEY_sign(ctx, signature.data(), &length, digest.data(), digest.size()) != 1 ||
        length != signature.size())
        fail("signing failed");
    EVP_PKEY_CTX_free(ctx);
    return signature;
}

std::string SigningKey::sign(std::string_view bytes) const {
    auto signature = sign_digest(sha256_bytes(bytes));
    return std::string(reinterpret_cast<const char*>(signature.data()), signature.size());
}

}  // namespace qo::release
