#pragma once
// Reading the game's registry values the way the game reads them.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/registry.h"

namespace qo {

struct RegText {
    std::string text;  // UTF-8
    bool operator==(const RegText&) const = default;
};
struct RegDword {
    std::uint32_t value = 0;
    bool operator==(const RegDword&) const = default;
};
struct RegAbsent {
    bool operator==(const RegAbsent&) const = default;
};
using RegValue = std::variant<RegAbsent, RegText, RegDword>;

// A string value (REG_SZ or REG_EXPAND_SZ: UTF-16 up to the first NUL or the end of the data, unpaired
// surrogates becoming U+FFFD) or a DWORD of at least 4 bytes; anything else, or a failed query, is absent.
RegValue reg_read_string(const RegistryKey& key, std::string_view name);

// A DWORD as its number; a text trimmed of Unicode white space and read as a signed 32-bit decimal (an optional
// leading sign, digits only); the default for anything else.
std::int32_t reg_read_int(const RegistryKey& key, std::string_view name, std::int32_t default_value);

}  // namespace qo
