#include "platform/RecursiveLock.h"

#include <gtest/gtest.h>

namespace VkNPlatform {
namespace {

TEST(RecursiveLockTest, NullHandleIsRefusedEverywhere) {
    EXPECT_EQ(acquireLock(nullptr, 1), -1);
    EXPECT_EQ(releaseLock(nullptr), -1);
    EXPECT_EQ(closeLock(nullptr), -1);
}

TEST(RecursiveLockTest, ReentrantAcquireNeedsAsManyReleases) {
    LockHandle lock = createLock();
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(releaseLock(lock), -1);  // not held yet
    for (int i = 0; i < 3; ++i) EXPECT_EQ(acquireLock(lock), 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(releaseLock(lock), 0);
    EXPECT_EQ(releaseLock(lock), -1);  // one release too many is refused, not undefined
    EXPECT_EQ(acquireLock(lock), 0);   // and the lock still works afterwards
    EXPECT_EQ(releaseLock(lock), 0);
    EXPECT_EQ(closeLock(lock), 0);
}

TEST(RecursiveLockTest, ClosingALockTheCallerStillHoldsSucceeds) {
    LockHandle lock = createLock();
    ASSERT_EQ(acquireLock(lock), 0);
    ASSERT_EQ(acquireLock(lock), 0);
    EXPECT_EQ(closeLock(lock), 0);
}

}  // namespace
}  // namespace VkNPlatform
