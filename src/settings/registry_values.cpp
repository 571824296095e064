#include "settings/registry_values.h"

#include "util/text.h"
#include "util/utf16.h"

namespace qo {

RegValue reg_read_string(const RegistryKey& key, std::string_view name) {
    // Only strings and DWORDs of at least four bytes are read; any other type reads as absent.
    const auto value = key.query_value(name);
    if (!value) return RegAbsent{};
    const std::vector<std::uint8_t>& data = value->data;
    const bool is_text = value->type == registry_type::sz || value->type == registry_type::expand_sz;
    const bool is_dword = value->type == registry_type::dword && data.size() >= 4;
    if (!is_text && !is_dword) return RegAbsent{};
    if (is_dword) {
        return RegDword{std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
                        std::uint32_t{data[3]} << 24};
    }
    std::u16string units;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        units += unit;
    }
    return RegText{wide_to_utf8(units)};
}

std::int32_t reg_read_int(const RegistryKey& key, std::string_view name, std::int32_t default_value) {
    const RegValue value = reg_read_string(key, name);
    if (const auto* dword = std::get_if<RegDword>(&value)) return static_cast<std::int32_t>(dword->value);
    if (const auto* text = std::get_if<RegText>(&value))
        return parse_decimal_i32(trim_white_space(text->text)).value_or(default_value);
    return default_value;
}

}  // namespace qo
