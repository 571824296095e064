#include "settings/xml_attribute.h"

#include "util/text.h"
#include "util/utf8_decode.h"

namespace qo {

namespace {

bool white_space_at(std::string_view text, std::size_t pos, std::size_t* length) {
    const Utf8Step step = decode_utf8_at(text, pos);
    *length = step.length;
    return step.valid && is_unicode_white_space(step.code_point);
}

// Whether the character that ends right before `pos` is white space.
bool white_space_before(std::string_view text, std::size_t pos) {
    std::size_t start = pos - 1;
    while (start > 0 && pos - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) --start;
    std::size_t length = 0;
    return white_space_at(text, start, &length) && start + length == pos;
}

std::size_t skip_white_space(std::string_view text, std::size_t pos) {
    std::size_t length = 0;
    while (pos < text.size() && white_space_at(text, pos, &length)) pos += length;
    return pos;
}

std::string decode_entities(std::string_view value) {
    std::string text = replace_all(value, "&lt;", "<");
    text = replace_all(text, "&gt;", ">");
    text = replace_all(text, "&quot;", "\"");
    text = replace_all(text, "&apos;", "'");
    return replace_all(text, "&amp;", "&");
}

}  // namespace

std::optional<std::string> xml_attribute_value(std::string_view tag, std::string_view name) {
    if (name.empty()) return std::nullopt;
    for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
        if (at > 0 && !white_space_before(tag, at)) continue;  // part of a longer word
        std::size_t pos = skip_white_space(tag, at + name.size());
        if (pos >= tag.size() || tag[pos] != '=') continue;
        pos = skip_white_space(tag, pos + 1);
        if (pos >= tag.size()) return std::nullopt;
        const char quote = tag[pos];
        if (quote != '"' && quote != '\'') continue;
        const std::size_t close = tag.find(quote, pos + 1);
        if (close == std::string_view::npos) return std::nullopt;
        return decode_entities(tag.substr(pos + 1, close - pos - 1));
    }
    return std::nullopt;
}

}  // namespace qo
