#include "win/frame_pacer.h"

#include <cstdio>
#include <cstdlib>

namespace qo {
namespace {

// A deadline that cannot be advanced any more means a broken clock: nothing sensible can follow.
std::int64_t later_by(std::int64_t instant_ns, std::int64_t interval_ns) {
    std::int64_t later = 0;
    if (__builtin_add_overflow(instant_ns, interval_ns, &later)) {
        std::fputs("frame deadline overflow\n", stderr);
        std::abort();
    }
    return later;
}

}  // namespace

void FramePacer::frame_drawn(std::int64_t now_ns) {
    deadline_ns_ = later_by(deadline_ns_, interval_ns_);
    if (deadline_ns_ < now_ns) deadline_ns_ = later_by(now_ns, interval_ns_);
}

}  // namespace qo
