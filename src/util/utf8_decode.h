#pragma once
// Step-wise UTF-8 decoding shared by the text helpers.
#include <cstddef>
#include <string>
#include <string_view>

namespace qo {

inline constexpr char32_t replacement_character = 0xFFFD;

struct Utf8Step {
    char32_t code_point;  // replacement_character when the bytes are ill-formed
    std::size_t length;   // bytes consumed, at least 1: a whole character or one maximal ill-formed subpart
    bool valid;
};

// Decodes the character starting at `pos` (pos < text.size()).
Utf8Step decode_utf8_at(std::string_view text, std::size_t pos);

// Appends the UTF-8 encoding of a code point (surrogates and values above U+10FFFF become U+FFFD).
void append_utf8(std::string& out, char32_t c);

}  // namespace qo
