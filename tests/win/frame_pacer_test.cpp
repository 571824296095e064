// The frame deadline: one frame per interval, no catch-up burst after a slow frame, a fresh start after a block.
#include "win/frame_pacer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "win/launcher_app.h"

namespace qo {
namespace {

constexpr std::int64_t I = FRAME_INTERVAL_NS;
constexpr std::int64_t MS = 1'000'000;

// Runs frames costing `costs` the way the loop does (draw when due, then wait for the deadline) and returns the
// instants at which each frame started.
std::vector<std::int64_t> frame_starts(const std::vector<std::int64_t>& costs) {
    std::int64_t now = 0;
    FramePacer pacer(I, now);
    std::vector<std::int64_t> starts;
    for (const std::int64_t cost : costs) {
        EXPECT_TRUE(pacer.frame_due(now));
        starts.push_back(now);
        now += cost;
        pacer.frame_drawn(now);
        EXPECT_FALSE(pacer.frame_due(now)) << "a second frame at once after the one started at " << starts.back();
        EXPECT_EQ(pacer.remaining_ns(now), pacer.deadline_ns() - now);
        now = pacer.deadline_ns();  // the wait
    }
    return starts;
}

TEST(FramePacer, OneFramePerIntervalAndNoBurstAfterASlowFrame) {
    struct Case {
        const char* name;
        std::vector<std::int64_t> costs;
        std::vector<std::int64_t> starts;
    };
    const std::vector<Case> cases = {
        {"quick frames keep the beat", {2 * MS, 2 * MS, 2 * MS}, {0, I, 2 * I}},
        {"a slow frame: the next one interval after it ends",
         {2 * MS, 40 * MS, 2 * MS, 2 * MS},
         {0, I, I + 40 * MS + I, I + 40 * MS + 2 * I}},
        {"a frame of almost one interval keeps the beat", {I - 1, I - 1}, {0, I}},
        {"two slow frames in a row", {30 * MS, 30 * MS, 1 * MS}, {0, 30 * MS + I, 60 * MS + 2 * I}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(frame_starts(c.costs), c.starts);
    }
}

TEST(FramePacer, AfterBlockingTheNextFrameIsDueAtOnce) {
    FramePacer pacer(I, 0);
    pacer.frame_drawn(1 * MS);
    EXPECT_EQ(pacer.deadline_ns(), I);
    pacer.restart(5'000 * MS);  // woke from a long wait for input
    EXPECT_TRUE(pacer.frame_due(5'000 * MS));
    EXPECT_EQ(pacer.remaining_ns(5'000 * MS), 0);
    pacer.frame_drawn(5'001 * MS);
    EXPECT_EQ(pacer.deadline_ns(), 5'000 * MS + I);
}

}  // namespace
}  // namespace qo
