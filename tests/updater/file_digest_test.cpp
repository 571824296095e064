#include "updater/file_digest.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace qo {
namespace {

using test::TempDir;

TEST(FileDigest, HashesEmptyAndMultiChunkFiles) {
    TempDir dir;
    test::write_file(dir / "empty", "");
    EXPECT_EQ(sha256_file(dir / "empty"), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    // 1 MiB + 3 bytes of 'a' crosses a chunk boundary.
    test::write_file(dir / "big", std::string(1'048'579, 'a'));
    const auto big = sha256_file(dir / "big");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size(), 64u);
    test::write_file(dir / "big2", std::string(1'048'578, 'a') + "b");
    EXPECT_NE(sha256_file(dir / "big2"), big);
}

TEST(FileDigest, MissingFoldersAndSpecialFilesAreErrors) {
    TempDir dir;
    EXPECT_FALSE(sha256_file(dir / "missing"));
    std::filesystem::create_directories(dir / "folder");
    EXPECT_FALSE(sha256_file(dir / "folder"));
    std::filesystem::create_symlink(dir / "folder", dir / "folder-link");
    EXPECT_FALSE(sha256_file(dir / "folder-link"));
    EXPECT_FALSE(sha256_file("/dev/null"));  // a device is never read
}

TEST(FileDigest, ComparisonIgnoresAsciiCaseAndSurroundingBlanks) {
    EXPECT_TRUE(eq_ignore_ascii_case_trimmed("abcdef01", "  ABCDEF01\t\r\n"));
    EXPECT_TRUE(eq_ignore_ascii_case_trimmed("", "   "));
    EXPECT_FALSE(eq_ignore_ascii_case_trimmed("abc", "ab c"));
    EXPECT_FALSE(eq_ignore_ascii_case_trimmed("abc", "abcd"));
    EXPECT_FALSE(eq_ignore_ascii_case_trimmed("ç", "Ç"));  // only ASCII letters fold
}

}  // namespace
}  // namespace qo
