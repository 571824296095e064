#include "settings/resolutions_xml.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace qo {
namespace {

using Entries = std::vector<GameResolution>;

struct ParseCase {
    const char* name;
    std::string text;
    Entries expected;
};

TEST(ResolutionsXml, ReadsTheTagsThatCountInIndexOrder) {
    const ParseCase cases[] = {
        {"sorted by index, the index as label without a name",
         R"(<Resolutions><Resolution index="3" name="A"/><Resolution index="1"/></Resolutions>)",
         {{1, "1"}, {3, "A"}}},
        {"a longer element name is another element",
         R"(<ResolutionList index="2" name="x"/><Resolutions index="4"><Resolution index="5" name="B">)",
         {{5, "B"}}},
        {"white space or '/' ends the name",
         "<Resolution\n\tindex=\" 7 \" name=\" C \"/><Resolution/><Resolution\xE3\x80\x80index='8'>",
         {{7, "C"}, {8, "8"}}},
        {"equal indices keep their order",
         R"(<Resolution index="2" name="b"/><Resolution index="1"/><Resolution index="2" name="a"/>)",
         {{1, "1"}, {2, "b"}, {2, "a"}}},
        {"signed 32-bit decimals only",
         R"(<Resolution index="+4"/><Resolution index="-2147483648"/><Resolution index="2147483648"/>)"
         R"(<Resolution index="x"/><Resolution index=""/><Resolution name="no index"/><Resolution index="1 2"/>)"
         R"(<Resolution index="0x1"/>)",
         {{-2147483648, "-2147483648"}, {4, "4"}}},
        {"entities in the name are decoded", R"(<Resolution index="1" name="a &amp; b &lt;c&gt;"/>)",
         {{1, "a & b <c>"}}},
        {"a tag that never closes is dropped", R"(<Resolution index="1"/><Resolution index="2")", {{1, "1"}}},
        {"no tags", "<Resolutions/>", {}},
    };
    for (const ParseCase& c : cases) EXPECT_EQ(parse_resolutions_xml(c.text), c.expected) << c.name;
}

TEST(ResolutionsXml, FileIsReadFromTheGameFolderWithInvalidBytesReplaced) {
    test::TempDir game;
    EXPECT_TRUE(load_game_resolutions(game.path()).empty());  // no file
    test::write_file(game / "Data/Resolutions.xml", "<Resolution index=\"9\" name=\"1920\xFFx1080\"/>");
    EXPECT_EQ(load_game_resolutions(game.path()), (Entries{{9, "1920\xEF\xBF\xBDx1080"}}));
    EXPECT_EQ(resolutions_xml_path(game.path()), game / "Data/Resolutions.xml");

    std::filesystem::remove(game / "Data/Resolutions.xml");
    std::filesystem::create_directories(game / "Data/Resolutions.xml");  // there, but not readable as a file
    EXPECT_TRUE(load_game_resolutions(game.path()).empty());
}

}  // namespace
}  // namespace qo
