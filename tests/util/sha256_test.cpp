#include "util/sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace qo {
namespace {

constexpr const char* ABC_DIGEST = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
constexpr const char* EMPTY_DIGEST = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";

TEST(Sha256, KnownDigestsOfBuffers) {
    EXPECT_EQ(hex_lower(sha256_bytes(std::string_view("abc"))), ABC_DIGEST);
    EXPECT_EQ(hex_lower(sha256_bytes(std::string_view())), EMPTY_DIGEST);
}

TEST(Sha256, StreamedHashEqualsOneShotAcrossChunkBoundaries) {
    std::string data(3 * 1000 * 1000 + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + 7);
    Sha256Hasher hasher;
    for (std::size_t at = 0; at < data.size(); at += 65'537) hasher.update(std::string_view(data).substr(at, 65'537));
    EXPECT_EQ(hasher.finish(), sha256_bytes(data));
    // The hasher starts over after finishing.
    hasher.update(std::string_view("abc"));
    EXPECT_EQ(hex_lower(hasher.finish()), ABC_DIGEST);
}

TEST(Sha256, HexIsLowercaseHighNibbleFirst) {
    const std::uint8_t bytes[] = {0x00, 0x0F, 0xA0, 0xFF};
    EXPECT_EQ(hex_lower(bytes), "000fa0ff");
    EXPECT_TRUE(is_lower_hex("09af", 4));
    EXPECT_FALSE(is_lower_hex("09aF", 4));
    EXPECT_FALSE(is_lower_hex("09a", 4));
    EXPECT_FALSE(is_lower_hex("09ag", 4));
}

TEST(Sha256, FileDigestMatchesBufferAndFailsQuietly) {
    test::TempDir dir;
    std::string data(HASH_CHUNK_SIZE * 2 + 5, 'x');  // spans several chunks, ends in a short one
    test::write_file(dir / "big.bin", data);
    test::write_file(dir / "empty.bin", "");
    test::write_file(dir / "exact.bin", std::string(HASH_CHUNK_SIZE, 'y'));
    EXPECT_EQ(sha256_file_hex(dir / "big.bin"), hex_lower(sha256_bytes(data)));
    EXPECT_EQ(sha256_file_hex(dir / "empty.bin"), EMPTY_DIGEST);
    EXPECT_EQ(sha256_file_hex(dir / "exact.bin"), hex_lower(sha256_bytes(std::string(HASH_CHUNK_SIZE, 'y'))));
    EXPECT_EQ(sha256_file_hex(dir / "missing.bin"), std::nullopt);
    EXPECT_EQ(sha256_file_hex(dir.path()), std::nullopt);  // a folder cannot be read as a file
}

}  // namespace
}  // namespace qo
