#include "main/single_instance.h"

#include <gtest/gtest.h>

#include "platform/named_mutex.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qo {
namespace {

using namespace std::chrono_literals;

class SingleInstance : public ::testing::Test {
protected:
    void TearDown() override { release_single_instance_mutex(); }

    test::TempDir runtime_;
    test::ScopedEnv env_{"XDG_RUNTIME_DIR", runtime_.path().string()};
    std::filesystem::path old_exe_ = runtime_ / "QoTarmish.old";
};

TEST_F(SingleInstance, FirstClaimOwnsTheMutexUntilItIsReleased) {
    EXPECT_EQ(claim_single_instance(old_exe_), InstanceRole::Owner);
    EXPECT_TRUE(create_named_mutex(SINGLE_INSTANCE_MUTEX).already_exists);
    release_single_instance_mutex();
    EXPECT_FALSE(create_named_mutex(SINGLE_INSTANCE_MUTEX).already_exists);
}

TEST_F(SingleInstance, HeldMutexWithoutOldExecutableMeansSecondInstanceAtOnce) {
    NamedMutexCreated other = create_named_mutex(SINGLE_INSTANCE_MUTEX);
    ASSERT_TRUE(other.mutex && other.mutex->owned());
    EXPECT_EQ(claim_single_instance(old_exe_, 10min), InstanceRole::SecondInstance);
    EXPECT_EQ(take_single_instance_mutex(), nullptr);
}

TEST_F(SingleInstance, RestartWaitEndsAsSecondInstanceWhenTheOldProcessStays) {
    test::write_file(old_exe_, "antigo");
    NamedMutexCreated other = create_named_mutex(SINGLE_INSTANCE_MUTEX);
    ASSERT_TRUE(other.mutex && other.mutex->owned());
    EXPECT_EQ(claim_single_instance(old_exe_, 50ms), InstanceRole::SecondInstance);
    EXPECT_EQ(take_single_instance_mutex(), nullptr);
    EXPECT_TRUE(other.mutex->owned());
}

TEST_F(SingleInstance, UnusableLockFolderRunsUnguarded) {
    test::ScopedEnv missing("XDG_RUNTIME_DIR", (runtime_ / "missing").string());
    EXPECT_EQ(claim_single_instance(old_exe_), InstanceRole::Owner);
    EXPECT_EQ(take_single_instance_mutex(), nullptr);
}

}  // namespace
}  // namespace qo
