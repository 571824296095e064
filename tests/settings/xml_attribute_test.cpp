#include "settings/xml_attribute.h"

#include <gtest/gtest.h>

#include "settings/folders.h"
#include "support/temp_dir.h"

namespace qo {
namespace {

TEST(XmlAttributeValue, FindsTheFirstOccurrenceThatCounts) {
    EXPECT_EQ(xml_attribute_value(R"(<Resolution index="3" name="1024x768"/>)", "index"), "3");
    EXPECT_EQ(xml_attribute_value(R"(<Resolution index="3" name="1024x768"/>)", "name"), "1024x768");
    EXPECT_EQ(xml_attribute_value("index='7'", "index"), "7");
    EXPECT_EQ(xml_attribute_value("<R\tindex \n=\t \"2\"", "index"), "2");
    EXPECT_EQ(xml_attribute_value("<R\xC2\xA0index\xE3\x80\x80=\xE2\x80\x83'5'", "index"), "5");  // Unicode blanks
    EXPECT_EQ(xml_attribute_value(R"(<R index="">)", "index"), "");
    EXPECT_EQ(xml_attribute_value(R"(<R name="it's">)", "name"), "it's");
}

TEST(XmlAttributeValue, SkipsOccurrencesThatDoNotCount) {
    // Inside a longer word, without '=', or without a quote after the '=': the next occurrence is tried.
    EXPECT_EQ(xml_attribute_value(R"(<R xindex="1" index="2">)", "index"), "2");
    EXPECT_EQ(xml_attribute_value(R"(<R indexes="1" index="2">)", "index"), "2");
    EXPECT_EQ(xml_attribute_value(R"(<R data="index" index="2">)", "index"), "2");
    EXPECT_EQ(xml_attribute_value(R"(<R index=3 index="4">)", "index"), "4");
    EXPECT_EQ(xml_attribute_value("<R \xC3\xA9index=\"1\">", "index"), std::nullopt);  // after a letter, not a blank
    EXPECT_EQ(xml_attribute_value(R"(<R name="1">)", "index"), std::nullopt);
    EXPECT_EQ(xml_attribute_value(R"(<R index="1">)", ""), std::nullopt);
}

TEST(XmlAttributeValue, FirstCountingOccurrenceEndsTheSearch) {
    EXPECT_EQ(xml_attribute_value(R"(<R index="1 index="2">)", "index"), "1 index=");
    EXPECT_EQ(xml_attribute_value(R"(<R index="unclosed index="2)", "index"), "unclosed index=");
    EXPECT_EQ(xml_attribute_value(R"(<R index='unclosed)", "index"), std::nullopt);
    EXPECT_EQ(xml_attribute_value("<R index=  ", "index"), std::nullopt);
    EXPECT_EQ(xml_attribute_value(R"(<R index='a"b' name="x">)", "index"), "a\"b");
}

TEST(XmlAttributeValue, DecodesOnlyThePredefinedEntitiesAndAmpersandLast) {
    EXPECT_EQ(xml_attribute_value(R"(<R name="&lt;a&gt; &quot;b&quot; &apos;c&apos; &amp;">)", "name"),
              "<a> \"b\" 'c' &");
    EXPECT_EQ(xml_attribute_value(R"(<R name="&amp;lt; &#65; &nbsp;">)", "name"), "&lt; &#65; &nbsp;");
}

TEST(ListSubfolders, NamesFoldersInListingOrderAndNothingForUnreadableFolders) {
    test::TempDir dir;
    test::write_file(dir / "file.txt", "x");
    std::filesystem::create_directories(dir / "Eng/sub");
    std::filesystem::create_directories(dir / "Por");
    std::filesystem::create_directory_symlink(dir / "Por", dir / "Linked");

    std::vector<std::string> expected;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        if (entry.is_directory()) expected.push_back(entry.path().filename().string());
    EXPECT_EQ(list_subfolders(dir.path()), expected);
    EXPECT_EQ(expected.size(), 3u);
    EXPECT_TRUE(list_subfolders(dir / "missing").empty());
    EXPECT_TRUE(list_subfolders(dir / "file.txt").empty());
}

}  // namespace
}  // namespace qo
