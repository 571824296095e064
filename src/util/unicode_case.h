#pragma once
// Upper- and lower-casing of UTF-8 text for the scripts the launcher's texts use: Latin (Basic, Latin-1
// Supplement, Extended-A), Greek and Cyrillic. Other characters, and ill-formed bytes, are kept as they are.
#include <string>
#include <string_view>

namespace qo {

// Full upper-case mapping: "ç" becomes "Ç", "ß" becomes "SS", "ŉ" becomes "ʼN".
std::string unicode_uppercase(std::string_view text);

// Lower-case mapping: "Ç" becomes "ç", "İ" becomes "i̇" (i and a combining dot), "Σ" becomes "σ".
std::string unicode_lowercase(std::string_view text);

}  // namespace qo
