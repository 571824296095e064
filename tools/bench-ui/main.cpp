// The window state's one-off and on-change work, at the scales in hundredths (s:100 is scale 1), each paired
// with a memcpy of the window canvas at that scale:
//   load_assets_and_init_ui   the whole state: fonts, icons, pictures, scaled layers, sparks, layout (it delays
//                             the first frame; goal 60 ms at scale 1);
//   rebuild_scaled_layers     everything redone on a scale change;
//   paint_header_layer, paint_right_column_layer, paint_footer_layer
//                             one repaint of an element layer with the built-in content (they run on hover;
//                             goal 1 ms each at scale 1); "_cold" also draws every line of text anew, as the
//                             first paint after a relayout does;
//   relayout_texts            measuring the texts and rebuilding the layout and hit list;
//   draw_settings_dialog      one repaint of the settings dialog (the capture's model) into its cleared layer, as
//                             each frame of its fade-in and each change while it is open makes it; "_cold" also
//                             blurs every shadow and draws every line anew, as the first paint at a scale does;
//   open_settings_dialog      opening it: the snapshot and its halved, blurred, darkened backdrop.
//   backdrop_reply            one reply of the backdrop worker as most frames get it: the zoomed background,
//                             the kept glass composited on it (goal 2 ms at scale 1, 6 ms at scale 2, so the
//                             worker keeps up with 60 Hz); "_panels" also draws the four panels anew, as one
//                             reply a second does; both run on the benchmark's thread, alone, as the worker
//                             runs on its own;
//   backdrop_background       its background alone (zoom and overlay), the bulk of a reply;
//   draw_rune                 the rune's two turning copies as one frame draws them, at successive frames'
//                             clocks (the picture area's largest stage).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <optional>

#include "bench-support/memcpy_ratio.h"
#include "config/default_launcher_config.h"
#include "gfx/canvas.h"
#include "ui/assets.h"
#include "ui/backdrop.h"
#include "ui/frame_parts.h"
#include "ui/layers.h"
#include "ui/layout.h"
#include "ui/main_painter.h"
#include "ui/settings_dialog.h"
#include "ui/status.h"
#include "ui/ui_state.h"

namespace {

using qo::bench::run_memcpy;

float scale_of(const benchmark::State& state) { return static_cast<float>(state.range(0)) / 100.0f; }

size_t canvas_bytes(float scale) {
  return size_t{qo::device_size(qo::WINDOW_WIDTH, scale)} * qo::device_size(qo::WINDOW_HEIGHT, scale) * 4;
}

void BM_canvas_memcpy(benchmark::State& state) { run_memcpy(state, canvas_bytes(scale_of(state))); }

qo::UiEnvironment environment() {
  // No override folder: the embedded pictures, as on a fresh install.
  return qo::UiEnvironment{std::filesystem::temp_directory_path() / "qo-bench-ui-no-media"};
}

// A state with the built-in launcher.json content and a finished update, as most repaints see it.
qo::UiState content_state(float scale) {
  qo::UiState ui = qo::load_assets_and_init_ui(scale, environment());
  const qo::LauncherConfig config =
      qo::default_launcher_config(qo::Endpoints{"https://site.example", "https://update.example"});
  ui.server_status_text = "ONLINE";
  ui.server_online = true;
  qo::set_launcher_content(ui, *config.links, *config.news, *config.info, std::nullopt);
  qo::set_status(ui, "Cliente pronto para jogar.", "-", 100.0f, 100.0f, "");
  ui.play_armed = true;
  ui.play_caption = "cliente pronto";
  qo::draw_main_screen(ui);
  return ui;
}

void BM_load_assets_and_init_ui(benchmark::State& state) {
  const float scale = scale_of(state);
  for (auto _ : state) {
    qo::UiState ui = qo::load_assets_and_init_ui(scale, environment());
    benchmark::DoNotOptimize(ui.canvas.pixmap.pixels().data());
  }
}

void BM_rebuild_scaled_layers(benchmark::State& state) {
  const float scale = scale_of(state);
  qo::UiState ui = content_state(scale);
  for (auto _ : state) {
    qo::rebuild_scaled_layers(ui, scale);
    benchmark::DoNotOptimize(ui.layers.overlay->pixels().data());
  }
}

// A repaint as a hover makes it: the layer's lines of text already drawn once (`warm`), or every line drawn
// anew, as on the first paint after a relayout.
template <void (*Paint)(qo::UiState&), bool warm>
void BM_paint_layer(benchmark::State& state) {
  qo::UiState ui = content_state(scale_of(state));
  for (auto _ : state) {
    if (!warm) ui.sprites = qo::SpriteCache{};
    Paint(ui);
    benchmark::ClobberMemory();
  }
}

void BM_relayout_texts(benchmark::State& state) {
  qo::UiState ui = content_state(scale_of(state));
  for (auto _ : state) {
    qo::relayout_texts(ui);
    benchmark::DoNotOptimize(ui.hit_regions.data());
  }
}

// `warm`: the dialog's shadows and texts already drawn once, as every repaint after the first finds them; cold:
// the first paint after opening at a new scale, every shadow blurred and every line drawn anew.
template <bool warm>
void BM_draw_settings_dialog(benchmark::State& state) {
  qo::UiState ui = content_state(scale_of(state));
  qo::open_settings_dialog(ui, qo::capture_settings_model());
  qo::Canvas layer = qo::Canvas::make(ui.canvas_width, ui.canvas_height, 0.0f, 0.0f, ui.scale);
  qo::draw_settings_dialog(ui, layer, *ui.dialog);
  for (auto _ : state) {
    if (!warm) ui.sprites = qo::SpriteCache{};
    layer.pixmap.clear();
    benchmark::DoNotOptimize(qo::draw_settings_dialog(ui, layer, *ui.dialog).data());
    benchmark::ClobberMemory();
  }
}

// Replies at successive frames' clocks, each painted into the frame the one before it came in, as the window hands
// frames back; `panels_each_time` moves the clock a second a request, so every reply draws the panels anew.
template <bool panels_each_time>
void BM_backdrop_reply(benchmark::State& state) {
  const qo::UiState ui = content_state(scale_of(state));
  qo::BackdropRenderer renderer(qo::copy_backdrop_scene(ui));
  const std::vector<qo::PanelBackdrop> panels = qo::main_panel_backdrops(ui.layout);
  double t = 10.0;
  qo::Pixmap reply = renderer.render(qo::BackdropRequest{t, panels});
  for (auto _ : state) {
    t += panels_each_time ? qo::BACKDROP_REFRESH_SECS : 1.0 / 60.0;
    if (!panels_each_time && t > 10.9) t = 10.0 + 1.0 / 60.0;  // stays within the kept second
    reply = renderer.render(qo::BackdropRequest{t, panels, std::move(reply)});
    benchmark::DoNotOptimize(reply.pixels().data());
  }
}

void BM_backdrop_background(benchmark::State& state) {
  const qo::UiState ui = content_state(scale_of(state));
  qo::Pixmap frame = qo::Pixmap::make(ui.canvas.pixmap.width(), ui.canvas.pixmap.height());
  double t = 10.0;
  for (auto _ : state) {
    t += 1.0 / 60.0;
    qo::draw_animated_background(frame, *ui.layers.hero, ui.scale, ui.layers.hero_x, ui.layers.hero_y,
                                 *ui.layers.overlay, t);
    benchmark::ClobberMemory();
  }
}

void BM_draw_rune(benchmark::State& state) {
  qo::UiState ui = content_state(scale_of(state));
  ui.ui_clock = 100.0;
  ui.intro_start = 0.0;  // faded in
  for (auto _ : state) {
    ui.ui_clock += 1.0 / 60.0;
    qo::draw_rune(ui);
    benchmark::ClobberMemory();
  }
}

void BM_open_settings_dialog(benchmark::State& state) {
  qo::UiState ui = content_state(scale_of(state));
  for (auto _ : state) {
    qo::open_settings_dialog(ui, qo::capture_settings_model());
    benchmark::DoNotOptimize(ui.dialog->backdrop.pixels().data());
  }
}

// Each operation is named "<op>/s:<scale>"; its yardstick is "<op>_memcpy/s:<scale>".
void register_all() {
  const auto pair = [](const char* name, auto fn, std::initializer_list<int64_t> scales) {
    for (int64_t s : scales) {
      benchmark::RegisterBenchmark(name, fn)->ArgName("s")->Arg(s)->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark((std::string(name) + qo::bench::MEMCPY_SUFFIX).c_str(), BM_canvas_memcpy)
          ->ArgName("s")
          ->Arg(s)
          ->Unit(benchmark::kMicrosecond);
    }
  };
  pair("load_assets_and_init_ui", BM_load_assets_and_init_ui, {100, 200});
  pair("rebuild_scaled_layers", BM_rebuild_scaled_layers, {100, 150, 200});
  pair("paint_header_layer", BM_paint_layer<qo::paint_header_layer, true>, {100, 200});
  pair("paint_right_column_layer", BM_paint_layer<qo::paint_right_column_layer, true>, {100, 200});
  pair("paint_footer_layer", BM_paint_layer<qo::paint_footer_layer, true>, {100, 200});
  pair("paint_header_layer_cold", BM_paint_layer<qo::paint_header_layer, false>, {100});
  pair("paint_right_column_layer_cold", BM_paint_layer<qo::paint_right_column_layer, false>, {100});
  pair("paint_footer_layer_cold", BM_paint_layer<qo::paint_footer_layer, false>, {100});
  pair("relayout_texts", BM_relayout_texts, {100});
  pair("draw_settings_dialog", BM_draw_settings_dialog<true>, {100, 200});
  pair("draw_settings_dialog_cold", BM_draw_settings_dialog<false>, {100, 200});
  pair("open_settings_dialog", BM_open_settings_dialog, {100, 200});
  pair("backdrop_reply", BM_backdrop_reply<false>, {100, 200});
  pair("backdrop_reply_panels", BM_backdrop_reply<true>, {100, 200});
  pair("backdrop_background", BM_backdrop_background, {100, 200});
  pair("draw_rune", BM_draw_rune, {100, 125, 150, 175, 200});
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  register_all();
  qo::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratios();
  benchmark::Shutdown();
  return 0;
}
