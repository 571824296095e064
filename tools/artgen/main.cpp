// Paints the launcher's artwork and writes it into the given folder (normally assets/images):
//   hero-fenro.webp   the window's background landscape
//   logo-fenro.png    the wordmark
//   crest-fenro.png   the emblem
// Every run paints the same pictures (fixed seeds). With a second folder, it also writes previews there: the
// landscape decoded back from its WebP, and a mock-up of the window at scale 1 with the pictures placed and
// darkened the way the launcher shows them.
#include <cstdio>
#include <filesystem>
#include <vector>

#include "art_files.h"
#include "art_layers.h"
#include "crest.h"
#include "gfx/blur.h"
#include "gfx/glow.h"
#include "gfx/gradient.h"
#include "gfx/image_blit.h"
#include "gfx/image_codec.h"
#include "gfx/rasterizer.h"
#include "gfx/resample.h"
#include "hero.h"
#include "logo.h"

namespace {

constexpr float WEBP_QUALITY = 85.0f;

// The window at scale 1: the landscape cover-fitted and dimmed, the darkening gradients, the logo with its glows
// over the picture column and the crest at its small size.
qo::Pixmap window_mockup(const qo::Pixmap& hero, const qo::Pixmap& logo, const qo::Pixmap& crest) {
  qo::Pixmap frame = qo::Pixmap::make(1100, 660);
  frame.fill(art::rgb(0x060A09));
  const qo::Pixmap layer = qo::resample_pixmap(hero, 1188, 713);
  // Mid-way through the slow zoom.
  const float v = 1.05f;
  qo::draw_image_scaled(layer, frame, (-44.0f - 550.0f) * v + 550.0f, (-15.9f - 330.0f) * v + 330.0f, v / 1.08f,
                        v / 1.08f, 0.55f, true, qo::full_clip(frame));
  qo::PathBuilder b;
  b.push_rect(0, 0, 1100, 660);
  const qo::Path all = *b.finish();
  const qo::Color shade = art::rgb(0x060A09);
  art::fill(frame, all, qo::build_linear_gradient(std::vector<qo::ColorStop>{{0.0f, art::with_alpha(shade, 26 / 255.0f)},
                                                                         {0.55f, art::with_alpha(shade, 26 / 255.0f)},
                                                                         {1.0f, art::with_alpha(shade, 191 / 255.0f)}},
                                                  0, 0, 1100, 660, 90));
  art::fill(frame, all, qo::build_linear_gradient(std::vector<qo::ColorStop>{{0.0f, art::with_alpha(shade, 140 / 255.0f)},
                                                                         {0.3f, art::with_alpha(shade, 38 / 255.0f)},
                                                                         {0.7f, art::with_alpha(shade, 140 / 255.0f)},
                                                                         {1.0f, art::with_alpha(shade, 1.0f)}},
                                                  0, 0, 1100, 660, 180));
  const qo::Pixmap small_logo = qo::resample_pixmap(logo, 430, 430 * logo.height() / logo.width());
  const std::vector<qo::GlowLayer> logo_glows{{art::rgb(0xD9A845, 89 / 255.0f), 15.0f}, {art::rgb(0x12B880, 77 / 255.0f), 5.0f}};
  const qo::Pixmap logo_glow = qo::make_glow_image(small_logo, logo_glows, 60);
  qo::blend_pixmap_opacity(frame, logo_glow, 1.0f, 330 - static_cast<int32_t>(logo_glow.width()) / 2, 150 - 60);
  const qo::Pixmap small_crest = qo::resample_pixmap(crest, 34, 34);
  const std::vector<qo::GlowLayer> crest_glows{{art::rgb(0xD9A845, 140 / 255.0f), 5.0f}};
  qo::blend_pixmap_opacity(frame, qo::make_glow_image(small_crest, crest_glows, 15), 1.0f, 18 - 15, 12 - 15);
  return frame;
}

bool write_previews(const std::filesystem::path& folder, const std::vector<uint8_t>& webp, const qo::Pixmap& logo,
                    const qo::Pixmap& crest) {
  std::filesystem::create_directories(folder);
  const auto hero = qo::decode_webp_to_pixmap(webp);
  if (!hero) {
    std::fprintf(stderr, "the landscape does not decode\n");
    return false;
  }
  qo::Pixmap crest_on_dark = qo::Pixmap::make(256 + 68 + 34 + 40, 256);
  crest_on_dark.fill(art::rgb(0x0B1412));
  qo::blend_pixmap_opacity(crest_on_dark, crest, 1.0f, 0, 0);
  qo::blend_pixmap_opacity(crest_on_dark, qo::resample_pixmap(crest, 68, 68), 1.0f, 276, 20);
  qo::blend_pixmap_opacity(crest_on_dark, qo::resample_pixmap(crest, 34, 34), 1.0f, 356, 20);
  qo::Pixmap logo_on_dark = qo::Pixmap::make(logo.width(), logo.height());
  logo_on_dark.fill(art::rgb(0x0B1412));
  qo::blend_pixmap_opacity(logo_on_dark, logo, 1.0f, 0, 0);
  // The middle of the landscape at full size, to judge the detail.
  qo::Pixmap detail = qo::Pixmap::make(1100, 700);
  qo::blend_pixmap_opacity(detail, *hero, 1.0f, -750, -300);
  return art::write_png(folder / "hero-detail.png", detail) &&
         art::write_png(folder / "hero-preview.png", qo::resample_pixmap(*hero, hero->width() / 2, hero->height() / 2)) &&
         art::write_png(folder / "window-preview.png", window_mockup(*hero, logo, crest)) &&
         art::write_png(folder / "logo-preview.png", logo_on_dark) &&
         art::write_png(folder / "crest-preview.png", crest_on_dark);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s <images folder> [preview folder]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(out, ec);

  const qo::Pixmap hero = art::paint_hero();
  const auto webp = art::encode_webp(hero, WEBP_QUALITY);
  if (!webp) {
    std::fprintf(stderr, "WebP encoding failed\n");
    return 1;
  }
  const auto logo = art::paint_logo();
  if (!logo) {
    std::fprintf(stderr, "the wordmark's font does not load\n");
    return 1;
  }
  const qo::Pixmap crest = art::paint_crest();

  if (!art::write_bytes(out / "hero-fenro.webp", *webp) || !art::write_png(out / "logo-fenro.png", *logo) ||
      !art::write_png(out / "crest-fenro.png", crest)) {
    return 1;
  }
  std::printf("hero-fenro.webp %zu bytes, logo-fenro.png and crest-fenro.png written to %s\n", webp->size(),
              out.c_str());
  if (argc == 3 && !write_previews(argv[2], *webp, *logo, crest)) return 1;
  return 0;
}
