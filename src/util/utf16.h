#pragma once
// Conversions between UTF-8 and UTF-16 text, and checks on UTF-8 byte strings.
#include <string>
#include <string_view>

namespace qo {

// The UTF-16 form of a UTF-8 text followed by exactly one NUL unit; an empty text gives a buffer holding only
// the NUL. Invalid UTF-8 sequences become U+FFFD, one per maximal ill-formed subpart.
std::u16string utf8_to_wide_z(std::string_view text);

// The UTF-8 form of UTF-16 units, every unit converted (a NUL included); an unpaired surrogate becomes U+FFFD.
std::string wide_to_utf8(std::u16string_view text);

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool is_valid_utf8(std::string_view bytes);

// The bytes as UTF-8 text, each maximal ill-formed subpart replaced by U+FFFD.
std::string utf8_lossy(std::string_view bytes);

}  // namespace qo
