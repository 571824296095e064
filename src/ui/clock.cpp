#include "ui/clock.h"

#include <chrono>

namespace qo {
namespace {

template <typename Clock>
int64_t nanoseconds_of() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

}  // namespace

UiClockSource UiClockSource::system() { return UiClockSource(false, 0, 0); }

UiClockSource UiClockSource::fixed(int64_t monotonic_ns, int64_t wall_ns) {
  return UiClockSource(true, monotonic_ns, wall_ns);
}

int64_t UiClockSource::monotonic_ns() const {
  return fixed_ ? monotonic_ns_ : nanoseconds_of<std::chrono::steady_clock>();
}

int64_t UiClockSource::wall_ns() const {
  return fixed_ ? wall_ns_ : nanoseconds_of<std::chrono::system_clock>();
}

int64_t UiClockSource::wall_ms() const {
  const int64_t ns = wall_ns();
  const int64_t ms = ns / 1'000'000;
  return (ns % 1'000'000 < 0) ? ms - 1 : ms;
}

void UiClockSource::advance(int64_t ns) {
  if (!fixed_) return;
  monotonic_ns_ += ns;
  wall_ns_ += ns;
}

void UiClockSource::set_wall_ns(int64_t wall_ns) {
  if (fixed_) wall_ns_ = wall_ns;
}

}  // namespace qo
