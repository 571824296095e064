#include "settings/resolutions_xml.h"

#include <algorithm>
#include <optional>

#include "platform/files.h"
#include "settings/xml_attribute.h"
#include "util/text.h"
#include "util/utf16.h"
#include "util/utf8_decode.h"

namespace qo {
namespace {

constexpr std::string_view TAG_START = "<Resolution";

// The element name ends at white space or '/'; anything else makes it a longer name ("<ResolutionList").
bool ends_element_name(std::string_view text, std::size_t pos) {
    if (pos >= text.size()) return false;
    if (text[pos] == '/') return true;
    return is_unicode_white_space(decode_utf8_at(text, pos).code_point);
}

// The attribute's value with Unicode white space trimmed away.
std::optional<std::string> trimmed_attribute(std::string_view tag, std::string_view name) {
    std::optional<std::string> value = xml_attribute_value(tag, name);
    if (!value) return std::nullopt;
    return std::string(trim_white_space(*value));
}

std::optional<GameResolution> read_resolution_tag(std::string_view tag) {
    const std::optional<std::string> index_text = trimmed_attribute(tag, "index");
    if (!index_text) return std::nullopt;
    const std::optional<std::int32_t> index = parse_decimal_i32(*index_text);
    if (!index) return std::nullopt;
    std::optional<std::string> name = trimmed_attribute(tag, "name");
    return GameResolution{*index, name ? std::move(*name) : std::to_string(*index)};
}

}  // namespace

std::filesystem::path resolutions_xml_path(const std::filesystem::path& game_folder) {
    return game_folder / "Data" / "Resolutions.xml";
}

std::vector<GameResolution> parse_resolutions_xml(std::string_view text) {
    std::vector<GameResolution> resolutions;
    std::size_t pos = 0;
    while ((pos = text.find(TAG_START, pos)) != std::string_view::npos) {
        const std::size_t attributes = pos + TAG_START.size();
        pos = attributes;
        if (!ends_element_name(text, attributes)) continue;
        const std::size_t end = text.find('>', attributes);
        if (end == std::string_view::npos) break;  // a tag that never closes
        if (auto resolution = read_resolution_tag(text.substr(attributes, end - attributes)))
            resolutions.push_back(std::move(*resolution));
        pos = end + 1;
    }
    std::stable_sort(resolutions.begin(), resolutions.end(),
                     [](const GameResolution& a, const GameResolution& b) { return a.index < b.index; });
    return resolutions;
}

std::vector<GameResolution> load_game_resolutions(const std::filesystem::path& game_folder) {
    const auto bytes = read_whole_file(resolutions_xml_path(game_folder), RESOLUTIONS_XML_MAX_SIZE);
    if (!bytes) return {};
    return parse_resolutions_xml(utf8_lossy(*bytes));
}

}  // namespace qo
