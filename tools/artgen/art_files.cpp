#include "art_files.h"

#include <cstdio>
#include <fstream>

#include <webp/encode.h>

#include "gfx/image_codec.h"

namespace art {

std::optional<std::vector<uint8_t>> encode_webp(const qo::Pixmap& picture, float quality) {
  const std::vector<uint8_t> rgba = qo::unpremultiply_to_rgba(picture);
  std::vector<uint8_t> rgb;
  rgb.reserve(picture.pixel_count() * 3);
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});

  WebPConfig config;
  if (!WebPConfigPreset(&config, WEBP_PRESET_PICTURE, quality)) return std::nullopt;
  config.method = 6;  // slowest, smallest
  config.use_sharp_yuv = 1;
  WebPPicture pic;
  if (!WebPPictureInit(&pic)) return std::nullopt;
  pic.width = static_cast<int>(picture.width());
  pic.height = static_cast<int>(picture.height());
  pic.use_argb = 1;
  WebPMemoryWriter writer;
  WebPMemoryWriterInit(&writer);
  pic.writer = WebPMemoryWrite;
  pic.custom_ptr = &writer;
  std::optional<std::vector<uint8_t>> out;
  if (WebPPictureImportRGB(&pic, rgb.data(), pic.width * 3) && WebPEncode(&config, &pic)) {
    out.emplace(writer.mem, writer.mem + writer.size);
  }
  WebPPictureFree(&pic);
  WebPMemoryWriterClear(&writer);
  return out;
}

bool write_bytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

bool write_png(const std::filesystem::path& path, const qo::Pixmap& picture) {
  const auto png = qo::encode_png(picture);
  if (!png) {
    std::fprintf(stderr, "cannot encode %s\n", path.c_str());
    return false;
  }
  return write_bytes(path, *png);
}

}  // namespace art
