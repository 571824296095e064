#pragma once
// The game's list of screen resolutions (Data/Resolutions.xml of a release folder): one <Resolution> element per
// choice, with its "index" (what the game stores) and an optional "name" (what the player reads).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qo {

struct GameResolution {
    std::int32_t index = 0;
    std::string label;  // the "name" attribute, or the index in decimal when there is none

    bool operator==(const GameResolution&) const = default;
};

// A longer Resolutions.xml is not read (as one that cannot be read).
inline constexpr std::size_t RESOLUTIONS_XML_MAX_SIZE = 8 << 20;

// <game folder>/Data/Resolutions.xml
std::filesystem::path resolutions_xml_path(const std::filesystem::path& game_folder);

// The <Resolution> tags of the text in index order (equal indices keep their order in the text). A tag counts
// only when white space or '/' follows the element name and its "index" attribute, trimmed, is a signed 32-bit
// decimal; other tags are skipped.
std::vector<GameResolution> parse_resolutions_xml(std::string_view text);

// The resolutions of the game folder's Resolutions.xml (invalid UTF-8 read as U+FFFD); empty when the file
// cannot be read or lists none.
std::vector<GameResolution> load_game_resolutions(const std::filesystem::path& game_folder);

}  // namespace qo
