#include "updater/replace_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/fault_injection.h"
#include "support/temp_dir.h"

namespace qo {
namespace {

namespace fs = std::filesystem;

TEST(ReplaceRunningLauncher, KillAtAnyChangeLeavesALauncherInPlace) {
    if (auto values = test::armed_child_values()) {  // the child: one replacement in the test's folder
        const fs::path exe = values->at("exe");
        bool replaced = false;
        (void)replace_file(values->at("part"), exe, exe, replaced);
        test::end_armed_child();
    }
    for (int nth = 1;; ++nth) {
        ASSERT_LE(nth, 10);
        test::TempDir game;
        const fs::path exe = game / "QoTarmish";
        const fs::path old = game / "QoTarmish.old";
        const fs::path part = game / "QoTarmish.part";
        test::write_file(exe, "launcher v1");
        test::write_file(old, "leftover");
        test::write_file(part, "launcher v2");
        const test::ChildEnd end =
            test::run_until_killed({.nth = nth, .under = game.path()}, {{"exe", exe.string()}, {"part", part.string()}});
        ASSERT_NE(end, test::ChildEnd::failed);
        const std::string now = test::read_file(exe);
        EXPECT_TRUE(now == "launcher v1" || now == "launcher v2") << "kill " << nth << ": \"" << now << "\"";
        if (end == test::ChildEnd::finished) {
            EXPECT_EQ(now, "launcher v2");
            EXPECT_EQ(test::read_file(old), "launcher v1");
            EXPECT_FALSE(fs::exists(part));
            break;
        }
    }
}

}  // namespace
}  // namespace qo
