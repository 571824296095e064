#pragma once
// When the loop draws the next frame: at most one frame per interval, and never a burst of frames to catch up
// after a slow one.
#include <cstdint>

namespace qo {

class FramePacer {
public:
    FramePacer(std::int64_t interval_ns, std::int64_t now_ns) : interval_ns_(interval_ns), deadline_ns_(now_ns) {}

    // Monotonic instant (ns) at which the next frame is due.
    std::int64_t deadline_ns() const { return deadline_ns_; }
    bool frame_due(std::int64_t now_ns) const { return now_ns >= deadline_ns_; }

    // A frame was drawn; `now_ns` is read after it. The deadline moves one interval on, or to one interval
    // after now when that still lies behind (a frame that took longer than the interval).
    void frame_drawn(std::int64_t now_ns);

    // After the loop blocked for input: the next frame is due at once.
    void restart(std::int64_t now_ns) { deadline_ns_ = now_ns; }

    // Nanoseconds left until the deadline; 0 when it has passed.
    std::int64_t remaining_ns(std::int64_t now_ns) const { return now_ns >= deadline_ns_ ? 0 : deadline_ns_ - now_ns; }

private:
    std::int64_t interval_ns_;
    std::int64_t deadline_ns_;
};

}  // namespace qo
