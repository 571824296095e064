#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "util/json_record.h"

namespace {

struct Item {
    std::optional<std::string> name;
    std::uint64_t count = 0;
    bool on = false;
    bool operator==(const Item&) const = default;
};

struct Doc {
    std::optional<std::string> title;
    bool flag = false;
    std::uint64_t size = 0;
    std::optional<std::vector<Item>> items;
    std::optional<Item> main;
    bool operator==(const Doc&) const = default;
};

}  // namespace

namespace qo::json {
template <>
struct RecordTraits<Item> {
    static const RecordType& type() {
        static const RecordType t{"Item",
                                  {text<&Item::name>("Name"), size<&Item::count>("Count"),
                                   flag<&Item::on>("On", FlagWrite::omit_when_false)}};
        return t;
    }
};
template <>
struct RecordTraits<Doc> {
    static const RecordType& type() {
        static const RecordType t{"Doc",
                                  {text<&Doc::title>("Title"), flag<&Doc::flag>("Flag"), size<&Doc::size>("Size"),
                                   record_list<&Doc::items>("Items"), record<&Doc::main>("Main")}};
        return t;
    }
};
}  // namespace qo::json

namespace {

using qo::json::read_record;

std::string error_of(std::string_view text, qo::json::ReadOptions options = {}) {
    auto r = read_record<Doc>(text, options);
    return r ? std::string("<no error>") : r.error();
}

std::string nested_arrays(int levels) { return std::string(levels, '[') + std::string(levels, ']'); }

TEST(JsonRecordRead, ObjectFormFillsEveryKindOfField) {
    auto doc = read_record<Doc>(R"({"Title": "t\u00e9\n", "Flag": true, "Size": 18446744073709551615,
        "Items": [{"Name": "a", "Count": 2, "On": true}, ["b", 3]], "Main": {"Name": null}})");
    ASSERT_TRUE(doc) << doc.error();
    EXPECT_EQ(doc->title, "té\n");
    EXPECT_TRUE(doc->flag);
    EXPECT_EQ(doc->size, 18446744073709551615ULL);
    ASSERT_TRUE(doc->items);
    EXPECT_EQ(*doc->items, (std::vector<Item>{{"a", 2, true}, {"b", 3, false}}));
    ASSERT_TRUE(doc->main);
    EXPECT_EQ(*doc->main, Item{});
}

TEST(JsonRecordRead, AbsentAndNullLeaveFieldsAbsent) {
    auto empty = read_record<Doc>("{}");
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, Doc{});

    auto nulls = read_record<Doc>(R"({"Title": null, "Items": null, "Main": null})");
    ASSERT_TRUE(nulls) << nulls.error();
    EXPECT_EQ(*nulls, Doc{});

    auto empty_list = read_record<Doc>(R"({"Items": []})");
    ASSERT_TRUE(empty_list);
    ASSERT_TRUE(empty_list->items);
    EXPECT_TRUE(empty_list->items->empty());
}

TEST(JsonRecordRead, KeysAreCaseSensitiveAndUnknownKeysAreSkippedWhateverTheirValue) {
    auto doc = read_record<Doc>(R"({"title": 5, "Extra": {"Title": [1, {"x": null}], "Title": 2}, "Extra": true,
        "Items": [{"Name": "n", "Unknown": [[[]]]}], "Title": "kept"})");
    ASSERT_TRUE(doc) << doc.error();
    EXPECT_EQ(doc->title, "kept");
    ASSERT_TRUE(doc->items);
    EXPECT_EQ((*doc->items)[0].name, "n");
}

// Numbers beyond the range of a double: skipped like any value under an unknown key, the reader's own error in a
// declared field.
TEST(JsonRecordRead, NumbersOutOfRangeAreSkippedUnderUnknownKeysAndRejectedInFields) {
    const std::string huge_integer(400, '9');
    for (const std::string& skipped : {std::string(R"({"Extra": 1e999, "Title": "kept"})"),
                                       std::string(R"({"Extra": [-1E+400, {"x": 1.5e309}], "Title": "kept"})"),
                                       R"({"Title": "kept", "Extra": )" + huge_integer + "}",
                                       std::string(R"({"Items": [{"More": 1e999}], "Title": "kept", "Main": {"M": 1e999}})"),
                                       std::string(R"({"Title": "kept", "Tiny": 1e-999, "Zero": 0e999})")}) {
        auto doc = read_record<Doc>(skipped);
        ASSERT_TRUE(doc) << skipped << " -> " << doc.error();
        EXPECT_EQ(doc->title, "kept") << skipped;
    }
    struct Case {
        const char* text;
        const char* error;
    };
    for (auto [text, error] : {
             Case{R"({"Size": 1e999})", "number out of range at line 1 column 14"},
             Case{R"({"Flag": -1e999})", "number out of range at line 1 column 15"},
             Case{"{\"Title\":\n 2E400}", "number out of range at line 2 column 6"},
             Case{R"({"Items": [{"Count": 1e999}]})", "number out of range at line 1 column 26"},
             Case{R"({"Items": [1e999]})", "number out of range at line 1 column 16"},
             Case{R"(["t", true, 1e999])", "number out of range at line 1 column 17"},
             Case{"1e999", "number out of range at line 1 column 5"},
         }) {
        EXPECT_EQ(error_of(text), error) << text;
    }
}

TEST(JsonRecordRead, ArrayFormFillsFieldsInDeclaredOrder) {
    auto doc = read_record<Doc>(R"(["t", true, 7, [["a"]], ["m", 1, true]])");
    ASSERT_TRUE(doc) << doc.error();
    EXPECT_EQ(doc->title, "t");
    EXPECT_TRUE(doc->flag);
    EXPECT_EQ(doc->size, 7u);
    EXPECT_EQ(*doc->items, (std::vector<Item>{Item{"a", 0, false}}));
    EXPECT_EQ(doc->main, (Item{"m", 1, true}));

    auto short_form = read_record<Doc>(R"(["only"])");
    ASSERT_TRUE(short_form);
    EXPECT_EQ(short_form->title, "only");
    EXPECT_FALSE(short_form->flag);
    EXPECT_FALSE(short_form->items);

    EXPECT_EQ(error_of(R"(["t", true, 7, null, null, "extra"])"),
              "invalid length 6, expected fewer elements in array at line 1 column 34");
    EXPECT_EQ(error_of(R"({"Main": ["n", 1, false, 0]})"),
              "invalid length 4, expected fewer elements in array at line 1 column 26");
}

TEST(JsonRecordRead, DuplicateDeclaredKeyIsAnErrorAtAnyLevel) {
    EXPECT_EQ(error_of(R"({"Title": "a", "Title": "b"})"), "duplicate field `Title` at line 1 column 22");
    // A first null still counts as given.
    EXPECT_EQ(error_of("{\"Items\": null,\n \"Items\": []}"), "duplicate field `Items` at line 2 column 8");
    EXPECT_EQ(error_of(R"({"Items": [{"Name": "a", "Count": 1, "Count": 1}]})"),
              "duplicate field `Count` at line 1 column 44");
    EXPECT_EQ(error_of(R"({"Main": {"On": true, "On": true}})"), "duplicate field `On` at line 1 column 26");
}

TEST(JsonRecordRead, FlagsAndSizesAreStrict) {
    EXPECT_EQ(error_of(R"({"Flag": null})"), "invalid type: null, expected a boolean at line 1 column 13");
    EXPECT_EQ(error_of(R"({"Flag": 1})"), "invalid type: integer `1`, expected a boolean at line 1 column 10");
    EXPECT_EQ(error_of(R"({"Flag": "true"})"),
              "invalid type: string \"true\", expected a boolean at line 1 column 15");
    EXPECT_EQ(error_of(R"({"Size": null})"), "invalid type: null, expected u64 at line 1 column 13");
    EXPECT_EQ(error_of(R"({"Size": -1})"), "invalid value: integer `-1`, expected u64 at line 1 column 11");
    EXPECT_EQ(error_of(R"({"Size": 1.5})"), "invalid type: floating point `1.5`, expected u64 at line 1 column 12");
    EXPECT_EQ(error_of(R"({"Size": 1e3})"), "invalid type: floating point `1e3`, expected u64 at line 1 column 12");
    EXPECT_EQ(error_of(R"({"Size": 18446744073709551616})"),
              "invalid type: floating point `18446744073709551616`, expected u64 at line 1 column 29");
    EXPECT_EQ(error_of(R"({"Size": "5"})"), "invalid type: string \"5\", expected u64 at line 1 column 12");
    EXPECT_EQ(read_record<Doc>(R"({"Size": -0})").value().size, 0u);
}

TEST(JsonRecordRead, WrongTypesNameWhatWasExpected) {
    EXPECT_EQ(error_of(R"("x")"), "invalid type: string \"x\", expected struct Doc at line 1 column 3");
    EXPECT_EQ(error_of("null"), "invalid type: null, expected struct Doc at line 1 column 4");
    EXPECT_EQ(error_of(R"({"Main": "x"})"), "invalid type: string \"x\", expected struct Item at line 1 column 12");
    EXPECT_EQ(error_of(R"({"Items": [null]})"), "invalid type: null, expected struct Item at line 1 column 15");
    EXPECT_EQ(error_of(R"({"Items": {}})"), "invalid type: map, expected a sequence at line 1 column 11");
    EXPECT_EQ(error_of(R"({"Title": 5})"), "invalid type: integer `5`, expected a string at line 1 column 11");
    EXPECT_EQ(error_of(R"({"Title": []})"), "invalid type: sequence, expected a string at line 1 column 11");
}

TEST(JsonRecordRead, SyntaxProblemsRejectTheDocument) {
    EXPECT_EQ(error_of(""), "EOF while parsing a value at line 1 column 0");
    EXPECT_EQ(error_of("  \n "), "EOF while parsing a value at line 2 column 1");
    EXPECT_EQ(error_of(R"({"Title": "a")"), "EOF while parsing an object at line 1 column 13");
    EXPECT_EQ(error_of(R"({"Items": [{"Name": "a"},)"), "EOF while parsing a list at line 1 column 25");
    EXPECT_EQ(error_of(R"({"Skipped": {"a": 1)"), "EOF while parsing an object at line 1 column 19");
    EXPECT_EQ(error_of("{} x"), "trailing characters at line 1 column 4");
    EXPECT_EQ(error_of("{}\n\n  }"), "trailing characters at line 3 column 3");
    EXPECT_EQ(error_of("[] []"), "trailing characters at line 1 column 4");
    EXPECT_TRUE(read_record<Doc>(" \t{}\r\n ").has_value());
    // Comments and single quotes are not JSON.
    EXPECT_NE(error_of("{} // c"), "<no error>");
    EXPECT_NE(error_of("{'Title': 'a'}"), "<no error>");
}

TEST(JsonRecordRead, StringsMustBeValidUtf8EvenWhenSkipped) {
    EXPECT_NE(error_of("{\"Title\": \"a\xff\"}"), "<no error>");
    EXPECT_NE(error_of("{\"Other\": \"\xc3\x28\"}"), "<no error>");
    EXPECT_NE(error_of("{\"Title\": \"\xed\xa0\x80\"}"), "<no error>");  // an encoded surrogate
    auto ok = read_record<Doc>("{\"Title\": \"\xf0\x9f\x98\x80\"}");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->title, "\xf0\x9f\x98\x80");
}

TEST(JsonRecordRead, NestingIsLimitedTo127LevelsCountingSkippedValues) {
    // The root object is the first level.
    EXPECT_TRUE(read_record<Doc>("{\"X\": " + nested_arrays(126) + "}").has_value());
    EXPECT_EQ(error_of("{\"X\": " + nested_arrays(127) + "}"), "recursion limit exceeded at line 1 column 133");
    EXPECT_TRUE(read_record<Doc>(nested_arrays(1)).has_value());
    EXPECT_NE(error_of("{\"X\": " + nested_arrays(100000) + "}"), "<no error>");
}

TEST(JsonRecordRead, ByteOrderMarkOnlyWhenAskedFor) {
    const std::string with_bom = "\xEF\xBB\xBF{\"Title\": \"b\"}";
    auto skipped = read_record<Doc>(with_bom, {.skip_utf8_bom = true});
    ASSERT_TRUE(skipped);
    EXPECT_EQ(skipped->title, "b");
    EXPECT_EQ(error_of(with_bom), "expected value at line 1 column 1");
    EXPECT_EQ(error_of("\xEF\xBB\xBF" + with_bom, {.skip_utf8_bom = true}), "expected value at line 1 column 1");
}

TEST(JsonRecordRead, EveryErrorEndsWithItsPosition) {
    const std::regex position(".* at line [0-9]+ column [0-9]+$");
    for (const char* bad : {"", "{", "[", "{\"Title\":}", "{\"Title\" 1}", "tru", "{\"Flag\": nul}", "{,}",
                            "{\"Items\": [1]}", "[1]", "{\"Size\": 01}", "\"\\x\"", "{} {}", "{\"a\":\"\x80\"}"}) {
        const std::string message = error_of(bad);
        EXPECT_TRUE(std::regex_match(message, position)) << bad << " -> " << message;
    }
}

TEST(JsonRecordWrite, PrettyFormWithNullsEmptyListsAndNestedRecords) {
    Doc doc;
    doc.title = "a\"b\\c/d\x01\té";
    doc.size = 42;
    doc.items = std::vector<Item>{{"x", 1, true}, {std::nullopt, 0, false}};
    EXPECT_EQ(qo::json::write_record(doc),
              "{\n"
              "  \"Title\": \"a\\\"b\\\\c/d\\u0001\\té\",\n"
              "  \"Flag\": false,\n"
              "  \"Size\": 42,\n"
              "  \"Items\": [\n"
              "    {\n"
              "      \"Name\": \"x\",\n"
              "      \"Count\": 1,\n"
              "      \"On\": true\n"
              "    },\n"
              "    {\n"
              "      \"Name\": null,\n"
              "      \"Count\": 0\n"
              "    }\n"
              "  ],\n"
              "  \"Main\": null\n"
              "}");

    Doc empty_list;
    empty_list.items.emplace();
    empty_list.main = Item{"m", 2, false};
    EXPECT_EQ(qo::json::write_record(empty_list),
              "{\n  \"Title\": null,\n  \"Flag\": false,\n  \"Size\": 0,\n  \"Items\": [],\n"
              "  \"Main\": {\n    \"Name\": \"m\",\n    \"Count\": 2\n  }\n}");
}

TEST(JsonRecordWrite, WrittenDocumentsReadBackEqual) {
    Doc doc;
    doc.title = std::string("nul\0and \x7f ok", 12);
    doc.flag = true;
    doc.size = 18446744073709551615ULL;
    doc.items = std::vector<Item>{{"\u00b7", 3, true}};
    doc.main = Item{};
    auto back = read_record<Doc>(qo::json::write_record(doc));
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(*back, doc);
}

TEST(JsonRecordWrite, InvalidUtf8IsRepairedSoTheOutputStaysReadable) {
    Doc doc;
    doc.title = "a\xff";
    auto back = read_record<Doc>(qo::json::write_record(doc));
    ASSERT_TRUE(back) << back.error();
    EXPECT_EQ(back->title, "a\xEF\xBF\xBD");
}

}  // namespace
