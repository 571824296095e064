#include "platform/ini_profile.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace qo {
namespace {
namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

class IniProfile : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path file = dir / "config.ini";
};

TEST_F(IniProfile, ReadsTheFirstMatchIgnoringLetterCaseAndBlanks) {
    write_file(file,
               "\xEF\xBB\xBF"
               "Limit=1\r\n"
               "[Video]\r\n"
               "Limit=2\r\n"
               "  [ fps ]  \r\n"
               "other = x\r\n"
               "  LIMIT  =  144  \r\n"
               "Limit=3\r\n"
               "[FPS]\r\n"
               "Limit=4\r\n");
    EXPECT_EQ(ini_read_string(file, "FPS", "Limit"), "144");
    EXPECT_EQ(ini_read_int(file, "FPS", "Limit", 300), 144);
    EXPECT_EQ(ini_read_int(file, "Video", "limit", 300), 2);
    EXPECT_EQ(ini_read_string(file, "FPS", "Missing"), std::nullopt);
    EXPECT_EQ(ini_read_int(file, "Nowhere", "Limit", 300), 300);
    EXPECT_EQ(ini_read_int(dir / "missing.ini", "FPS", "Limit", 300), 300);
}

TEST_F(IniProfile, IntegerReadingRules) {
    auto read = [&](std::string_view value) {
        write_file(file, "[FPS]\nLimit=" + std::string(value) + "\n");
        return ini_read_int(file, "FPS", "Limit", 300);
    };
    EXPECT_EQ(read(""), 300);
    EXPECT_EQ(read("   "), 300);
    EXPECT_EQ(read("\"60\""), 60);
    EXPECT_EQ(read("+75"), 75);
    EXPECT_EQ(read("-20"), -20);
    EXPECT_EQ(read("90fps"), 90);
    EXPECT_EQ(read("fast"), 0);
    EXPECT_EQ(read("99999999999"), 2147483647);
    EXPECT_EQ(read("-99999999999"), -2147483647 - 1);
}

TEST_F(IniProfile, WriteReplacesInPlaceAndKeepsEveryOtherByte) {
    const std::string before =
        "; game settings\r\n"
        "[Video]\r\n"
        "Width = 1280\r\n"
        "[fps]\r\n"
        "  limit = 60   \r\n"
        "Vsync=1\r\n"
        "[FPS]\r\n"
        "Limit=30";
    write_file(file, before);
    ASSERT_TRUE(ini_write_string(file, "FPS", "Limit", "360"));
    EXPECT_EQ(read_file(file),
              "; game settings\r\n"
              "[Video]\r\n"
              "Width = 1280\r\n"
              "[fps]\r\n"
              "  limit=360\r\n"
              "Vsync=1\r\n"
              "[FPS]\r\n"
              "Limit=30");
}

TEST_F(IniProfile, WriteAddsTheKeyAtTheEndOfItsSectionOrTheSectionAtTheEnd) {
    write_file(file, "[FPS]\nVsync=1\n\n[Sound]\nOn=1");
    ASSERT_TRUE(ini_write_string(file, "fps", "Limit", "144"));
    EXPECT_EQ(read_file(file), "[FPS]\nVsync=1\nLimit=144\n\n[Sound]\nOn=1");

    ASSERT_TRUE(ini_write_string(file, "Net", "Port", "7000"));
    EXPECT_EQ(read_file(file), "[FPS]\nVsync=1\nLimit=144\n\n[Sound]\nOn=1\n[Net]\nPort=7000\n");
    EXPECT_EQ(ini_read_int(file, "FPS", "Limit", 0), 144);
}

TEST_F(IniProfile, WriteCreatesAMissingFileButNotItsFolder) {
    ASSERT_TRUE(ini_write_string(file, "FPS", "Limit", "300"));
    EXPECT_EQ(read_file(file), "[FPS]\r\nLimit=300\r\n");
    EXPECT_FALSE(ini_write_string(dir / "Data/Custom/config.ini", "FPS", "Limit", "300"));
    EXPECT_FALSE(fs::exists(dir / "Data"));
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace qo
