#pragma once
// What the benchmarks share: a memcpy of a given byte count as the yardstick, and a console reporter that ends
// with each operation's time beside its yardstick ("<name>_memcpy" with the same arguments).
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <fmt/format.h>

namespace qo::bench {

inline constexpr char MEMCPY_SUFFIX[] = "_memcpy";

// Copies `bytes` bytes per iteration: the yardstick each operation is compared with.
inline void run_memcpy(benchmark::State& state, size_t bytes) {
  std::vector<uint8_t> source(bytes, 0x5A);
  std::vector<uint8_t> target(bytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), bytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

// Shows the usual console table, and keeps each run's real time so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(OO_Tabular) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred) continue;
      // With repetitions, the median stands for the operation; a single run stands for itself.
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      std::string name = run.run_name.str();
      nanoseconds_[name] = run.GetAdjustedRealTime() * multiplier(run.time_unit);
    }
  }

  void print_ratios() const {
    fmt::print("\n{:<28} {:>14} {:>14} {:>10}\n", "operation", "time", "memcpy", "ratio");
    for (const auto& [name, ns] : nanoseconds_) {
      std::string pair = name;
      const size_t slash = pair.find('/');
      if (slash == std::string::npos || pair.substr(0, slash).ends_with(MEMCPY_SUFFIX)) continue;
      pair.insert(slash, MEMCPY_SUFFIX);
      const auto found = nanoseconds_.find(pair);
      if (found == nanoseconds_.end() || found->second <= 0) continue;
      fmt::print("{:<28} {:>11.1f} us {:>11.2f} us {:>9.1f}x\n", name, ns / 1000.0, found->second / 1000.0,
                 ns / found->second);
    }
  }

 private:
  static double multiplier(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      case benchmark::kNanosecond: return 1.0;
    }
    return 1.0;
  }

  std::map<std::string, double> nanoseconds_;
};

}  // namespace qo::bench
