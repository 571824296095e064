#include "updater/hash_cache.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace qo {
namespace {

using test::TempDir;

TEST(HashCacheKey, TurnsBackslashesAndAddsTheYearOneOffset) {
    EXPECT_EQ(hash_cache_key("Data\\Sub\\a.bin", 123, 0), "Data/Sub/a.bin|123|504911232000000000");
    // 2026-01-01 00:00 UTC as Windows file time (ticks since 1601) -> ticks since year 1.
    EXPECT_EQ(hash_cache_key("x", 0, 134116992000000000ULL), "x|0|639028224000000000");
}

TEST(HashCacheText, ParsesLinesWithOrWithoutCarriageReturns) {
    const HashCache cache = parse_hash_cache("a|1|2\tdeadbeef\r\nb|3|4\tcafe\nc|5|6\t\r\n");
    ASSERT_EQ(cache.size(), 3u);
    EXPECT_EQ(cache.at("a|1|2"), "deadbeef");
    EXPECT_EQ(cache.at("b|3|4"), "cafe");
    EXPECT_EQ(cache.at("c|5|6"), "");  // an empty value is kept
}

TEST(HashCacheText, SkipsLinesWithoutTabOrKeyAndLetsLaterLinesWin) {
    const HashCache cache = parse_hash_cache("no tab here\r\n\tvalue-without-key\r\nk\tfirst\r\nk\tsecond\ttail\r\n");
    ASSERT_EQ(cache.size(), 1u);
    EXPECT_EQ(cache.at("k"), "second\ttail");  // split at the first tab only
}

TEST(HashCacheText, InvalidUtf8GivesAnEmptyCache) {
    EXPECT_TRUE(parse_hash_cache("k\tv\r\nbad\xff\tv\r\n").empty());
    EXPECT_TRUE(parse_hash_cache("k\t\xc3").empty());  // truncated sequence at the end
    EXPECT_EQ(parse_hash_cache("Ação\tv").size(), 1u);
}

TEST(HashCacheFile, SavesWithCrLfAndReloadsTheSameEntries) {
    TempDir dir;
    HashCache cache{{"Data/a.bin|10|1", "aa"}, {"Main.exe|20|2", "bb"}, {"Ação/ç.txt|0|3", ""}};
    save_hash_cache(dir.path(), cache);  // creates Data/Launcher

    const std::string bytes = test::read_file(dir / "Data/Launcher/hashes.cache");
    EXPECT_EQ(bytes.size(), serialize_hash_cache(cache).size());
    EXPECT_NE(bytes.find("Main.exe|20|2\tbb\r\n"), std::string::npos);
    EXPECT_EQ(load_hash_cache(dir.path()), cache);
}

TEST(HashCacheFile, MissingOrUnreadableFileGivesAnEmptyCache) {
    TempDir dir;
    EXPECT_TRUE(load_hash_cache(dir.path()).empty());
    std::filesystem::create_directories(dir / "Data/Launcher/hashes.cache");  // a folder in its place
    EXPECT_TRUE(load_hash_cache(dir.path()).empty());
    save_hash_cache(dir.path(), {{"k", "v"}});  // cannot be written: ignored
    EXPECT_TRUE(load_hash_cache(dir.path()).empty());
}

}  // namespace
}  // namespace qo
