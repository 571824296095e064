#include "main/tool_bench.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <numeric>

#include "config/launcher_config_file.h"
#include "main/deployment_endpoints.h"
#include "main/tool_render_sample.h"
#include "platform/back_buffer_copy.h"
#include "platform/files.h"
#include "platform/process.h"
#include "ui/fast_forward.h"
#include "ui/frame.h"
#include "ui/stage_timers.h"
#include "ui/status.h"

namespace qo {
namespace {

using Clock = std::chrono::steady_clock;

double milliseconds_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The sample window of the benchmark: an up-to-date client, Play armed, the opening animations done.
void prepare_bench_screen(UiState& ui) {
  set_status(ui, "Cliente atualizado.", "-", 100.0f, 100.0f, "");
  ui.play_armed = true;
  ui.play_caption = "cliente pronto";
  ui.redraw_needed = true;
  fast_forward_and_render(ui, 3.0f);
}

// Moves the UI clock's origin one frame back, unless that instant is not representable.
void step_animation_clock(UiState& ui) {
  if (ui.start_instant_ns >= std::numeric_limits<int64_t>::min() + FRAME_STEP_NS) ui.start_instant_ns -= FRAME_STEP_NS;
}

BenchFigures measure_frames(UiState& ui, float scale, double init_ms) {
  BenchFigures figures{scale, init_ms, {}, 0};
  figures.frame_ms.reserve(BENCH_FRAMES);
  const Pixmap& canvas = ui.canvas.pixmap;
  const auto canvas_width = static_cast<int32_t>(canvas.width());
  const auto canvas_height = static_cast<int32_t>(canvas.height());
  // The window's back buffer, filled by the window's own copy.
  std::vector<uint32_t> back(canvas.pixel_count(), 0);
  const PixelTarget back_buffer{back.data(), canvas_width, canvas_height, canvas_width};
  for (int i = 0; i < BENCH_FRAMES; ++i) {
    const Clock::time_point f0 = Clock::now();
    step_animation_clock(ui);
    const std::vector<DirtyRect> rects = render_frame(ui);
    if (rects.size() == 1 && rects.front().w >= canvas_width) ++figures.complete_frames;
    std::vector<PixelRect> shown;
    for (const DirtyRect& r : rects) shown.push_back(PixelRect{r.x, r.y, r.w, r.h});
    copy_rects_opaque(PixelSource{canvas.pixels().data(), canvas_width, canvas_height, canvas_width}, back_buffer,
                      shown);
    figures.frame_ms.push_back(milliseconds_since(f0));
  }
  return figures;
}

}  // namespace

std::string bench_report(const BenchFigures& figures) {
  const std::vector<double>& times = figures.frame_ms;
  std::vector<double> sorted = times;
  std::sort(sorted.begin(), sorted.end());
  const auto at = [&](size_t i) { return sorted.empty() ? 0.0 : sorted[std::min(i, sorted.size() - 1)]; };
  const double frames = BENCH_FRAMES;
  const double mean = std::accumulate(times.begin(), times.end(), 0.0) / frames;
  std::string report = fmt::format(
      "escala {} init {:.1f} ms\nquadros 600 (10 s a 60 fps): media {:.2f} ms, mediana {:.2f}, p95 {:.2f}, max "
      "{:.2f}, quadros completos {}\nCPU estimada a 60 fps: {:.1f}% de um nucleo\n",
      scale_text(figures.scale), figures.init_ms, mean, at(300), at(570), at(599), figures.complete_frames,
      mean * 60.0 / 10.0);
  for (size_t k = 0; k < STAGE_COUNT; ++k) {
    const double total_ms = static_cast<double>(StageTimers::total_ns(static_cast<FrameStage>(k))) / 1'000'000.0;
    if (total_ms > 0.0)
      report += fmt::format("  {}: {:.1f} ms total ({:.2f} ms/quadro)\n", STAGE_NAMES[k], total_ms, total_ms / frames);
  }
  return report;
}

int run_bench(const std::filesystem::path& game_dir, const LauncherConfig& config, float scale,
              const std::filesystem::path& report) {
  const Clock::time_point t_init = Clock::now();
  UiState ui = make_tool_ui(scale, game_dir);
  const double init_ms = milliseconds_since(t_init);
  show_sample_content(ui, config);
  prepare_bench_screen(ui);
  StageTimers::reset();
  const BenchFigures figures = measure_frames(ui, scale, init_ms);
  (void)write_whole_file(report, bench_report(figures));
  return 0;
}

int bench_mode(const std::vector<std::string>& arguments) {
  const float scale = tool_scale(arguments);
  const std::filesystem::path game_dir = launcher_dir();
  const LauncherConfig config = load_launcher_config(game_dir, deployment_endpoints());
  return run_bench(game_dir, config, scale, arguments.at(1));
}

}  // namespace qo
