#include "ui/assets.h"

#include <string>

#include "gfx/fatal.h"
#include "gfx/image_codec.h"
#include "icons/builtin_icons.h"
#include "platform/files.h"
#include "text/font.h"
#include "ui/layers.h"
#include "ui/sparks.h"
#include "ui/status.h"
#include "util/embedded_assets.h"

namespace qo {
namespace {

Font load_embedded_font(std::string_view file) {
  auto font = load_font(embedded_asset(std::string("fonts/") + std::string(file)));
  if (!font) gfx_fatal("fonte");
  return std::move(*font);
}

std::optional<Font> load_system_font(const std::optional<std::filesystem::path>& file) {
  if (!file) return std::nullopt;
  const auto bytes = read_font_file_for_program_life(*file);
  if (!bytes) return std::nullopt;
  return load_font(*bytes);
}

using ImageDecoder = std::optional<Pixmap> (*)(std::span<const uint8_t>, uint64_t);

// The override's bytes when they decode as the picture within PICTURE_MAX_PIXELS, else the embedded ones (which
// the layers' decoders turn into a transparent 16 x 16 square if they ever failed).
PictureFile picture_file(const std::filesystem::path& launcher_folder, std::string_view name, ImageDecoder decode) {
  auto override_bytes = read_media_file(launcher_folder, name, {});
  if (!override_bytes.empty() && decode(override_bytes, PICTURE_MAX_PIXELS))
    return PictureFile::held(std::move(override_bytes));
  return PictureFile::built_in(embedded_asset(std::string("images/") + std::string(name)));
}

}  // namespace

std::filesystem::path media_override_dir(const std::filesystem::path& launcher_folder) {
  return launcher_folder / "Data" / "LauncherWeb" / "media";
}

std::vector<uint8_t> read_media_file(const std::filesystem::path& launcher_folder, std::string_view name,
                                     std::span<const uint8_t> embedded) {
  const auto bytes = read_whole_file(media_override_dir(launcher_folder) / name, MEDIA_FILE_MAX_BYTES);
  if (bytes && !bytes->empty()) return std::vector<uint8_t>(bytes->begin(), bytes->end());
  return std::vector<uint8_t>(embedded.begin(), embedded.end());
}

FontSet load_font_set(const std::optional<std::filesystem::path>& system_font_file) {
  std::optional<Font> arial = load_system_font(system_font_file);
  return FontSet{load_embedded_font("Manrope-Regular.ttf"),  load_embedded_font("Manrope-Medium.ttf"),
                 load_embedded_font("Manrope-SemiBold.ttf"), load_embedded_font("Manrope-Bold.ttf"),
                 load_embedded_font("Urbanist-Bold.ttf"),    load_embedded_font("Urbanist-ExtraBold.ttf"),
                 std::move(arial)};
}

UiState load_assets_and_init_ui(float scale, const UiEnvironment& environment) {
  // The hero layer, the longest part, is made from the picture's bytes alone while the fonts, icons, pictures and
  // the other layers are made here.
  PictureFile hero_file = picture_file(environment.launcher_folder, HERO_IMAGE_NAME, decode_webp_to_pixmap);
  std::future<HeroLayer> hero = start_hero_layer(hero_file, scale);
  const auto system_font = environment.find_system_font ? environment.find_system_font() : std::nullopt;
  UiState ui(load_font_set(system_font), environment.clock);
  ui.icons = build_builtin_icons();
  ui.images.logo_file = picture_file(environment.launcher_folder, LOGO_IMAGE_NAME, decode_png);
  ui.images.crest_file = picture_file(environment.launcher_folder, CREST_IMAGE_NAME, decode_png);
  ui.spark_rng = spark_rng_from_seed(spark_seed_from_wall_clock(environment.clock.wall_ns()));
  set_opening_time(ui, DEFAULT_OPENING_TIME);
  rebuild_scaled_layers(ui, scale, std::move(hero));
  ui.images.hero_file = std::move(hero_file);
  seed_sparks(ui);
  build_spark_sprites(ui);
  return ui;
}

}  // namespace qo
