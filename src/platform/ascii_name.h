#pragma once
// Names the system compares without regard to ASCII case (registry values, INI sections and keys). The platform
// layer depends on nothing else of ours, so it keeps this small comparison of its own.
#include <cstddef>
#include <string_view>

namespace qo::platform_detail {

constexpr char ascii_name_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool same_ascii_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ascii_name_lower(a[i]) != ascii_name_lower(b[i])) return false;
    return true;
}

}  // namespace qo::platform_detail
