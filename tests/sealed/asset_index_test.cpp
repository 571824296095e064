#include "sealed/asset_index.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"
#include "util/sha256.h"

namespace qo {
namespace {

using namespace std::string_literals;

constexpr const char* ID = "00112233445566778899aabbccddeeff";
const std::string ID_BYTES = "\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\xcc\xdd\xee\xff"s;

class AssetIndex : public ::testing::Test {
protected:
    void write_index(const std::string& bytes) { test::write_file(assets_index_path(dir.path()), bytes); }
    std::string header_error() const {
        auto result = read_assets_index_header(dir.path());
        return result ? "read" : result.error();
    }
    test::TempDir dir;
};

TEST_F(AssetIndex, HeaderNamesTheRelease) {
    write_index("KXIDX001" + ID_BYTES + "game data that follows");
    auto id = read_assets_index_header(dir.path());
    ASSERT_TRUE(id) << id.error();
    EXPECT_EQ(hex_lower(*id), ID);
    EXPECT_TRUE(check_assets_index_release(dir.path(), ID));
    EXPECT_EQ(check_assets_index_release(dir.path(), "ffeeddccbbaa99887766554433221100").error(),
              "o índice não pertence à versão assinada.");

    write_index("KXIDX001" + ID_BYTES);  // a header alone is enough
    EXPECT_EQ(header_error(), "read");
}

TEST_F(AssetIndex, MissingTruncatedAndForeignHeaders) {
    EXPECT_EQ(header_error(), "índice do cliente não encontrado.");
    EXPECT_EQ(check_assets_index_release(dir.path(), ID).error(), "índice do cliente não encontrado.");
    write_index(("KXIDX001" + ID_BYTES).substr(0, 23));
    EXPECT_EQ(header_error(), "índice do cliente truncado.");
    write_index("");
    EXPECT_EQ(header_error(), "índice do cliente truncado.");
    write_index("KXIDX002" + ID_BYTES);
    EXPECT_EQ(header_error(), "índice do cliente inválido.");
    write_index("kxidx001" + ID_BYTES + "more");
    EXPECT_EQ(header_error(), "índice do cliente inválido.");
}

}  // namespace
}  // namespace qo
