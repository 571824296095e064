#include "sealed/asset_index.h"

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "util/sha256.h"

namespace qo {

std::filesystem::path assets_index_path(const std::filesystem::path& release_folder) {
    return release_folder / "Assets" / "assets.idx";
}

std::expected<ReleaseIdBytes, std::string> read_assets_index_header(const std::filesystem::path& release_folder) {
    const auto head = read_file_head(assets_index_path(release_folder), ASSETS_INDEX_HEADER_SIZE, FinalLink::refuse);
    if (!head) return std::unexpected("índice do cliente não encontrado.");
    if (head->size() != ASSETS_INDEX_HEADER_SIZE) return std::unexpected("índice do cliente truncado.");
    std::array<std::uint8_t, ASSETS_INDEX_HEADER_SIZE> header{};
    std::memcpy(header.data(), head->data(), header.size());
    if (std::memcmp(header.data(), ASSETS_INDEX_MAGIC.data(), ASSETS_INDEX_MAGIC.size()) != 0)
        return std::unexpected("índice do cliente inválido.");
    ReleaseIdBytes id{};
    std::memcpy(id.data(), header.data() + ASSETS_INDEX_MAGIC.size(), id.size());
    return id;
}

std::expected<void, std::string> check_assets_index_release(const std::filesystem::path& release_folder,
                                                            std::string_view release_id) {
    auto id = read_assets_index_header(release_folder);
    if (!id) return std::unexpected(std::move(id.error()));
    if (hex_lower(*id) != release_id) return std::unexpected("o índice não pertence à versão assinada.");
    return {};
}

}  // namespace qo
