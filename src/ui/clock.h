#pragma once
// The clock seam of the window: a monotonic instant that the UI clock counts from, and the wall clock that the
// countdown and the spark seed read. The system form reads the machine's clocks; the fixed form returns values
// set by its owner, so tests and captures are exact.
//
// Instants stay 64-bit integers (nanoseconds); only differences become floating point. The UI clock itself is
// kept in f64 seconds: an f32 second count steps by 62.5 ms after a week open, which would make tweens and
// sparks stutter.
#include <cstdint>

namespace qo {

class UiClockSource {
 public:
  // Reads CLOCK_MONOTONIC and CLOCK_REALTIME.
  static UiClockSource system();
  // Returns the given instants until advanced or set.
  static UiClockSource fixed(int64_t monotonic_ns, int64_t wall_ns);

  bool is_fixed() const { return fixed_; }
  // Nanoseconds on a clock that never goes back (its origin is arbitrary).
  int64_t monotonic_ns() const;
  // Nanoseconds since 1970-01-01 00:00 UTC; negative before it.
  int64_t wall_ns() const;
  // Milliseconds since 1970-01-01 00:00 UTC, rounded towards minus infinity.
  int64_t wall_ms() const;

  // Fixed form only (the system form ignores them): both clocks move on by `ns`; the wall clock is set.
  void advance(int64_t ns);
  void set_wall_ns(int64_t wall_ns);

 private:
  UiClockSource(bool fixed, int64_t monotonic_ns, int64_t wall_ns)
      : fixed_(fixed), monotonic_ns_(monotonic_ns), wall_ns_(wall_ns) {}

  bool fixed_;
  int64_t monotonic_ns_;
  int64_t wall_ns_;
};

// Seconds from one monotonic instant to a later one (negative when it lies before), as f64.
inline double seconds_between(int64_t from_ns, int64_t to_ns) {
  return static_cast<double>(to_ns - from_ns) / 1e9;
}

}  // namespace qo
