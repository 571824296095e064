#include <gtest/gtest.h>

#include "updater/manifest_format.h"

namespace {

using namespace qo;

TEST(ManifestFormatRead, EmptyAndNullForms) {
    auto empty = read_manifest_record("{}");
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->version);
    EXPECT_FALSE(empty->files);

    auto null_files = read_manifest_record(R"({"Version": null, "Files": null})");
    ASSERT_TRUE(null_files);
    EXPECT_EQ(*null_files, UpdateManifest{});

    auto no_files = read_manifest_record(R"({"Files": []})");
    ASSERT_TRUE(no_files);
    EXPECT_EQ(no_files->files, std::vector<ManifestFile>{});
}

TEST(ManifestFormatRead, EntriesInObjectAndArrayFormReadTheSame) {
    const char* object_form = R"({"Version": "202612051200", "Files": [
        {"Path": "Main.exe", "Size": 1024, "Sha256": "ab", "Mode": "x", "Extra": {"Size": null}},
        {"OnlyIfMissing": true, "Path": "Data/Macro.txt"},
        {"Path": "only"}]})";
    const char* array_form = R"(["202612051200", [["Main.exe", 1024, "ab"], ["Data/Macro.txt", 0, null, true],
        ["only"]]])";
    auto a = read_manifest_record(object_form);
    auto b = read_manifest_record(array_form);
    ASSERT_TRUE(a) << a.error();
    ASSERT_TRUE(b) << b.error();
    EXPECT_EQ(*a, *b);
    EXPECT_EQ(a->version, "202612051200");
    ASSERT_EQ(a->files->size(), 3u);
    EXPECT_EQ((*a->files)[0], (ManifestFile{"Main.exe", 1024, "ab", false}));
    EXPECT_EQ((*a->files)[1], (ManifestFile{"Data/Macro.txt", 0, std::nullopt, true}));
    EXPECT_EQ((*a->files)[2], (ManifestFile{"only", 0, std::nullopt, false}));
}

TEST(ManifestFormatRead, StrictFieldsRejectTheWholeDocument) {
    EXPECT_EQ(read_manifest_record(R"({"Version": "a", "Version": "b"})").error(),
              "duplicate field `Version` at line 1 column 26");
    EXPECT_EQ(read_manifest_record(R"({"Files": [{"Path": "a", "Size": null}]})").error(),
              "invalid type: null, expected u64 at line 1 column 37");
    EXPECT_FALSE(read_manifest_record(R"({"Files": [{"Size": -3}]})"));
    EXPECT_FALSE(read_manifest_record(R"({"Files": [{"OnlyIfMissing": null}]})"));
    EXPECT_FALSE(read_manifest_record(R"({"Files": [{"OnlyIfMissing": 1}]})"));
    EXPECT_FALSE(read_manifest_record(R"({"Files": [["a", 1, "b", false, "extra"]]})"));
    EXPECT_FALSE(read_manifest_record(R"({"Files": {}})"));
    EXPECT_EQ(read_manifest_record(R"({"Files": ["a"]})").error(),
              "invalid type: string \"a\", expected struct ManifestFile at line 1 column 14");
    EXPECT_EQ(read_manifest_record("{} {}").error(), "trailing characters at line 1 column 4");
}

TEST(ManifestFormatRead, NumberBeyondADoubleIsSkippedUnderAnUnknownKeyAndRejectedInAField) {
    auto skipped = read_manifest_record(R"({"Built": 1e999, "Files": [{"Path": "a", "Size": 2, "Weight": 9e999}]})");
    ASSERT_TRUE(skipped) << skipped.error();
    EXPECT_EQ(skipped->files, (std::vector<ManifestFile>{{"a", 2, std::nullopt, false}}));

    EXPECT_EQ(read_manifest_record(R"({"Files": [{"Path": "a", "Size": 1e999}]})").error(),
              "number out of range at line 1 column 38");
    EXPECT_EQ(read_manifest_record(R"(["1", [["a", 1e999]]])").error(), "number out of range at line 1 column 18");
    EXPECT_EQ(read_manifest_file_entry(R"({"Path": "a", "OnlyIfMissing": 1e999})").error(),
              "number out of range at line 1 column 36");
}

TEST(ManifestFormatRead, SingleEntry) {
    auto entry = read_manifest_file_entry(R"({"Path": "a/b", "Size": 18446744073709551615, "Sha256": null})");
    ASSERT_TRUE(entry) << entry.error();
    EXPECT_EQ(*entry, (ManifestFile{"a/b", 18446744073709551615ULL, std::nullopt, false}));
    EXPECT_FALSE(read_manifest_file_entry(R"({"Size": 18446744073709551616})"));
}

TEST(ManifestFormatWrite, GeneratorFormOmitsAClearOnlyIfMissing) {
    UpdateManifest m;
    m.version = "202612051200";
    m.files = std::vector<ManifestFile>{
        {"Main.exe", 5, std::string(64, 'a'), false},
        {"DATA/Macro.txt", 0, "e3b0", true},
    };
    EXPECT_EQ(write_manifest(m),
              "{\n"
              "  \"Version\": \"202612051200\",\n"
              "  \"Files\": [\n"
              "    {\n"
              "      \"Path\": \"Main.exe\",\n"
              "      \"Size\": 5,\n"
              "      \"Sha256\": \"" + std::string(64, 'a') + "\"\n"
              "    },\n"
              "    {\n"
              "      \"Path\": \"DATA/Macro.txt\",\n"
              "      \"Size\": 0,\n"
              "      \"Sha256\": \"e3b0\",\n"
              "      \"OnlyIfMissing\": true\n"
              "    }\n"
              "  ]\n"
              "}");
    auto back = read_manifest_record(write_manifest(m));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, m);

    UpdateManifest empty;
    empty.version = "v";
    empty.files.emplace();
    EXPECT_EQ(write_manifest(empty), "{\n  \"Version\": \"v\",\n  \"Files\": []\n}");
}

}  // namespace
