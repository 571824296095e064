#pragma once
// "--bench" <report> ["--escala" <scale>]: renders 600 frames of a sample window back to back and writes a
// timing report (frame times, complete frames, estimated CPU share, time per drawing stage).
#include <filesystem>
#include <string>
#include <vector>

#include "config/launcher_config.h"

namespace qo {

inline constexpr int BENCH_FRAMES = 600;
// Animation time added per frame: one 60 Hz frame, rounded up.
inline constexpr int64_t FRAME_STEP_NS = 16'666'668;

// The figures of one run.
struct BenchFigures {
  float scale = 1.0f;
  double init_ms = 0.0;
  std::vector<double> frame_ms;  // in frame order
  unsigned complete_frames = 0;
};

// The report's text; the stage lines come from the stage counters as they stand.
std::string bench_report(const BenchFigures& figures);

// One run for a game folder; the report is written to `report` (a failed write is ignored). Always 0.
int run_bench(const std::filesystem::path& game_dir, const LauncherConfig& config, float scale,
              const std::filesystem::path& report);

// The mode as started from the command line.
int bench_mode(const std::vector<std::string>& arguments);

}  // namespace qo
