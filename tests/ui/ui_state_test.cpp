#include "ui/assets.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <webp/encode.h>

#include <string>

#include "gfx/image_codec.h"
#include "support/temp_dir.h"
#include "test_ui.h"
#include "ui/layers.h"
#include "ui/sparks.h"
#include "util/embedded_assets.h"

namespace qo {
namespace {

std::string_view as_text(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

bool same_pixels(const Pixmap& a, const Pixmap& b) {
  return a.width() == b.width() && a.height() == b.height() && std::ranges::equal(a.pixels(), b.pixels());
}

UiState ui_with_overrides(const test::TempDir& folder) {
  return load_assets_and_init_ui(1.0f, test::test_ui_environment(folder.path()));
}

std::filesystem::path media_file(const test::TempDir& folder, std::string_view name) {
  return media_override_dir(folder.path()) / name;
}

TEST(ClockSeam, FixedClocksMoveOnlyWhenTold) {
  UiClockSource clock = UiClockSource::fixed(1'000, -1'500'000);
  EXPECT_TRUE(clock.is_fixed());
  EXPECT_EQ(clock.wall_ms(), -2);  // rounded towards the past before 1970
  clock.advance(2'000'000);
  EXPECT_EQ(clock.monotonic_ns(), 2'001'000);
  EXPECT_EQ(clock.wall_ns(), 500'000);
  EXPECT_EQ(clock.wall_ms(), 0);
  clock.set_wall_ns(7'999'999);
  EXPECT_EQ(clock.wall_ms(), 7);
  EXPECT_EQ(clock.monotonic_ns(), 2'001'000);

  UiClockSource system = UiClockSource::system();
  const int64_t before = system.monotonic_ns();
  system.advance(1'000'000'000'000);  // ignored: the system clocks are read, not set
  EXPECT_LT(system.monotonic_ns() - before, 1'000'000'000'000);
  EXPECT_GT(system.wall_ms(), 1'700'000'000'000);  // after 2023
  EXPECT_DOUBLE_EQ(seconds_between(5'000'000'000, 3'500'000'000), -1.5);
}

TEST(UiStateConstruction, StartsClosedIdleAndAtTheBuiltInOpeningTime) {
  const auto ui = test::make_test_ui();
  EXPECT_EQ(ui.start_instant_ns, test::FIXED_MONOTONIC_NS);
  EXPECT_EQ(ui.ui_clock, 0.0);
  EXPECT_GT(ui.intro_start, 1e8);
  EXPECT_LT(ui.last_background_time, 0.0);
  EXPECT_FALSE(ui.dialog.has_value());
  EXPECT_FALSE(ui.backdrop.has_value());
  EXPECT_EQ(ui.pointer_x, -1.0f);
  EXPECT_EQ(ui.pointer_y, -1.0f);
  EXPECT_EQ(ui.pointer_decoration_prev, (std::array<float, 4>{-10.0f, -10.0f, -10.0f, -10.0f}));
  EXPECT_EQ(ui.hover, (Hover{HIT_NONE, 0}));
  const struct {
    const Tween& tween;
    Tween expected;
  } tweens[] = {{ui.progress_main, {0.0f, 0.0f, -100.0, 0.3f}},
                {ui.progress_stage, {0.0f, 0.0f, -100.0, 0.3f}},
                {ui.windowed_knob, {1.0f, 1.0f, -100.0, 0.2f}}};
  for (const auto& t : tweens) {
    EXPECT_EQ(t.tween.value, t.expected.value);
    EXPECT_EQ(t.tween.target, t.expected.target);
    EXPECT_EQ(t.tween.start, t.expected.start);
    EXPECT_EQ(t.tween.duration, t.expected.duration);
  }
  EXPECT_TRUE(ui.windowed);
  EXPECT_FALSE(ui.play_armed);
  EXPECT_FALSE(ui.server_online);
  EXPECT_TRUE(ui.status_text.empty());
  EXPECT_TRUE(ui.server_status_text.empty());
  EXPECT_TRUE(ui.links.empty() && ui.news.empty() && ui.info.empty());
  EXPECT_EQ(ui.opening_caption, "05 de dezembro · 20h");
  EXPECT_FALSE(ui.fonts.arial.has_value());
  EXPECT_TRUE(ui.icons.icon_globe.stroke.has_value());
  EXPECT_TRUE(ui.icons.icon_close.stroke.has_value() || ui.icons.icon_close.fill.has_value());
}

TEST(UiStateConstruction, SparksAreSeededOverThePicture) {
  const auto ui = test::make_test_ui();
  ASSERT_EQ(ui.sparks.size(), SPARK_COUNT);
  for (size_t i = 0; i < ui.sparks.size(); ++i) {
    const SparkParticle& s = ui.sparks[i];
    EXPECT_EQ(s.palette_index, i % 3);
    EXPECT_TRUE(test::in_range(s.size, 1.5f, 4.1f));
    EXPECT_TRUE(test::in_range(s.anchor_x, 110.0f, 550.0f));
    EXPECT_TRUE(test::in_range(s.y, 60.0f, 530.0f));  // spread over the whole height at start
    EXPECT_TRUE(test::in_range(s.life, 3.0f, 7.0f));
    EXPECT_EQ(s.age, 0.0f);
    EXPECT_TRUE(s.sprite.has_value());
  }
}

TEST(UiStateConstruction, ClockBefore1970SeedsSevenOnEveryStart) {
  auto environment = test::test_ui_environment();
  environment.clock = UiClockSource::fixed(1, -86'400'000'000'000);
  const auto first = load_assets_and_init_ui(1.0f, environment);
  environment.clock = UiClockSource::fixed(99, -1);
  const auto second = load_assets_and_init_ui(1.0f, environment);

  auto seven = test::make_bare_test_ui();
  seven.spark_rng = spark_rng_from_seed(7);
  seed_sparks(seven);
  for (size_t i = 0; i < SPARK_COUNT; ++i) {
    EXPECT_EQ(first.sparks[i].anchor_x, seven.sparks[i].anchor_x);
    EXPECT_EQ(first.sparks[i].y, seven.sparks[i].y);
    EXPECT_EQ(first.sparks[i].size, seven.sparks[i].size);
    EXPECT_EQ(second.sparks[i].life, seven.sparks[i].life);
  }
  // Another wall clock gives other sparks.
  EXPECT_NE(test::make_test_ui().sparks[0].anchor_x, first.sparks[0].anchor_x);
}

TEST(MediaOverrides, EmptyMissingAndCorruptFilesFallBackToTheBuiltInPictures) {
  const auto built_in = test::make_test_ui();
  test::TempDir folder;
  test::write_file(media_file(folder, HERO_IMAGE_NAME), "");
  test::write_file(media_file(folder, LOGO_IMAGE_NAME), "\x89PNG\r\n\x1a\n not really a picture");
  // No crest file at all.
  const auto ui = ui_with_overrides(folder);
  EXPECT_EQ(ui.images.hero_file, built_in.images.hero_file);
  // A hero file whose header reads but whose picture is cut short is not kept either.
  const auto hero = embedded_asset(std::string("images/") + std::string(HERO_IMAGE_NAME));
  test::write_file(media_file(folder, HERO_IMAGE_NAME), std::string(hero.begin(), hero.begin() + 400));
  EXPECT_EQ(ui_with_overrides(folder).images.hero_file, built_in.images.hero_file);
  EXPECT_EQ(ui.images.logo_file, built_in.images.logo_file);
  EXPECT_EQ(ui.images.crest_file, built_in.images.crest_file);
  // The built-in pictures are read where the program holds them, not copied.
  for (const auto& [file, name] : {std::pair{&ui.images.hero_file, HERO_IMAGE_NAME},
                                   std::pair{&ui.images.logo_file, LOGO_IMAGE_NAME},
                                   std::pair{&ui.images.crest_file, CREST_IMAGE_NAME}}) {
    EXPECT_EQ(file->bytes().data(), embedded_asset(std::string("images/") + std::string(name)).data()) << name;
  }
}

TEST(MediaOverrides, AReadablePictureReplacesTheBuiltInOne) {
  test::TempDir folder;
  Pixmap crest = Pixmap::make(20, 20);
  crest.fill_word(0xFF204060u);
  const auto png = encode_png(crest);
  ASSERT_TRUE(png.has_value());
  test::write_file(media_file(folder, CREST_IMAGE_NAME), as_text(*png));
  const auto ui = ui_with_overrides(folder);
  EXPECT_TRUE(same_pixels(decode_png_picture(ui.images.crest_file), crest));
  // A picture in the wrong format is undecodable for its slot: the logo expects PNG.
  EXPECT_EQ(read_media_file(folder.path(), CREST_IMAGE_NAME, {}), std::vector<uint8_t>(png->begin(), png->end()));
}

std::string png_picture(uint32_t width, uint32_t height) {
  Pixmap picture = Pixmap::make(width, height);
  picture.fill_word(0xFF305070u);
  return std::string(as_text(*encode_png(picture)));
}

std::string webp_picture(uint32_t width, uint32_t height) {
  const std::vector<uint8_t> rgba(size_t{width} * height * 4, 255);
  uint8_t* out = nullptr;
  const size_t size = WebPEncodeLosslessRGBA(rgba.data(), static_cast<int>(width), static_cast<int>(height),
                                             static_cast<int>(width * 4), &out);
  std::string bytes(reinterpret_cast<const char*>(out), size);
  WebPFree(out);
  return bytes;
}

// Whatever an override's shape, its layer is no larger than the built-in picture's: the logo and the crest fit
// their boxes with their aspect kept, and the hero keeps covering the window with little more than it shows.
TEST(MediaOverrides, PicturesOfAnyShapeKeepToTheBuiltInBoxes) {
  const float scale = 1.5f;
  const UiState built_in = load_assets_and_init_ui(scale, test::test_ui_environment());
  const ScaledLayers& usual = built_in.layers;
  const auto logo_size = [](const ScaledLayers& layers) {
    return std::pair{layers.logo_glow_width - 2 * layers.logo_glow_pad,
                     layers.logo_glow_height - 2 * layers.logo_glow_pad};
  };
  const struct {
    std::string_view name;
    std::string file;
    std::pair<uint32_t, uint32_t> logo;  // device px
  } cases[] = {
      {LOGO_IMAGE_NAME, png_picture(1, 2000), {1, 195}},
      {LOGO_IMAGE_NAME, png_picture(2000, 1), {645, 1}},
      {LOGO_IMAGE_NAME, png_picture(256, 256), {195, 195}},
      {CREST_IMAGE_NAME, png_picture(1, 2000), logo_size(usual)},
      {HERO_IMAGE_NAME, webp_picture(1, 2000), logo_size(usual)},
      {HERO_IMAGE_NAME, webp_picture(4000, 1), logo_size(usual)},
      {HERO_IMAGE_NAME, webp_picture(1100, 660), logo_size(usual)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.name << " " << c.file.size() << " bytes");
    test::TempDir folder;
    test::write_file(media_file(folder, c.name), c.file);
    const UiState ui = load_assets_and_init_ui(scale, test::test_ui_environment(folder.path()));
    const ScaledLayers& layers = ui.layers;
    const PictureFile& taken = c.name == LOGO_IMAGE_NAME    ? ui.images.logo_file
                               : c.name == CREST_IMAGE_NAME ? ui.images.crest_file
                                                            : ui.images.hero_file;
    EXPECT_EQ(as_text(taken), c.file);
    EXPECT_EQ(logo_size(layers), c.logo);
    EXPECT_EQ(layers.crest_glow.width(), usual.crest_glow.width());
    EXPECT_EQ(layers.crest_glow.height(), usual.crest_glow.height());
    const Pixmap icon = decode_window_icon_picture(ui.images.crest_file);
    EXPECT_LE(std::max(icon.width(), icon.height()), 256u);
    if (c.name == CREST_IMAGE_NAME) {  // a thin crest stays thin in the middle of its square: no opaque left edge
      const uint32_t pad = layers.crest_glow_pad;
      EXPECT_LT(pixel_alpha(layers.crest_glow.pixel(pad, layers.crest_glow.height() / 2)), 255u);
      EXPECT_EQ(icon.width(), 1u);
    }
    EXPECT_LE(layers.hero->byte_size(), 2 * usual.hero->byte_size());
    EXPECT_LE(layers.hero_x, 0.0f);
    EXPECT_LE(layers.hero_y, 0.0f);
    EXPECT_GE(layers.hero_x + layers.hero_w, WINDOW_WIDTH);
    EXPECT_GE(layers.hero_y + layers.hero_h, WINDOW_HEIGHT);
    EXPECT_GE(static_cast<float>(layers.hero->width()), layers.hero_w * scale);
    EXPECT_GE(static_cast<float>(layers.hero->height()), layers.hero_h * scale);
  }
  // A picture of more pixels than a picture may have is not decoded at all: the built-in one shows.
  test::TempDir folder;
  test::write_file(media_file(folder, LOGO_IMAGE_NAME), png_picture(4097, 4096));
  EXPECT_EQ(ui_with_overrides(folder).images.logo_file, built_in.images.logo_file);
}

TEST(MediaOverrides, ReadMediaFileTakesTheOverrideOnlyWhenItHasBytes) {
  test::TempDir folder;
  const std::vector<uint8_t> embedded{1, 2, 3};
  EXPECT_EQ(read_media_file(folder.path(), "x.png", embedded), embedded);  // missing
  test::write_file(media_file(folder, "x.png"), "");
  EXPECT_EQ(read_media_file(folder.path(), "x.png", embedded), embedded);  // empty
  std::filesystem::create_directories(media_file(folder, "dir.png"));
  EXPECT_EQ(read_media_file(folder.path(), "dir.png", embedded), embedded);  // unreadable (a folder)
  ASSERT_EQ(::mkfifo(media_file(folder, "fifo.png").c_str(), 0600), 0);
  EXPECT_EQ(read_media_file(folder.path(), "fifo.png", embedded), embedded);  // never waited on
  test::write_file(media_file(folder, "x.png"), "abc");
  EXPECT_EQ(read_media_file(folder.path(), "x.png", embedded), (std::vector<uint8_t>{'a', 'b', 'c'}));
  EXPECT_EQ(media_override_dir("/opt/jogo"), std::filesystem::path("/opt/jogo/Data/LauncherWeb/media"));
}

TEST(SystemFont, SlotHoldsAParsableFaceOrNothing) {
  test::TempDir folder;
  test::write_file(folder / "garbage.ttf", "not a font at all");
  test::write_file(folder / "empty.ttf", "");
  test::write_file(folder / "face.ttf", as_text(embedded_asset("fonts/Manrope-Regular.ttf")));
  const struct {
    std::filesystem::path file;
    bool present;
  } cases[] = {{folder / "face.ttf", true},
               {folder / "garbage.ttf", false},
               {folder / "empty.ttf", false},
               {folder / "missing.ttf", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(load_font_set(c.file).arial.has_value(), c.present) << c.file;
  }
  EXPECT_FALSE(load_font_set(std::nullopt).arial.has_value());
}

TEST(SystemFont, FontconfigAnswersArialWithAMetricTwin) {
  // scripts/setup-deps installs Liberation Sans, which fontconfig gives for "Arial" on Debian.
  const auto file = find_arial_font_file();
  ASSERT_TRUE(file.has_value());
  const auto set = load_font_set(file);
  EXPECT_TRUE(set.arial.has_value()) << *file;
  EXPECT_EQ(find_arial_font_file(), file);  // fontconfig, let go after the first answer, loads again
}

}  // namespace
}  // namespace qo
