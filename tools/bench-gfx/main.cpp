// Per-frame drawing operations of the launcher window, measured at scale 1 and 2 (1100 x 660 and 2200 x 1320
// device pixels), each paired with a memcpy of the bytes the operation writes:
//   header_blur        the header glass panel's blur: its quarter-size image (275 x 15 at scale 1) at sigma 5,
//                      that is 20 logical pixels;
//   background_zoom    the hero layer (1188 x 713 logical) drawn scaled and blended over the window;
//   overlay_blend      a window-sized layer of partly transparent pixels blended at full opacity;
//   restore_copy       copy_scaled_pixel_rect of the whole window from a base layer;
//   text_line          one 40-glyph line of 13 px text drawn (shaped once beforehand).
// After the run a table gives each operation's time as a multiple of its memcpy.
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include "gfx/blur.h"
#include "gfx/canvas.h"
#include "gfx/gradient.h"
#include "gfx/image_blit.h"
#include "gfx/image_codec.h"
#include "gfx/pixel_copy.h"
#include "gfx/rasterizer.h"
#include "gfx/resample.h"
#include "gfx/shapes.h"
#include "text/font.h"
#include "text/glyph_drawing.h"
#include "text/shaping.h"
#include "util/embedded_assets.h"
#include "bench-support/memcpy_ratio.h"

namespace {

using qo::bench::run_memcpy;

constexpr float WINDOW_W = 1100.0f;
constexpr float WINDOW_H = 660.0f;

float scale_of(const benchmark::State& state) { return static_cast<float>(state.range(0)); }


// A quarter-size reduction of a busy background, like the one the glass panels blur.
qo::Pixmap header_quarter_image(float scale) {
  const uint32_t w = qo::device_size(WINDOW_W * scale / 4.0f, 1.0f);
  const uint32_t h = qo::device_size(58.0f * scale / 4.0f, 1.0f);
  qo::Pixmap image = qo::Pixmap::make(w, h);
  for (uint32_t y = 0; y < h; ++y) {
    for (uint32_t x = 0; x < w; ++x) image.set_pixel(x, y, qo::pack_argb(255, (x * 7) & 0xFF, (y * 13) & 0xFF, (x ^ y) & 0xFF));
  }
  return image;
}

void BM_header_blur(benchmark::State& state) {
  const float scale = scale_of(state);
  const qo::Pixmap source = header_quarter_image(scale);
  qo::Pixmap work = source;
  // Blurred again and again in place: the running-sum passes cost the same whatever the pixels hold.
  for (auto _ : state) {
    qo::gaussian_blur(work, 20.0f * scale * 0.25f);
    benchmark::DoNotOptimize(work.pixels().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(source.byte_size()));
}

void BM_header_blur_memcpy(benchmark::State& state) { run_memcpy(state, header_quarter_image(scale_of(state)).byte_size()); }

qo::Pixmap window_pixmap(float scale) {
  return qo::Pixmap::make(qo::device_size(WINDOW_W, scale), qo::device_size(WINDOW_H, scale));
}

// The hero picture resampled to its layer size at the scale, as the window prepares it.
qo::Pixmap hero_layer(float scale) {
  auto hero = qo::decode_webp_to_pixmap(qo::embedded_asset("images/hero-fenro.webp"));
  if (!hero) hero = qo::Pixmap::make(16, 16);
  return qo::resample_pixmap(*hero, qo::device_size(1188.0f, scale), qo::device_size(713.04f, scale));
}

void BM_background_zoom(benchmark::State& state) {
  const float scale = scale_of(state);
  const qo::Pixmap layer = hero_layer(scale);
  qo::Pixmap frame = window_pixmap(scale);
  frame.fill(qo::Color::from_rgba8(6, 10, 9));
  const float zoom = 1.05f;  // mid-way through the slow zoom
  for (auto _ : state) {
    qo::draw_image_scaled(layer, frame, ((-44.0f - 550.0f) * zoom + 550.0f) * scale,
                          ((-15.9f - 330.0f) * zoom + 330.0f) * scale, zoom / 1.08f, zoom / 1.08f, 0.55f, true,
                          qo::full_clip(frame));
    benchmark::DoNotOptimize(frame.pixels().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.byte_size()));
}

void BM_background_zoom_memcpy(benchmark::State& state) { run_memcpy(state, window_pixmap(scale_of(state)).byte_size()); }

// The darkening overlay: two window-sized gradients of partly transparent green-black.
qo::Pixmap overlay_layer(float scale) {
  qo::Canvas canvas = qo::Canvas::make(qo::device_size(WINDOW_W, scale), qo::device_size(WINDOW_H, scale), 0, 0, scale);
  const auto shade = [](float alpha) { return qo::Color{6 / 255.0f, 10 / 255.0f, 9 / 255.0f, alpha}; };
  const std::vector<qo::ColorStop> across{{0.0f, shade(0.1f)}, {0.55f, shade(0.1f)}, {1.0f, shade(0.75f)}};
  const std::vector<qo::ColorStop> down{{0.0f, shade(0.55f)}, {0.3f, shade(0.15f)}, {0.7f, shade(0.55f)}, {1.0f, shade(0.95f)}};
  qo::fill_round_rect(canvas, qo::shader_paint(qo::build_linear_gradient(across, 0, 0, WINDOW_W, WINDOW_H, 90)), 0, 0,
                      WINDOW_W, WINDOW_H, 0);
  qo::fill_round_rect(canvas, qo::shader_paint(qo::build_linear_gradient(down, 0, 0, WINDOW_W, WINDOW_H, 180)), 0, 0,
                      WINDOW_W, WINDOW_H, 0);
  return canvas.pixmap;
}

void BM_overlay_blend(benchmark::State& state) {
  const float scale = scale_of(state);
  const qo::Pixmap overlay = overlay_layer(scale);
  qo::Pixmap frame = window_pixmap(scale);
  frame.fill(qo::Color::from_rgba8(40, 90, 80));
  for (auto _ : state) {
    qo::blend_pixmap_opacity(frame, overlay, 1.0f, 0, 0);
    benchmark::DoNotOptimize(frame.pixels().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.byte_size()));
}

void BM_overlay_blend_memcpy(benchmark::State& state) { run_memcpy(state, window_pixmap(scale_of(state)).byte_size()); }

void BM_restore_copy(benchmark::State& state) {
  const float scale = scale_of(state);
  qo::Pixmap base = window_pixmap(scale);
  base.fill(qo::Color::from_rgba8(40, 90, 80));
  qo::Pixmap frame = window_pixmap(scale);
  for (auto _ : state) {
    qo::copy_scaled_pixel_rect(base, frame.bytes(), qo::RectF{0, 0, WINDOW_W, WINDOW_H}, scale);
    benchmark::DoNotOptimize(frame.pixels().data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.byte_size()));
}

void BM_restore_copy_memcpy(benchmark::State& state) { run_memcpy(state, window_pixmap(scale_of(state)).byte_size()); }

// Forty glyphs, accents included, as a status line would show them.
constexpr char TEXT_LINE[] = "Baixando atualização: 12 de 48 arquivos!";

struct TextFixture {
  qo::Font font;
  qo::GlyphRun run;
  static constexpr float SIZE = 13.0f;
  static constexpr float X = 40.0f;
  static constexpr float BASELINE = 600.0f;
};

std::optional<TextFixture> text_fixture() {
  auto font = qo::load_font(qo::embedded_asset("fonts/Manrope-Regular.ttf"));
  if (!font) return std::nullopt;
  qo::GlyphRun run = qo::shape_line(*font, TextFixture::SIZE, 0.0f, TEXT_LINE, false);
  return TextFixture{std::move(*font), std::move(run)};
}

size_t text_layer_bytes(const TextFixture& text, float scale) {
  const qo::Canvas probe = qo::Canvas::make(1, 1, 0, 0, scale);
  const auto box = qo::glyph_layer_box(probe, text.font, TextFixture::X, TextFixture::BASELINE, text.run);
  return box ? size_t{box->width} * box->height * 4 : 0;
}

void BM_text_line(benchmark::State& state) {
  const float scale = scale_of(state);
  auto text = text_fixture();
  if (!text) {
    state.SkipWithError("the embedded font does not load");
    return;
  }
  qo::Canvas canvas = qo::Canvas::make(qo::device_size(WINDOW_W, scale), qo::device_size(WINDOW_H, scale), 0, 0, scale);
  const qo::Paint paint = qo::solid_paint(qo::Color{0.93f, 0.91f, 0.85f, 1.0f});
  for (auto _ : state) {
    qo::draw_glyph_run(canvas, text->font, TextFixture::X, TextFixture::BASELINE, text->run, paint);
    benchmark::DoNotOptimize(canvas.pixmap.pixels().data());
  }
  state.counters["glyphs"] = static_cast<double>(text->run.glyphs.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text_layer_bytes(*text, scale)));
}

void BM_text_line_memcpy(benchmark::State& state) {
  const auto text = text_fixture();
  run_memcpy(state, text ? text_layer_bytes(*text, scale_of(state)) : 4);
}

#define QO_WINDOW_BENCHMARK(name)                                   \
  BENCHMARK(name)->ArgName("s")->Arg(1)->Arg(2);                    \
  BENCHMARK(name##_memcpy)->ArgName("s")->Arg(1)->Arg(2)

QO_WINDOW_BENCHMARK(BM_header_blur);
QO_WINDOW_BENCHMARK(BM_background_zoom);
QO_WINDOW_BENCHMARK(BM_overlay_blend);
QO_WINDOW_BENCHMARK(BM_restore_copy);
QO_WINDOW_BENCHMARK(BM_text_line);


}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  qo::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  return 0;
}
