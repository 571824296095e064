#pragma once
// Process-wide nanosecond counters of the frame's drawing stages, read by the benchmark. Only the UI thread adds
// to them; the adds are atomic so a reader on another thread sees whole values.
#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qo {

enum class FrameStage : size_t {
  Background = 0,  // "fundo": the synchronous background repaint
  Glass,           // "vidro": the UI thread's glass panels
  Compose,         // "compor": the element layers onto the canvas (whole, or the flagged bands)
  Copy,            // "copia": the background copied whole onto the canvas
  Sparks,          // "faiscas"
  Seal,            // "selo": never timed
  Rune,            // "runa"
  Logo,            // "logo"
  Countdown,       // "countdown"
  Pulse,           // "pulso": never timed
  Spare1,
  Spare2,
};

inline constexpr size_t STAGE_COUNT = 12;

// Report names in table order; the spare slots are "-".
inline constexpr std::array<std::string_view, STAGE_COUNT> STAGE_NAMES = {
    "fundo", "vidro", "compor", "copia", "faiscas", "selo", "runa", "logo", "countdown", "pulso", "-", "-"};

class StageTimers {
 public:
  static void reset();
  static void add(FrameStage stage, uint64_t ns);
  static uint64_t total_ns(FrameStage stage);

 private:
  static std::array<std::atomic<uint64_t>, STAGE_COUNT>& counters();
};

// Adds the time from its construction to its destruction to one stage.
class StageTimer {
 public:
  explicit StageTimer(FrameStage stage) : stage_(stage), start_(std::chrono::steady_clock::now()) {}
  ~StageTimer();
  StageTimer(const StageTimer&) = delete;
  StageTimer& operator=(const StageTimer&) = delete;

 private:
  FrameStage stage_;
  std::chrono::steady_clock::time_point start_;
};

// Runs `work` inside a timer of `stage`.
template <typename Work>
void timed_stage(FrameStage stage, Work&& work) {
  StageTimer timer(stage);
  work();
}

}  // namespace qo
