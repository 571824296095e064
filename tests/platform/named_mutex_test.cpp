#include "platform/named_mutex.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <thread>

#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qo {
namespace {

using namespace std::chrono_literals;

constexpr std::string_view kName = "Global\\QoOnline.Launcher";

class NamedMutexTest : public ::testing::Test {
protected:
    test::TempDir runtime_;
    test::ScopedEnv env_{"XDG_RUNTIME_DIR", runtime_.path().string()};
};

TEST_F(NamedMutexTest, LockFileLivesInTheRuntimeFolderUnderAFlatName) {
    EXPECT_EQ(named_mutex_lock_path(kName), runtime_.path() / "Global_QoOnline.Launcher.lock");
}

// /tmp is shared: the lock there carries the user's id, and a link planted at its name is never followed.
TEST_F(NamedMutexTest, LockFileFallsBackToTmpUnderTheUsersIdAndRefusesALinkThere) {
    test::ScopedEnv empty("XDG_RUNTIME_DIR", "");
    EXPECT_EQ(named_mutex_lock_path(kName),
              std::filesystem::path("/tmp/Global_QoOnline.Launcher-" + std::to_string(::getuid()) + ".lock"));

    const std::string name = "Global\\QoTest.Planted-" + std::to_string(::getpid());
    const std::filesystem::path planted = named_mutex_lock_path(name);
    const std::filesystem::path target = runtime_ / "target";
    std::filesystem::create_symlink(target, planted);
    NamedMutexCreated created = create_named_mutex(name);
    std::filesystem::remove(planted);
    EXPECT_FALSE(created.mutex.has_value());
    EXPECT_FALSE(created.error.empty());
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST_F(NamedMutexTest, SecondCreatorSeesTheMutexHeldUntilReleased) {
    NamedMutexCreated first = create_named_mutex(kName);
    ASSERT_TRUE(first.mutex.has_value()) << first.error;
    EXPECT_FALSE(first.already_exists);
    EXPECT_TRUE(first.mutex->owned());

    NamedMutexCreated second = create_named_mutex(kName);
    ASSERT_TRUE(second.mutex.has_value());
    EXPECT_TRUE(second.already_exists);
    EXPECT_FALSE(second.mutex->owned());
    EXPECT_EQ(second.mutex->wait(30ms), MutexWait::TimedOut);

    first.mutex->release();
    EXPECT_FALSE(first.mutex->owned());
    EXPECT_EQ(second.mutex->wait(1s), MutexWait::Acquired);
    EXPECT_TRUE(second.mutex->owned());
}

TEST_F(NamedMutexTest, ClosingTheHandleLetsGo) {
    {
        NamedMutexCreated first = create_named_mutex(kName);
        ASSERT_TRUE(first.mutex && first.mutex->owned());
    }
    NamedMutexCreated again = create_named_mutex(kName);
    ASSERT_TRUE(again.mutex.has_value());
    EXPECT_FALSE(again.already_exists);
}

TEST_F(NamedMutexTest, ReleasingAnUnownedHandleLeavesTheOwnerAlone) {
    NamedMutexCreated owner = create_named_mutex(kName);
    NamedMutexCreated other = create_named_mutex(kName);
    ASSERT_TRUE(owner.mutex && other.mutex);
    other.mutex->release();
    other.mutex.reset();
    EXPECT_TRUE(create_named_mutex(kName).already_exists);
}

TEST_F(NamedMutexTest, UnusableRuntimeFolderGivesNoHandle) {
    test::ScopedEnv missing("XDG_RUNTIME_DIR", (runtime_.path() / "missing").string());
    NamedMutexCreated created = create_named_mutex(kName);
    EXPECT_FALSE(created.mutex.has_value());
    EXPECT_FALSE(created.already_exists);
    EXPECT_FALSE(created.error.empty());
}

TEST_F(NamedMutexTest, SingleInstanceSlotReleasesOnceAndToleratesEmptiness) {
    NamedMutexCreated created = create_named_mutex(kName);
    ASSERT_TRUE(created.mutex && created.mutex->owned());
    store_single_instance_mutex(std::move(*created.mutex));
    EXPECT_TRUE(create_named_mutex(kName).already_exists);

    release_single_instance_mutex();
    EXPECT_FALSE(create_named_mutex(kName).already_exists);
    release_single_instance_mutex();  // empty slot: nothing to do
    EXPECT_EQ(take_single_instance_mutex(), nullptr);
}

TEST_F(NamedMutexTest, SingleInstanceSlotHandsItsHandleToWhoeverTakesIt) {
    NamedMutexCreated created = create_named_mutex(kName);
    ASSERT_TRUE(created.mutex.has_value());
    store_single_instance_mutex(std::move(*created.mutex));
    std::unique_ptr<NamedMutex> taken = take_single_instance_mutex();
    ASSERT_NE(taken, nullptr);
    EXPECT_TRUE(taken->owned());
    EXPECT_EQ(take_single_instance_mutex(), nullptr);
}

TEST_F(NamedMutexTest, ConcurrentWaiterTakesOverWhenTheOwnerReleases) {
    NamedMutexCreated owner = create_named_mutex(kName);
    NamedMutexCreated waiter = create_named_mutex(kName);
    ASSERT_TRUE(owner.mutex && waiter.mutex);
    std::jthread releaser([&] {
        std::this_thread::sleep_for(50ms);
        owner.mutex->release();
    });
    EXPECT_EQ(waiter.mutex->wait(10s), MutexWait::Acquired);
}

}  // namespace
}  // namespace qo
