#pragma once
// Fonts and pictures compiled into the executable from assets/ (see cmake/embed.cmake).
#include <cstdint>
#include <span>
#include <string_view>

namespace qo {

// The bytes of an embedded asset by its path under assets/ ("fonts/Manrope-Bold.ttf"); empty when unknown.
std::span<const std::uint8_t> embedded_asset(std::string_view name);

}  // namespace qo
