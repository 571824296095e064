#include "sealed/release_list.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <string>
#include <vector>

#include "support/release_builder.h"
#include "support/test_keys.h"

namespace qo {
namespace {

using test::sign_with_test_key;
using test::test_release_key;

constexpr const char* BAD_SIGNATURE = "a lista de atualização não tem uma assinatura válida.";
constexpr const char* INVALID_LIST = "lista de atualização inválida.";
constexpr const char* INVALID_ENTRY = "entrada inválida na lista de atualização.";
constexpr const char* INCOMPLETE = "lista de atualização incompleta.";
constexpr const char* ID = "0123456789abcdef0123456789abcdef";
const std::string HEX64(64, 'a');

// The entry lines of a complete release: every core and user file and one blob.
std::vector<std::string> complete_entry_lines() {
    std::vector<std::string> lines;
    for (std::string_view name : CORE_FILE_NAMES) lines.push_back(fmt::format("10 {} {}", HEX64, name));
    for (std::string_view name : USER_FILE_PATHS) lines.push_back(fmt::format("20 {} {}", HEX64, name));
    lines.push_back(fmt::format("30 {} Assets/{}.kxd", HEX64, std::string(64, 'b')));
    return lines;
}

std::string body_of(const std::vector<std::string>& lines, std::string_view id = ID) {
    std::string body = fmt::format("KXWEB001\n{}\n", id);
    for (const std::string& line : lines) body += line + '\n';
    return body;
}

std::expected<ReleaseList, std::string> parse(std::string_view bytes) {
    return parse_signed_release_list(bytes, test_release_key());
}

std::string parse_error(const std::vector<std::string>& lines) {
    auto result = parse(sign_with_test_key(body_of(lines)));
    return result ? "parsed" : result.error();
}

std::vector<std::string> with_line(std::vector<std::string> lines, std::size_t at, std::string line) {
    lines[at] = std::move(line);
    return lines;
}

TEST(ReleaseList, BuiltReleaseParsesIntoItsEntries) {
    auto release = test::build_test_release(test::sample_client());
    auto list = parse(release.list_bytes);
    ASSERT_TRUE(list) << list.error();
    EXPECT_EQ(list->release_id, release.release_id);
    ASSERT_EQ(list->entries.size(), release.files.size());
    for (std::size_t i = 0; i < list->entries.size(); ++i) {
        const ReleaseEntry& entry = list->entries[i];
        EXPECT_EQ(entry.path, release.files[i].path);
        EXPECT_EQ(entry.size, release.files[i].bytes.size());
        EXPECT_EQ(entry.sha256, hex_lower(sha256_bytes(release.files[i].bytes)));
    }
    EXPECT_TRUE(has_blob_entry(list->entries));
}

TEST(ReleaseList, SizeBoundsComeBeforeAnyOtherCheck) {
    // Too short or too long: the signature error, whatever the bytes are.
    EXPECT_EQ(parse(std::string(335, 'x')).error(), BAD_SIGNATURE);
    std::string huge_body(RELEASE_LIST_MAX_SIZE + 1 - SIGNATURE_SIZE, 'x');
    EXPECT_EQ(parse(sign_with_test_key(huge_body)).error(), BAD_SIGNATURE);
    // Exactly at either bound a correctly signed file passes the size and signature checks and fails later.
    EXPECT_EQ(parse(sign_with_test_key(std::string(RELEASE_LIST_MIN_SIZE - SIGNATURE_SIZE, 'x'))).error(), INVALID_LIST);
    EXPECT_EQ(parse(sign_with_test_key(std::string(RELEASE_LIST_MAX_SIZE - SIGNATURE_SIZE, 'x'))).error(), INVALID_LIST);
}

TEST(ReleaseList, SignatureFailures) {
    const std::string good = sign_with_test_key(body_of(complete_entry_lines()));
    ASSERT_TRUE(parse(good));

    std::string body_changed = good;
    body_changed[20] ^= 0x01;
    EXPECT_EQ(parse(body_changed).error(), BAD_SIGNATURE);

    std::string signature_changed = good;
    signature_changed[good.size() - 100] ^= 0x01;
    EXPECT_EQ(parse(signature_changed).error(), BAD_SIGNATURE);

    std::string body = body_of(complete_entry_lines());
    EXPECT_EQ(parse(release::sign_list(body, test::foreign_signing_key())).error(), BAD_SIGNATURE);

    // A signature with its byte order reversed (least significant byte first) is not accepted.
    std::string reversed = good;
    std::reverse(reversed.end() - SIGNATURE_SIZE, reversed.end());
    EXPECT_EQ(parse(reversed).error(), BAD_SIGNATURE);
}

TEST(ReleaseList, BodyMustBeSevenBitAsciiWithLfLineEnds) {
    const std::string body = body_of(complete_entry_lines());
    for (char high : {'\x80', '\xff'}) {
        std::string with_high = body;
        with_high[body.size() - 2] = high;  // inside the last path
        EXPECT_EQ(parse(sign_with_test_key(with_high)).error(), INVALID_LIST);
    }
    std::string crlf_magic = "KXWEB001\r" + body.substr(8);
    EXPECT_EQ(parse(sign_with_test_key(crlf_magic)).error(), INVALID_LIST);
    std::string crlf_id = body;
    crlf_id.insert(9 + 32, "\r");
    EXPECT_EQ(parse(sign_with_test_key(crlf_id)).error(), INVALID_LIST);
    // On an entry line the CR becomes part of the path, which no allow-list admits.
    std::string crlf_entry = body;
    crlf_entry.insert(crlf_entry.size() - 1, "\r");
    EXPECT_EQ(parse(sign_with_test_key(crlf_entry)).error(), INVALID_ENTRY);
    // A last line without its LF is invalid even though everything else is right.
    EXPECT_EQ(parse(sign_with_test_key(body.substr(0, body.size() - 1))).error(), INVALID_LIST);
}

TEST(ReleaseList, HeaderLinesAndLineCount) {
    auto lines = complete_entry_lines();
    EXPECT_EQ(parse(sign_with_test_key("KXWEB002" + body_of(lines).substr(8))).error(), INVALID_LIST);
    EXPECT_EQ(parse(sign_with_test_key(body_of(lines, "0123456789ABCDEF0123456789abcdef"))).error(), INVALID_LIST);
    EXPECT_EQ(parse(sign_with_test_key(body_of(lines, "0123456789abcdef0123456789abcde"))).error(), INVALID_LIST);
    // Fewer than 15 entry lines is a format error, before any entry is looked at.
    std::vector<std::string> fourteen(14, "not an entry");
    EXPECT_EQ(parse(sign_with_test_key(body_of(fourteen))).error(), INVALID_LIST);
    std::vector<std::string> fifteen(15, "not an entry");
    EXPECT_EQ(parse(sign_with_test_key(body_of(fifteen))).error(), INVALID_ENTRY);
}

TEST(ReleaseList, SizeFieldForms) {
    auto lines = complete_entry_lines();
    const std::string path = "Main.exe";
    auto entry = [&](std::string size) { return fmt::format("{} {} {}", size, HEX64, path); };
    for (const char* bad : {"+5", "-5", "", "5a", "71303169", "18446744073709551616", "99999999999999999999999"})
        EXPECT_EQ(parse_error(with_line(lines, 0, entry(bad))), INVALID_ENTRY) << "size " << bad;
    EXPECT_EQ(parse_error(with_line(lines, 0, fmt::format("05  {} {}", HEX64, path))), INVALID_ENTRY);
    EXPECT_EQ(parse_error(with_line(lines, 0, fmt::format("5\t{} {}", HEX64, path))), INVALID_ENTRY);

    auto list = parse(sign_with_test_key(body_of(with_line(lines, 0, entry("00012")))));
    ASSERT_TRUE(list) << list.error();
    EXPECT_EQ(list->entries[0].size, 12u);
    list = parse(sign_with_test_key(body_of(with_line(lines, 0, entry("71303168")))));
    ASSERT_TRUE(list) << list.error();
    EXPECT_EQ(list->entries[0].size, RELEASE_ENTRY_MAX_SIZE);
}

TEST(ReleaseList, DigestAndPathForms) {
    auto lines = complete_entry_lines();
    const std::string upper_hex(64, 'A');
    EXPECT_EQ(parse_error(with_line(lines, 0, fmt::format("1 {} Main.exe", upper_hex))), INVALID_ENTRY);
    EXPECT_EQ(parse_error(with_line(lines, 0, fmt::format("1 {} Main.exe", std::string(63, 'a')))), INVALID_ENTRY);
    EXPECT_EQ(parse_error(with_line(lines, 0, fmt::format("1 {} Main.exe", std::string(65, 'a')))), INVALID_ENTRY);

    const std::size_t blob = lines.size() - 1;
    const std::string hex(64, 'c');
    for (const std::string& bad_blob : std::vector<std::string>{"assets/" + hex + ".kxd", "Assets/" + upper_hex + ".kxd", "Assets/" + hex + ".KXD",
                                        "Assets/" + hex.substr(1) + ".kxd", "Assets/sub/" + hex + ".kxd",
                                        "Data/Other.txt", "../Main.exe", "Main.exe/"})
        EXPECT_EQ(parse_error(with_line(lines, blob, fmt::format("1 {} {}", HEX64, bad_blob))), INVALID_ENTRY)
            << bad_blob;

    // Core and user names are matched without regard to case and kept as written.
    auto list = parse(sign_with_test_key(body_of(with_line(with_line(lines, 0, fmt::format("1 {} MAIN.EXE", HEX64)),
                                                           13, fmt::format("1 {} data/macro.TXT", HEX64)))));
    ASSERT_TRUE(list) << list.error();
    EXPECT_EQ(list->entries[0].path, "MAIN.EXE");
    EXPECT_EQ(list->entries[13].path, "data/macro.TXT");
}

TEST(ReleaseList, DuplicatePathsUnderCaseFolding) {
    auto lines = complete_entry_lines();
    lines.push_back(fmt::format("1 {} main.exe", HEX64));
    EXPECT_EQ(parse_error(lines), INVALID_ENTRY);
    lines = complete_entry_lines();
    lines.push_back(lines.back());  // the same blob twice
    EXPECT_EQ(parse_error(lines), INVALID_ENTRY);
}

TEST(ReleaseList, CompletenessNeedsEveryCoreAndUserFileAndABlob) {
    auto lines = complete_entry_lines();
    auto without_blob = lines;
    without_blob.pop_back();
    ASSERT_EQ(without_blob.size(), 15u);
    EXPECT_EQ(parse_error(without_blob), INCOMPLETE);

    for (std::size_t drop : {std::size_t{0}, std::size_t{10}, std::size_t{13}}) {
        auto missing = lines;
        missing[drop] = fmt::format("1 {} Assets/{}.kxd", HEX64, std::string(64, 'd'));
        EXPECT_EQ(parse_error(missing), INCOMPLETE) << "without " << lines[drop];
    }
    // An entry error wins over incompleteness: the entries are read before the list is judged whole.
    auto bad_and_incomplete = without_blob;
    bad_and_incomplete[3] = "x y z";
    EXPECT_EQ(parse_error(bad_and_incomplete), INVALID_ENTRY);
}

TEST(ReleaseList, AtMostThirtyThousandEntries) {
    auto lines = complete_entry_lines();
    std::size_t blob_index = 0;
    while (lines.size() < RELEASE_MAX_ENTRIES)
        lines.push_back(fmt::format("1 {} Assets/{:064x}.kxd", HEX64, blob_index++));
    auto list = parse(sign_with_test_key(body_of(lines)));
    ASSERT_TRUE(list) << list.error();
    EXPECT_EQ(list->entries.size(), RELEASE_MAX_ENTRIES);

    lines.push_back(fmt::format("1 {} Assets/{:064x}.kxd", HEX64, blob_index++));
    EXPECT_EQ(parse_error(lines), INCOMPLETE);
}

TEST(ReleaseList, AllowListTests) {
    EXPECT_TRUE(is_core_file_name("assets/ASSETS.IDX.sig"));
    EXPECT_FALSE(is_core_file_name("Assets\\assets.idx"));
    EXPECT_TRUE(is_user_file_path("DATA/CUSTOM/CONFIG.INI"));
    EXPECT_FALSE(is_user_file_path("Data/Custom/config.ini "));
    EXPECT_TRUE(is_blob_path("Assets/" + std::string(64, '0') + ".kxd"));
    EXPECT_FALSE(is_blob_path("Assets/" + std::string(64, 'g') + ".kxd"));
    EXPECT_EQ(release_path_key("Data/Custom/CONFIG.ini"), "data/custom/config.ini");
    EXPECT_FALSE(has_blob_entry(std::vector<ReleaseEntry>{{1, "Main.exe", HEX64}}));
}

}  // namespace
}  // namespace qo
