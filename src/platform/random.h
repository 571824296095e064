#pragma once
// Random bytes from the system's cryptographic source.
#include <cstdint>
#include <expected>
#include <span>
#include <string>

namespace qo {

// Fills `out` completely, or reports why the system source failed.
std::expected<void, std::string> fill_random_bytes(std::span<std::uint8_t> out);

}  // namespace qo
