#include "sealed/remove_with_retries.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/temp_dir.h"

namespace qo {
namespace {

using namespace std::chrono_literals;

struct PauseLog {
    std::vector<std::chrono::milliseconds> pauses;
    RetryPause pause() {
        return [this](std::chrono::milliseconds d) { pauses.push_back(d); };
    }
};

TEST(RemoveFileWithRetries, RemovesAFileAtTheFirstTry) {
    test::TempDir dir;
    test::write_file(dir / "QoTarmish.old", "antigo");
    PauseLog log;
    EXPECT_EQ(remove_file_with_retries(dir / "QoTarmish.old", log.pause()), 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "QoTarmish.old"));
    EXPECT_TRUE(log.pauses.empty());
}

TEST(RemoveFileWithRetries, MissingFileStopsAfterOneTry) {
    test::TempDir dir;
    PauseLog log;
    EXPECT_EQ(remove_file_with_retries(dir / "missing.old", log.pause()), 1);
    EXPECT_TRUE(log.pauses.empty());
}

TEST(RemoveFileWithRetries, GivesUpAfterThirtyTriesHalfASecondApart) {
    test::TempDir dir;
    // A folder with something in it cannot be deleted as a file.
    test::write_file(dir / "stuck.old" / "inside", "x");
    PauseLog log;
    EXPECT_EQ(remove_file_with_retries(dir / "stuck.old", log.pause()), 30);
    EXPECT_EQ(log.pauses.size(), 29u);
    for (auto pause : log.pauses) EXPECT_EQ(pause, 500ms);
    EXPECT_TRUE(std::filesystem::exists(dir / "stuck.old"));
}

TEST(RemoveFileWithRetries, SucceedsOnceTheObstacleGoesAway) {
    test::TempDir dir;
    test::write_file(dir / "busy.old" / "inside", "x");
    int pauses = 0;
    const int tries = remove_file_with_retries(dir / "busy.old", [&](std::chrono::milliseconds) {
        if (++pauses == 3) std::filesystem::remove(dir / "busy.old" / "inside");
    });
    EXPECT_EQ(tries, 4);
    EXPECT_FALSE(std::filesystem::exists(dir / "busy.old"));
}

TEST(RemoveFileWithRetries, StopsWhenSomeoneElseRemovedTheFile) {
    test::TempDir dir;
    test::write_file(dir / "busy.old" / "inside", "x");
    const int tries = remove_file_with_retries(dir / "busy.old", [&](std::chrono::milliseconds) {
        std::filesystem::rename(dir / "busy.old", dir / "moved");
    });
    EXPECT_EQ(tries, 2);
}

}  // namespace
}  // namespace qo
