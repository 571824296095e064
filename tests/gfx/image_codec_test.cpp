#include "gfx/image_codec.h"

#include <gtest/gtest.h>
#include <png.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <algorithm>
#include <random>
#include <vector>

namespace qo {
namespace {

TEST(PremultiplyRgba, ScalesColourChannelsByAlpha) {
  const std::vector<uint8_t> rgba{255, 128, 0, 128, 10, 20, 30, 255, 200, 100, 50, 0};
  const auto pm = premultiply_rgba(rgba, 3, 1);
  ASSERT_TRUE(pm);
  EXPECT_EQ(pm->pixel(0, 0), pack_argb(128, 128, 64, 0));
  EXPECT_EQ(pm->pixel(1, 0), pack_argb(255, 10, 20, 30));
  EXPECT_EQ(pm->pixel(2, 0), 0u);
}

TEST(PremultiplyRgba, RejectsEmptyOversizedAndShortInput) {
  const std::vector<uint8_t> rgba(16, 255);
  EXPECT_FALSE(premultiply_rgba(rgba, 0, 4));
  EXPECT_FALSE(premultiply_rgba(rgba, 4, 0));
  EXPECT_FALSE(premultiply_rgba(rgba, 65536, 65536));
  EXPECT_FALSE(premultiply_rgba(rgba, 5, 1));
  EXPECT_TRUE(premultiply_rgba(rgba, 2, 2));
}

Pixmap random_premultiplied(uint32_t w, uint32_t h) {
  Pixmap pm = Pixmap::make(w, h);
  std::mt19937 rng(99);
  for (uint32_t& word : pm.pixels()) {
    const uint32_t a = rng() % 256;
    word = pack_argb(a, rng() % (a + 1), rng() % (a + 1), rng() % (a + 1));
  }
  return pm;
}

TEST(Png, EncodeThenDecodeGivesTheSamePixels) {
  const Pixmap original = random_premultiplied(31, 17);
  const auto encoded = encode_png(original);
  ASSERT_TRUE(encoded);
  ASSERT_GT(encoded->size(), 8u);
  EXPECT_EQ((*encoded)[1], 'P');
  const auto decoded = decode_png(*encoded);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->width(), 31u);
  ASSERT_EQ(decoded->height(), 17u);
  EXPECT_TRUE(std::equal(original.pixels().begin(), original.pixels().end(), decoded->pixels().begin()));
}

struct PngSink {
  std::vector<uint8_t> bytes;
};

void append_png(png_structp png, png_bytep data, png_size_t n) {
  auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
  sink->bytes.insert(sink->bytes.end(), data, data + n);
}

// A small 8-bit grey PNG with no alpha channel.
std::vector<uint8_t> grey_png(const std::vector<uint8_t>& values, uint32_t w, uint32_t h) {
  PngSink sink;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &sink, append_png, nullptr);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t y = 0; y < h; ++y) png_write_row(png, values.data() + size_t{y} * w);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return sink.bytes;
}

TEST(Png, GreyImagesBecomeOpaqueGrey) {
  const auto bytes = grey_png({0, 100, 255, 7}, 2, 2);
  const auto pm = decode_png(bytes);
  ASSERT_TRUE(pm);
  EXPECT_EQ(pm->pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(pm->pixel(1, 0), 0xFF646464u);
  EXPECT_EQ(pm->pixel(0, 1), 0xFFFFFFFFu);
  EXPECT_EQ(pm->pixel(1, 1), 0xFF070707u);
}

TEST(Png, CorruptOrTruncatedDataDecodesToNothing) {
  EXPECT_FALSE(decode_png({}));
  const std::vector<uint8_t> junk{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g', '!'};
  EXPECT_FALSE(decode_png(junk));
  const auto encoded = *encode_png(random_premultiplied(20, 20));
  for (size_t cut : {size_t{8}, size_t{20}, size_t{40}, encoded.size() / 2}) {
    EXPECT_FALSE(decode_png(std::span(encoded).first(cut))) << cut;
  }
  auto damaged = encoded;
  damaged[40] ^= 0xFF;  // inside the image data chunk: its checksum fails
  EXPECT_FALSE(decode_png(damaged));
}

TEST(Webp, LosslessImageWithAlphaDecodesPremultiplied) {
  const std::vector<uint8_t> rgba{255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 255, 128, 0, 128};
  uint8_t* out = nullptr;
  const size_t size = WebPEncodeLosslessRGBA(rgba.data(), 2, 2, 8, &out);
  ASSERT_GT(size, 0u);
  const std::vector<uint8_t> webp(out, out + size);
  WebPFree(out);
  const auto pm = decode_webp_to_pixmap(webp);
  ASSERT_TRUE(pm);
  const auto expected = premultiply_rgba(rgba, 2, 2);
  EXPECT_EQ(pm->pixel(0, 0), 0xFFFF0000u);
  EXPECT_EQ(pm->pixel(1, 0), expected->pixel(1, 0));
  EXPECT_EQ(pm->pixel(1, 1), pack_argb(128, 128, 64, 0));
  EXPECT_EQ(pixel_alpha(pm->pixel(0, 1)), 0u);
}

// The decoder writes premultiplied pixels straight into the pixmap; the reference decodes to straight RGBA and
// premultiplies afterwards. Both must agree to the bit, with and without alpha, lossy and lossless.
TEST(Webp, DirectDecodingMatchesStraightDecodingThenPremultiplying) {
  constexpr int W = 61;
  constexpr int H = 37;
  std::mt19937 rng(9);
  std::vector<uint8_t> rgba(W * H * 4);
  for (uint8_t& b : rgba) b = static_cast<uint8_t>(rng());
  for (size_t i = 3; i < rgba.size(); i += 16) rgba[i] = 255;
  for (size_t i = 7; i < rgba.size(); i += 16) rgba[i] = 0;
  std::vector<uint8_t> rgb;
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), rgba.begin() + i, rgba.begin() + i + 3);
  struct Encoded {
    const char* name;
    uint8_t* data = nullptr;
    size_t size = 0;
  };
  Encoded forms[] = {{"lossless rgba"}, {"lossy rgba"}, {"lossy rgb"}, {"lossless rgb"}};
  forms[0].size = WebPEncodeLosslessRGBA(rgba.data(), W, H, W * 4, &forms[0].data);
  forms[1].size = WebPEncodeRGBA(rgba.data(), W, H, W * 4, 80.0f, &forms[1].data);
  forms[2].size = WebPEncodeRGB(rgb.data(), W, H, W * 3, 80.0f, &forms[2].data);
  forms[3].size = WebPEncodeLosslessRGB(rgb.data(), W, H, W * 3, &forms[3].data);
  for (Encoded& form : forms) {
    ASSERT_GT(form.size, 0u) << form.name;
    int width = 0;
    int height = 0;
    uint8_t* straight = WebPDecodeRGBA(form.data, form.size, &width, &height);
    ASSERT_TRUE(straight) << form.name;
    const auto expected = premultiply_rgba(std::span<const uint8_t>(straight, size_t{W} * H * 4), W, H);
    WebPFree(straight);
    const auto decoded = decode_webp_to_pixmap(std::span<const uint8_t>(form.data, form.size));
    WebPFree(form.data);
    ASSERT_TRUE(expected && decoded) << form.name;
    ASSERT_EQ(decoded->width(), uint32_t{W});
    EXPECT_TRUE(std::equal(decoded->pixels().begin(), decoded->pixels().end(), expected->pixels().begin()))
        << form.name;
  }
}

TEST(Webp, LossyImageWithoutAlphaIsOpaque) {
  std::vector<uint8_t> rgb(16 * 16 * 3, 90);
  uint8_t* out = nullptr;
  const size_t size = WebPEncodeRGB(rgb.data(), 16, 16, 16 * 3, 90.0f, &out);
  ASSERT_GT(size, 0u);
  const std::vector<uint8_t> webp(out, out + size);
  WebPFree(out);
  const auto pm = decode_webp_to_pixmap(webp);
  ASSERT_TRUE(pm);
  EXPECT_EQ(pm->width(), 16u);
  for (uint32_t w : pm->pixels()) {
    ASSERT_EQ(pixel_alpha(w), 255u);
    ASSERT_NEAR(static_cast<int>(pixel_green(w)), 90, 4);
  }
  EXPECT_FALSE(decode_webp_to_pixmap(std::span(webp).first(webp.size() / 2)));
  EXPECT_FALSE(decode_webp_to_pixmap({}));
}

// A picture whose header declares more pixels than the caller allows is refused before its pixels are decoded.
TEST(DecodeLimit, BothFormatsRefusePicturesAboveThePixelCount) {
  const std::vector<uint8_t> rgba(8 * 4 * 4, 200);
  uint8_t* out = nullptr;
  const size_t size = WebPEncodeLosslessRGBA(rgba.data(), 8, 4, 8 * 4, &out);
  ASSERT_GT(size, 0u);
  const std::vector<uint8_t> webp(out, out + size);
  WebPFree(out);
  const auto png = encode_png(*premultiply_rgba(rgba, 8, 4));
  ASSERT_TRUE(png);
  EXPECT_TRUE(decode_webp_to_pixmap(webp, 32));
  EXPECT_FALSE(decode_webp_to_pixmap(webp, 31));
  EXPECT_TRUE(decode_png(*png, 32));
  EXPECT_FALSE(decode_png(*png, 31));
}

}  // namespace
}  // namespace qo
