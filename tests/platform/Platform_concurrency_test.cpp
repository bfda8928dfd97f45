#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/RecursiveLock.h"

namespace VkNPlatform {
namespace {

// The owner takes the lock again and must release it as often; a release
// it does not owe, or any release or close by another thread, is refused,
// not undefined, and other threads time out while it is held. Threads that
// each take it twice still exclude one another. Closing ends the closer's
// own hold.
TEST(RecursiveLockConcurrencyTest, ExcludesOtherThreads) {
    EXPECT_EQ(acquireLock(nullptr, 1) + releaseLock(nullptr) + closeLock(nullptr), -3);
    LockHandle lock = createLock();
    ASSERT_EQ(acquireLock(lock) + acquireLock(lock), 0);
    std::thread([&] {
        EXPECT_EQ(acquireLock(lock, 20), -1);
        EXPECT_EQ(releaseLock(lock) + closeLock(lock), -2);
    }).join();
    EXPECT_EQ(releaseLock(lock) + releaseLock(lock), 0);
    EXPECT_EQ(releaseLock(lock), -1);
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) {
                ASSERT_EQ(acquireLock(lock) + acquireLock(lock), 0);
                ++counter;
                releaseLock(lock);
                releaseLock(lock);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(counter, 4000);
    EXPECT_EQ(acquireLock(lock) + closeLock(lock), 0);
}

}  // namespace
}  // namespace VkNPlatform
