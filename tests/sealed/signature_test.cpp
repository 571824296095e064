#include "sealed/signature.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"
#include "support/test_keys.h"

namespace qo {
namespace {

using test::test_release_key;
using test::test_signing_key;

constexpr const char* SIG_MISSING = "a assinatura do cliente não foi encontrada.";
constexpr const char* SIG_SIZE = "o tamanho da assinatura do cliente é inválido.";
constexpr const char* SIG_INVALID = "a assinatura digital do cliente é inválida.";

std::string read_stream(std::FILE* stream) {
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) out.append(buffer, n);
    return out;
}

TEST(ReleaseKey, ParsesOnlyAnRsa2048PublicKeyBlob) {
    std::vector<std::uint8_t> blob = test::test_public_key_blob();
    ASSERT_TRUE(ReleaseKey::from_blob(blob));

    auto broken = [&](auto change) {
        std::vector<std::uint8_t> copy = blob;
        change(copy);
        return !ReleaseKey::from_blob(copy).has_value();
    };
    EXPECT_TRUE(broken([](auto& b) { b.pop_back(); }));
    EXPECT_TRUE(broken([](auto& b) { b.push_back(0); }));
    EXPECT_TRUE(broken([](auto& b) { b[0] = 0x07; }));   // a private-key blob
    EXPECT_TRUE(broken([](auto& b) { b[11] = '2'; }));   // "RSA2"
    EXPECT_TRUE(broken([](auto& b) { b[13] = 0x04; }));  // 1024 bits
    EXPECT_TRUE(broken([](auto& b) { b[16] = b[17] = b[18] = b[19] = 0; }));  // no exponent
    EXPECT_TRUE(broken([](auto& b) { b[275] = 0; }));    // modulus shorter than 2048 bits
}

TEST(ReleaseKey, VerifiesDigestSignaturesMostSignificantByteFirst) {
    const ReleaseKey& key = test_release_key();
    const Sha256Digest digest = sha256_bytes(std::string_view("release body"));
    auto signature = test_signing_key().sign_digest(digest);
    EXPECT_TRUE(verify_rsa_sha256_signature(key, digest, signature));

    EXPECT_FALSE(verify_rsa_sha256_signature(key, sha256_bytes(std::string_view("other body")), signature));
    auto reversed = signature;
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_FALSE(verify_rsa_sha256_signature(key, digest, reversed));
    EXPECT_FALSE(verify_rsa_sha256_signature(key, digest, std::span(signature).first(255)));
    EXPECT_FALSE(verify_rsa_sha256_signature(key, digest, std::vector<std::uint8_t>(256, 0)));
    EXPECT_FALSE(verify_rsa_sha256_signature(key, digest, std::vector<std::uint8_t>(256, 0xFF)));
    EXPECT_FALSE(verify_rsa_sha256_signature(key, digest, test::foreign_signing_key().sign_digest(digest)));

    // The blob exported with a key verifies that key's signatures.
    auto foreign = ReleaseKey::from_blob(test::foreign_signing_key().public_blob());
    ASSERT_TRUE(foreign);
    EXPECT_TRUE(foreign->verify(digest, test::foreign_signing_key().sign_digest(digest)));
    EXPECT_FALSE(foreign->verify(digest, signature));
}

class DetachedSignature : public ::testing::Test {
protected:
    std::filesystem::path file(std::string_view name) const { return dir.path() / name; }
    void write_signed(std::string_view name, const std::string& bytes) {
        test::write_file(file(name), bytes);
        test::write_file(file(std::string(name) + ".sig"), test_signing_key().sign(bytes));
    }
    std::string verify_error(std::string_view name) const {
        auto result = verify_detached_signature(test_release_key(), file(name));
        return result ? "verified" : result.error();
    }
    test::TempDir dir;
};

TEST_F(DetachedSignature, ValidSignatureHandsBackTheOpenFileFromItsStart) {
    std::string big(HASH_CHUNK_SIZE * 2 + 123, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 251);
    write_signed("Main.exe", big);
    auto verified = verify_detached_signature(test_release_key(), file("Main.exe"));
    ASSERT_TRUE(verified) << verified.error();
    EXPECT_EQ(verified->path(), file("Main.exe"));
    EXPECT_EQ(read_stream(verified->stream()), big);

    write_signed("empty.bin", "");
    EXPECT_EQ(verify_error("empty.bin"), "verified");
}

TEST_F(DetachedSignature, SignatureFileSizeMustBeExact) {
    test::write_file(file("Main.exe"), "game");
    std::string signature = test_signing_key().sign("game");
    test::write_file(file("Main.exe.sig"), signature.substr(0, 255));
    EXPECT_EQ(verify_error("Main.exe"), SIG_SIZE);
    test::write_file(file("Main.exe.sig"), signature + "x");
    EXPECT_EQ(verify_error("Main.exe"), SIG_SIZE);
    test::write_file(file("Main.exe.sig"), "");
    EXPECT_EQ(verify_error("Main.exe"), SIG_SIZE);
    test::write_file(file("Main.exe.sig"), signature);
    EXPECT_EQ(verify_error("Main.exe"), "verified");
}

TEST_F(DetachedSignature, MissingFilesAndWrongSignatures) {
    // The signature is looked for first, so a missing pair reports the missing signature.
    EXPECT_EQ(verify_error("Main.exe"), SIG_MISSING);
    test::write_file(file("Main.exe"), "game");
    EXPECT_EQ(verify_error("Main.exe"), SIG_MISSING);

    // A signature without its file reports the system's own text for the failed open.
    test::write_file(file("Lonely.exe.sig"), test_signing_key().sign("game"));
    std::string lonely = verify_error("Lonely.exe");
    EXPECT_NE(lonely, "verified");
    EXPECT_NE(lonely, SIG_MISSING);
    EXPECT_FALSE(lonely.empty());

    test::write_file(file("Main.exe.sig"), test_signing_key().sign("other game"));
    EXPECT_EQ(verify_error("Main.exe"), SIG_INVALID);
    test::write_file(file("Main.exe.sig"), test::foreign_signing_key().sign("game"));
    EXPECT_EQ(verify_error("Main.exe"), SIG_INVALID);
}

TEST_F(DetachedSignature, HeldHandleKeepsTheCheckedBytesWhenThePathIsReplaced) {
    write_signed("Main.exe", "checked bytes");
    auto verified = verify_detached_signature(test_release_key(), file("Main.exe"));
    ASSERT_TRUE(verified);
    test::write_file(file("swap.exe"), "other bytes!!");
    std::filesystem::rename(file("swap.exe"), file("Main.exe"));
    EXPECT_EQ(read_stream(verified->stream()), "checked bytes");

    VerifiedFile moved = std::move(*verified);
    EXPECT_EQ(verified->stream(), nullptr);
    EXPECT_NE(moved.stream(), nullptr);
}

TEST(ReleaseKeyConcurrent, ManyThreadsVerifyThroughOneKey) {
    const ReleaseKey key = test_release_key();  // copies share the parsed key
    std::vector<Sha256Digest> digests;
    std::vector<std::array<std::uint8_t, 256>> signatures;
    for (int i = 0; i < 8; ++i) {
        digests.push_back(sha256_bytes(std::to_string(i)));
        signatures.push_back(test_signing_key().sign_digest(digests.back()));
    }
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 40; ++round) {
                int d = (t + round) % 8;
                int s = (round % 3 == 0) ? (d + 1) % 8 : d;  // every third check pairs a foreign signature
                if (key.verify(digests[d], signatures[s]) != (s == d)) ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace qo
