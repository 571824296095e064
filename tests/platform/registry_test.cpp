#include "platform/registry.h"

#include <gtest/gtest.h>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qo {
namespace {
namespace fs = std::filesystem;
using test::read_file;
using test::write_file;

constexpr std::string_view kKey = "SOFTWARE\\Kalvet\\Qo2\\Config";

class RegistryStore : public ::testing::Test {
protected:
    test::TempDir config;
    test::ScopedEnv xdg{"XDG_CONFIG_HOME", config.path().string()};
    fs::path key_folder() const { return config / "QoFenro/registry/software/kalvet/qo2/config"; }

    RegistryKey open() {
        auto key = registry_open_key(kKey);
        EXPECT_TRUE(key) << (key ? "" : key.error());
        return std::move(*key);
    }
};

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST_F(RegistryStore, OpeningCreatesTheKeyAndLetterCaseNamesTheSameKey) {
    RegistryKey key = open();
    EXPECT_EQ(key.file(), key_folder() / "@values");
    EXPECT_EQ(read_file(key.file()), "QoRegistryKey 1\n");

    auto other = registry_open_key("software\\KALVET\\\\Qo2\\config\\");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->file(), key.file());
}

TEST_F(RegistryStore, ValuesKeepTheirTypeAndRawBytes) {
    RegistryKey key = open();
    ASSERT_TRUE(key.set_dword("WindowMode", 0x01020304));
    const std::vector<std::uint8_t> utf16{'E', 0, 'n', 0, 'g', 0, 0, 0};
    ASSERT_TRUE(key.set_value("LangSelection", registry_type::sz, utf16));
    ASSERT_TRUE(key.set_value("Odd", 77, bytes("\x01\xff")));

    auto info = key.query_value_info("windowmode");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->type, registry_type::dword);
    EXPECT_EQ(info->size, 4u);
    EXPECT_EQ(key.query_value_data("WINDOWMODE"), (std::vector<std::uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(key.query_value_data("LangSelection"), utf16);
    EXPECT_EQ(key.query_value_info("Odd")->type, 77u);
    EXPECT_EQ(key.query_value_info("Missing"), std::nullopt);
    EXPECT_EQ(key.query_value_data("Missing"), std::nullopt);

    EXPECT_EQ(read_file(key.file()),
              "QoRegistryKey 1\n"
              "4 WindowMode 04030201\n"
              "1 LangSelection 45006e0067000000\n"
              "77 Odd 01ff\n");
}

TEST_F(RegistryStore, ReplacingKeepsSpellingAndPlaceAndOddNamesRoundTrip) {
    RegistryKey key = open();
    ASSERT_TRUE(key.set_dword("First", 1));
    ASSERT_TRUE(key.set_dword("Second", 2));
    ASSERT_TRUE(key.set_value("FIRST", registry_type::binary, {}));
    ASSERT_TRUE(key.set_value("", registry_type::sz, std::vector<std::uint8_t>{'d', 0}));
    ASSERT_TRUE(key.set_value("with space %\n and line", registry_type::dword, bytes("abcd")));

    EXPECT_EQ(read_file(key.file()),
              "QoRegistryKey 1\n"
              "3 First \n"
              "4 Second 02000000\n"
              "1  6400\n"
              "4 with%20space%20%25%0a%20and%20line 61626364\n");
    RegistryKey again = open();
    EXPECT_EQ(again.query_value_info("first")->size, 0u);
    EXPECT_EQ(again.query_value_data(""), (std::vector<std::uint8_t>{'d', 0}));
    EXPECT_EQ(again.query_value_data("with space %\n and line"), bytes("abcd"));
}

TEST_F(RegistryStore, WritesThroughOneHandleAreSeenByAnother) {
    RegistryKey reader = open();
    RegistryKey writer = open();
    ASSERT_TRUE(writer.set_dword("Volume", 7));
    EXPECT_EQ(reader.query_value_data("Volume"), (std::vector<std::uint8_t>{7, 0, 0, 0}));
}

TEST_F(RegistryStore, ReadOnlyKeyFolderRefusesWritesAndKeepsTheKey) {
    {
        RegistryKey key = open();
        ASSERT_TRUE(key.set_dword("Kept", 5));
    }
    fs::permissions(key_folder(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    RegistryKey key = open();  // an existing key still opens
    auto refused = key.set_dword("Kept", 6);
    ASSERT_FALSE(refused);
    EXPECT_FALSE(refused.error().empty());
    EXPECT_EQ(key.query_value_data("Kept"), (std::vector<std::uint8_t>{5, 0, 0, 0}));
    EXPECT_EQ(std::distance(fs::directory_iterator(key_folder()), fs::directory_iterator()), 1);  // no leftovers

    // A key that does not exist yet cannot be created in a read-only store.
    fs::permissions(config / "QoFenro/registry", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(registry_open_key("Other\\Key"));
}

TEST_F(RegistryStore, DamagedKeyFileIsNeitherReadNorOverwritten) {
    write_file(key_folder() / "@values", "QoRegistryKey 1\n4 Fine 01000000\nnot a value line\n");
    EXPECT_FALSE(registry_open_key(kKey));
    write_file(key_folder() / "@values", "4 Fine 01000000\n");  // no header
    EXPECT_FALSE(registry_open_key(kKey));
    write_file(key_folder() / "@values", "QoRegistryKey 1\n4 Fine 0100000\n");  // odd hex
    EXPECT_FALSE(registry_open_key(kKey));
    write_file(key_folder() / "@values", "QoRegistryKey 1\n4 Fine%2 01000000\n");  // broken escape
    EXPECT_FALSE(registry_open_key(kKey));
}

TEST(RegistryStoreRoot, FallsBackToTheHomeConfigFolder) {
    test::TempDir home;
    test::ScopedEnv home_env("HOME", home.path().string());
    {
        test::ScopedEnv relative("XDG_CONFIG_HOME", "relative/folder");
        EXPECT_EQ(registry_store_root(), home / ".config/QoFenro/registry");
    }
    {
        test::ScopedEnv empty("XDG_CONFIG_HOME", "");
        EXPECT_EQ(registry_store_root(), home / ".config/QoFenro/registry");
        ASSERT_TRUE(registry_open_key("A\\B"));
        EXPECT_TRUE(fs::exists(home / ".config/QoFenro/registry/a/b/@values"));
    }
}

}  // namespace
}  // namespace qo
