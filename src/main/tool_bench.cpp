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

// One row's pixels with alpha forced opaque; in fixed-size chunks over unaliased rows, so it is vectorised.
void copy_opaque(uint32_t* __restrict dst, const uint32_t* __restrict src, size_t count) {
  constexpr size_t CHUNK = 16;
  size_t i = 0;
  for (; i + CHUNK <= count; i += CHUNK)
    for (size_t k = 0; k < CHUNK; ++k) dst[i + k] = src[i + k] | 0xFF000000u;
  for (; i < count; ++i) dst[i] = src[i] | 0xFF000000u;
}

// The window shell's copy into its back buffer: each rectangle clipped to both, alpha forced opaque.
void copy_to_back_buffer(const Pixmap& canvas, std::vector<uint32_t>& back, const DirtyRect& r) {
  const auto width = static_cast<int32_t>(canvas.width());
  const auto height = static_cast<int32_t>(canvas.height());
  const int32_t x0 = std::clamp(r.x, 0, width);
  const int32_t y0 = std::clamp(r.y, 0, height);
  const int32_t x1 = std::clamp(r.x + r.w, x0, width);
  const int32_t y1 = std::clamp(r.y + r.h, y0, height);
  for (int32_t y = y0; y < y1; ++y) {
    const uint32_t* src = canvas.row(static_cast<uint32_t>(y)) + x0;
    uint32_t* dst = back.data() + static_cast<size_t>(y) * canvas.width() + x0;
    copy_opaque(dst, src, static_cast<size_t>(x1 - x0));
  }
}

// Moves the UI clock's origin one frame back, unless that instant is not representable.
void step_animation_clock(UiState& ui) {
  if (ui.start_instant_ns >= std::numeric_limits<int64_t>::min() + FRAME_STEP_NS) ui.start_instant_ns -= FRAME_STEP_NS;
}

BenchFigures measure_frames(UiState& ui, float scale, double init_ms) {
  BenchFigures figures{scale, init_ms, {}, 0};
  figures.frame_ms.reserve(BENCH_FRAMES);
  std::vector<uint32_t> back(ui.canvas.pixmap.pixel_count(), 0);
  const auto canvas_width = static_cast<int32_t>(ui.canvas.pixmap.width());
  for (int i = 0; i < BENCH_FRAMES; ++i) {
    const Clock::time_point f0 = Clock::now();
    step_animation_clock(ui);
    const std::vector<DirtyRect> rects = render_frame(ui);
    if (rects.size() == 1 && rects.front().w >= canvas_width) ++figures.complete_frames;
    for (const DirtyRect& r : rects) copy_to_back_buffer(ui.canvas.pixmap, back, r);
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
