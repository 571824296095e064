#include "gfx/image_codec.h"

#include <png.h>
#include <webp/decode.h>

#include <csetjmp>
#include <cstring>
#include <new>

namespace qo {

std::optional<Pixmap> premultiply_rgba(std::span<const uint8_t> rgba, uint32_t width, uint32_t height) {
  if (width == 0 || height == 0) return std::nullopt;
  const auto bytes = pixmap_byte_count(width, height);
  if (!bytes || rgba.size() < *bytes) return std::nullopt;
  auto pixmap = Pixmap::try_make(width, height);
  if (!pixmap) return std::nullopt;
  const auto words = pixmap->pixels();
  for (size_t i = 0; i < words.size(); ++i) {
    const uint8_t* p = rgba.data() + i * 4;
    const uint32_t a = p[3];
    words[i] = pack_argb(a, (p[0] * a + 127) / 255, (p[1] * a + 127) / 255, (p[2] * a + 127) / 255);
  }
  return pixmap;
}

std::vector<uint8_t> unpremultiply_to_rgba(const Pixmap& pixmap) {
  std::vector<uint8_t> out(pixmap.byte_size());
  const auto words = pixmap.pixels();
  auto channel = [](uint32_t c, uint32_t a) -> uint8_t {
    return static_cast<uint8_t>(std::min<uint32_t>((c * 255 + a / 2) / a, 255));
  };
  for (size_t i = 0; i < words.size(); ++i) {
    const uint32_t w = words[i];
    const uint32_t a = pixel_alpha(w);
    uint8_t* p = out.data() + i * 4;
    if (a == 0) {
      p[0] = p[1] = p[2] = p[3] = 0;
      continue;
    }
    p[0] = channel(pixel_red(w), a);
    p[1] = channel(pixel_green(w), a);
    p[2] = channel(pixel_blue(w), a);
    p[3] = static_cast<uint8_t>(a);
  }
  return out;
}

namespace {

// The premultiplied form of one straight pixel word (bytes B, G, R, A in memory), as premultiply_rgba makes it.
uint32_t premultiply_word(uint32_t word) {
  const uint32_t a = pixel_alpha(word);
  return pack_argb(a, (pixel_red(word) * a + 127) / 255, (pixel_green(word) * a + 127) / 255,
                   (pixel_blue(word) * a + 127) / 255);
}

void premultiply_in_place(Pixmap& pixmap) {
  for (uint32_t& word : pixmap.pixels()) {
    if (pixel_alpha(word) != 0xFF) word = premultiply_word(word);
  }
}

}  // namespace

// Decoded straight into the pixmap's own memory in its byte order (B, G, R, A), with no zero-fill and no second
// buffer. A lossy image without an alpha plane comes out opaque and needs no premultiplying pass; any other
// (lossless images carry alpha in every pixel, whatever their header says) gets one.
std::optional<Pixmap> decode_webp_to_pixmap(std::span<const uint8_t> bytes, uint64_t max_pixels) {
  WebPDecoderConfig config;
  if (bytes.empty() || !WebPInitDecoderConfig(&config)) return std::nullopt;
  if (WebPGetFeatures(bytes.data(), bytes.size(), &config.input) != VP8_STATUS_OK) return std::nullopt;
  const int width = config.input.width;
  const int height = config.input.height;
  if (width <= 0 || height <= 0) return std::nullopt;
  if (uint64_t{static_cast<uint32_t>(width)} * static_cast<uint32_t>(height) > max_pixels) return std::nullopt;
  auto pixmap = Pixmap::try_make_for_overwrite(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
  if (!pixmap || pixmap->width() != static_cast<uint32_t>(width) ||
      pixmap->height() != static_cast<uint32_t>(height)) {
    return std::nullopt;
  }
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = pixmap->bytes().data();
  config.output.u.RGBA.stride = width * 4;
  config.output.u.RGBA.size = pixmap->byte_size();
  const bool decoded = WebPDecode(bytes.data(), bytes.size(), &config) == VP8_STATUS_OK;
  WebPFreeDecBuffer(&config.output);
  if (!decoded) return std::nullopt;
  constexpr int LOSSY = 1;
  if (config.input.has_alpha || config.input.format != LOSSY) premultiply_in_place(*pixmap);
  return pixmap;
}

namespace {

// libpng reports errors by jumping back to the setjmp of the calling function; everything that outlives such
// a jump lives in these records, outside the functions that call setjmp.
struct PngReadJob {
  std::span<const uint8_t> input;
  size_t position = 0;
  uint64_t max_pixels = ANY_PIXEL_COUNT;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
};

struct PngWriteJob {
  std::vector<uint8_t> rgba;
  std::vector<png_bytep> rows;
  std::vector<uint8_t> output;
};

[[noreturn]] void png_fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void png_ignore_warning(png_structp, png_const_charp) {}

void png_read_from_job(png_structp png, png_bytep out, png_size_t count) {
  auto* job = static_cast<PngReadJob*>(png_get_io_ptr(png));
  if (count > job->input.size() - job->position) png_error(png, "truncated");
  std::memcpy(out, job->input.data() + job->position, count);
  job->position += count;
}

void png_write_to_job(png_structp png, png_bytep data, png_size_t count) {
  auto* job = static_cast<PngWriteJob*>(png_get_io_ptr(png));
  job->output.insert(job->output.end(), data, data + count);
}

void png_flush_nothing(png_structp) {}

// Reads the image header and prepares the buffers; false when the size is unusable.
bool prepare_png_rows(png_structp png, png_infop info, PngReadJob* job) {
  png_read_info(png, info);
  const png_byte color_type = png_get_color_type(png, info);
  const png_byte bit_depth = png_get_bit_depth(png, info);
  if (bit_depth == 16) png_set_strip_16(png);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (has_trns) png_set_tRNS_to_alpha(png);
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (!(color_type & PNG_COLOR_MASK_ALPHA) && !has_trns) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  job->width = png_get_image_width(png, info);
  job->height = png_get_image_height(png, info);
  const auto count = pixmap_byte_count(job->width, job->height);
  if (job->width == 0 || job->height == 0 || !count) return false;
  if (uint64_t{job->width} * job->height > job->max_pixels) return false;
  if (png_get_rowbytes(png, info) != size_t{job->width} * 4) return false;
  try {
    job->rgba.resize(*count);
    job->rows.resize(job->height);
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (uint32_t y = 0; y < job->height; ++y) job->rows[y] = job->rgba.data() + size_t{y} * job->width * 4;
  return true;
}

bool run_png_read(png_structp png, png_infop info, PngReadJob* job) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, job, png_read_from_job);
  if (!prepare_png_rows(png, info, job)) return false;
  png_read_image(png, job->rows.data());
  return true;
}

bool run_png_write(png_structp png, png_infop info, PngWriteJob* job, uint32_t width, uint32_t height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, job, png_write_to_job, png_flush_nothing);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, job->rows.data());
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::optional<Pixmap> decode_png(std::span<const uint8_t> bytes, uint64_t max_pixels) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return std::nullopt;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_ignore_warning);
  if (!png) return std::nullopt;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return std::nullopt;
  }
  PngReadJob job;
  job.input = bytes;
  job.max_pixels = max_pixels;
  const bool ok = run_png_read(png, info, &job);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!ok) return std::nullopt;
  return premultiply_rgba(job.rgba, job.width, job.height);
}

std::optional<std::vector<uint8_t>> encode_png(const Pixmap& pixmap) {
  PngWriteJob job;
  job.rgba = unpremultiply_to_rgba(pixmap);
  job.rows.resize(pixmap.height());
  for (uint32_t y = 0; y < pixmap.height(); ++y) job.rows[y] = job.rgba.data() + size_t{y} * pixmap.stride();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_ignore_warning);
  if (!png) return std::nullopt;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return std::nullopt;
  }
  const bool ok = run_png_write(png, info, &job, pixmap.width(), pixmap.height());
  png_destroy_write_struct(&png, &info);
  if (!ok) return std::nullopt;
  return std::move(job.output);
}

}  // namespace qo
