// The release builder shared by the tests and the release tool: what it publishes must be exactly what the
// launcher accepts.
#include "release/publisher.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "sealed/asset_index.h"
#include "sealed/release_list.h"
#include "sealed/signature.h"
#include "support/release_builder.h"
#include "support/temp_dir.h"
#include "support/test_keys.h"

namespace qo {
namespace {

namespace fs = std::filesystem;
using test::test_release_key;

TEST(ReleaseBuilder, InstalledReleasePassesEveryLauncherCheck) {
    auto client = test::sample_client();
    test::set_client_file(client, "Assets/copy-of-stone.png", "stone texture a");  // same content: one blob
    auto release = test::build_test_release(client);
    auto list = parse_signed_release_list(release.list_bytes, test_release_key());
    ASSERT_TRUE(list) << list.error();
    EXPECT_EQ(list->entries.size(), 11u + 4u + 3u);

    test::TempDir dir;
    ASSERT_TRUE(release::write_release_folder(release, dir.path()));
    EXPECT_EQ(test::read_file(dir / "release.kxm"), release.list_bytes);
    EXPECT_TRUE(check_assets_index_release(dir.path(), release.release_id));
    EXPECT_TRUE(verify_detached_signature(test_release_key(), dir / "Main.exe"));
    EXPECT_TRUE(verify_detached_signature(test_release_key(), dir / "Assets/assets.idx"));
    for (const ReleaseEntry& entry : list->entries) {
        EXPECT_EQ(sha256_file_hex(dir / entry.path), entry.sha256) << entry.path;
        if (is_blob_path(entry.path)) {
            EXPECT_EQ(entry.path, "Assets/" + entry.sha256 + ".kxd");
        }
    }
    // The index keeps the client's own index body after its header.
    EXPECT_TRUE(test::read_file(dir / "Assets/assets.idx").ends_with("index body a\n"));
}

TEST(ReleaseBuilder, IdentifierIsGivenOrDerivedFromTheContents) {
    auto a = test::build_test_release(test::sample_client("a"));
    EXPECT_EQ(test::build_test_release(test::sample_client("a")).release_id, a.release_id);
    EXPECT_NE(test::build_test_release(test::sample_client("b")).release_id, a.release_id);
    const std::string id = "00112233445566778899aabbccddeeff";
    EXPECT_EQ(test::build_test_release(test::sample_client("a"), id).release_id, id);
    EXPECT_FALSE(release::build_release(test::sample_client(), test::test_signing_key(),
                                        {.release_id = "00112233445566778899AABBCCDDEEFF"}));
}

TEST(ReleaseBuilder, PublishedTreeIsLaidOutAsTheServerServesIt) {
    auto release = test::build_test_release(test::sample_client());
    test::TempDir server;
    test::publish_test_release(release, server.path());
    EXPECT_EQ(test::read_file(server / "client/current.kxm"), release.list_bytes);
    for (const auto& file : release.files)
        EXPECT_EQ(test::read_file(server / ("client/releases/" + release.release_id + "/" + file.path)), file.bytes)
            << file.path;

    // A client tree read back from disk builds the same release.
    test::TempDir tree;
    for (const auto& file : test::sample_client()) test::write_file(tree / file.path, file.bytes);
    auto read = release::read_client_tree(tree.path());
    ASSERT_TRUE(read) << read.error();
    auto rebuilt = release::build_release(*read, test::test_signing_key());
    ASSERT_TRUE(rebuilt) << rebuilt.error();
    EXPECT_EQ(rebuilt->release_id, release.release_id);
    EXPECT_EQ(rebuilt->list_bytes, release.list_bytes);
}

}  // namespace
}  // namespace qo
