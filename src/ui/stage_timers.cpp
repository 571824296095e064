#include "ui/stage_timers.h"

namespace qo {

std::array<std::atomic<uint64_t>, STAGE_COUNT>& StageTimers::counters() {
  static std::array<std::atomic<uint64_t>, STAGE_COUNT> table{};
  return table;
}

void StageTimers::reset() {
  for (auto& counter : counters()) counter.store(0, std::memory_order_relaxed);
}

void StageTimers::add(FrameStage stage, uint64_t ns) {
  counters()[static_cast<size_t>(stage)].fetch_add(ns, std::memory_order_relaxed);
}

uint64_t StageTimers::total_ns(FrameStage stage) {
  return counters()[static_cast<size_t>(stage)].load(std::memory_order_relaxed);
}

StageTimer::~StageTimer() {
  const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start_);
  StageTimers::add(stage_, static_cast<uint64_t>(elapsed.count()));
}

}  // namespace qo
