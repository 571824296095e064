#include "sealed/asset_index.h"

#include <cstdio>
#include <cstring>

#include "util/sha256.h"

namespace qo {

std::filesystem::path assets_index_path(const std::filesystem::path& release_folder) {
    return release_folder / "Assets" / "assets.idx";
}

std::expected<ReleaseIdBytes, std::string> read_assets_index_header(const std::filesystem::path& release_folder) {
    std::FILE* in = std::fopen(assets_index_path(release_folder).c_str(), "rbe");  // "e": close-on-exec
    if (!in) return std::unexpected("índice do cliente não encontrado.");
    // fread repeats short reads until the count is reached, the file ends or an error occurs.
    std::array<std::uint8_t, ASSETS_INDEX_HEADER_SIZE> header{};
    std::size_t got = std::fread(header.data(), 1, header.size(), in);
    std::fclose(in);
    if (got != header.size()) return std::unexpected("índice do cliente truncado.");
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
