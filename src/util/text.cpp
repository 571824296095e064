#include "util/text.h"

#include <limits>

#include "util/utf8_decode.h"

namespace qo {

std::string ascii_lowercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ascii_lower(c);
    return out;
}

std::string ascii_uppercase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = ascii_upper(c);
    return out;
}

bool ascii_iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    }
    return true;
}

bool ascii_istarts_with(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && ascii_iequals(text.substr(0, prefix.size()), prefix);
}

bool ascii_iends_with(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && ascii_iequals(text.substr(text.size() - suffix.size()), suffix);
}

bool is_unicode_white_space(char32_t c) {
    switch (c) {
        case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20:
        case 0x85: case 0xA0: case 0x1680:
        case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200A;
    }
}

namespace {

bool white_space_at(std::string_view text, std::size_t pos, std::size_t& length) {
    const Utf8Step step = decode_utf8_at(text, pos);
    length = step.length;
    return step.valid && is_unicode_white_space(step.code_point);
}

}  // namespace

std::string_view trim_white_space_start(std::string_view text) {
    std::size_t pos = 0, length = 0;
    while (pos < text.size() && white_space_at(text, pos, length)) pos += length;
    return text.substr(pos);
}

std::string_view trim_white_space_end(std::string_view text) {
    // Walk forwards so that multi-byte characters are decoded from their lead byte.
    std::size_t end = 0, pos = 0, length = 0;
    while (pos < text.size()) {
        const bool white = white_space_at(text, pos, length);
        pos += length;
        if (!white) end = pos;
    }
    return text.substr(0, end);
}

std::string_view trim_white_space(std::string_view text) { return trim_white_space_end(trim_white_space_start(text)); }

bool is_blank(std::string_view text) { return trim_white_space_start(text).empty(); }

std::string_view strip_utf8_bom(std::string_view text) {
    return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

std::optional<std::int32_t> parse_decimal_i32(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::int64_t{std::numeric_limits<std::int32_t>::max()};
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = text.find(from, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(text.substr(pos));
    return out;
}

}  // namespace qo
