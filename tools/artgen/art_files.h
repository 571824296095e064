#pragma once
// Writing the pictures: lossy WebP for the opaque landscape, PNG (with transparency) for the rest.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "gfx/pixmap.h"

namespace art {

// The opaque picture as a lossy WebP at `quality` (0..100); none when the encoder fails.
std::optional<std::vector<uint8_t>> encode_webp(const qo::Pixmap& picture, float quality);

// Writes the bytes; false (after a message on stderr) when the file cannot be written.
bool write_bytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);
// Encodes the pixmap as PNG and writes it.
bool write_png(const std::filesystem::path& path, const qo::Pixmap& picture);

}  // namespace art
