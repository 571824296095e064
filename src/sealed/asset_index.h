#pragma once
// The header of the client's asset index ("Assets/assets.idx" in a release folder): the magic "KXIDX001" and the
// release identifier as 16 raw bytes. The rest of the file belongs to the game.
#include <array>
#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

namespace qo {

inline constexpr std::string_view ASSETS_INDEX_MAGIC = "KXIDX001";
inline constexpr std::size_t ASSETS_INDEX_HEADER_SIZE = 24;

using ReleaseIdBytes = std::array<std::uint8_t, 16>;

// The index file of a release folder.
std::filesystem::path assets_index_path(const std::filesystem::path& release_folder);

// The 16 identifier bytes of the index header of `release_folder`, or a ready-to-show error.
std::expected<ReleaseIdBytes, std::string> read_assets_index_header(const std::filesystem::path& release_folder);

// Succeeds when the index of `release_folder` has a valid header naming `release_id` (32 lowercase hex digits);
// otherwise the header's own error or "o índice não pertence à versão assinada.".
std::expected<void, std::string> check_assets_index_release(const std::filesystem::path& release_folder,
                                                            std::string_view release_id);

}  // namespace qo
