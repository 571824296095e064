#pragma once
// Small text helpers: ASCII case folding, Unicode white space on UTF-8 text, decimal parsing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qo {

// ASCII case folding: only 'A'..'Z' / 'a'..'z' change; every other byte stays as it is.
constexpr char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
std::string ascii_lowercase(std::string_view text);
std::string ascii_uppercase(std::string_view text);

// Same length in bytes and equal bytes after ASCII case folding.
bool ascii_iequals(std::string_view a, std::string_view b);
bool ascii_istarts_with(std::string_view text, std::string_view prefix);
bool ascii_iends_with(std::string_view text, std::string_view suffix);

// The code points with the Unicode White_Space property (tab to carriage return, blank, U+0085, no-break
// space, the U+2000 block spaces, line and paragraph separators, ideographic space and their kin).
bool is_unicode_white_space(char32_t c);

// UTF-8 text with leading and/or trailing Unicode white space removed. Invalid bytes are never white space.
std::string_view trim_white_space(std::string_view text);
std::string_view trim_white_space_start(std::string_view text);
std::string_view trim_white_space_end(std::string_view text);

// Empty or only Unicode white space.
bool is_blank(std::string_view text);

// The text without a leading UTF-8 byte-order mark (EF BB BF), when it has one.
std::string_view strip_utf8_bom(std::string_view text);

// A signed decimal with an optional leading '+' or '-' and at least one digit, nothing else (no blanks);
// none on any other character or when the value does not fit in 32 bits.
std::optional<std::int32_t> parse_decimal_i32(std::string_view text);

// Every occurrence of `from` (not empty) replaced by `to`, scanning left to right without overlaps.
std::string replace_all(std::string_view text, std::string_view from, std::string_view to);

}  // namespace qo
