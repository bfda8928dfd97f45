#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/RecursiveLock.h"
#include "platform/ThreadId.h"

namespace VkNPlatform {
namespace {

// Lets `count` threads wait until all of them have arrived, so that they are
// known to be alive at the same time.
class Rendezvous {
  public:
    explicit Rendezvous(size_t count) : waiting_(count) {}
    void arriveAndWait() {
        std::unique_lock<std::mutex> guard(mutex_);
        if (--waiting_ == 0) allArrived_.notify_all();
        allArrived_.wait(guard, [this] { return waiting_ == 0; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable allArrived_;
    size_t waiting_;
};

// Ids of `count` threads that are all alive when they read them.
std::vector<uint32_t> idsOfConcurrentThreads(size_t count) {
    std::vector<uint32_t> ids(count);
    Rendezvous rendezvous(count);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            ids[i] = currentThreadId();
            rendezvous.arriveAndWait();
            EXPECT_EQ(currentThreadId(), ids[i]);
        });
    }
    for (std::thread& thread : threads) thread.join();
    return ids;
}

uint32_t idOfNewThread() {
    uint32_t id = 0;
    std::thread([&] { id = currentThreadId(); }).join();
    return id;
}

TEST(ThreadIdConcurrencyTest, LiveThreadsHaveDistinctIds) {
    uint32_t mainId = currentThreadId();  // taken first, so the main thread is alive throughout
    std::vector<uint32_t> ids = idsOfConcurrentThreads(8);
    ids.push_back(mainId);
    EXPECT_EQ(std::set<uint32_t>(ids.begin(), ids.end()).size(), ids.size());
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0u), 0);
}

TEST(ThreadIdConcurrencyTest, IdsOfExitedThreadsAreReused) {
    // A second batch of the same size finds the first batch's ids free and
    // takes the smallest ones, so the ids never grow past the first batch.
    std::vector<uint32_t> first = idsOfConcurrentThreads(6);
    std::vector<uint32_t> second = idsOfConcurrentThreads(6);
    EXPECT_LE(*std::max_element(second.begin(), second.end()), *std::max_element(first.begin(), first.end()));

    // Threads started one after another keep getting a recycled id.
    uint32_t firstSequential = idOfNewThread();
    for (int i = 0; i < 200; ++i) ASSERT_LE(idOfNewThread(), firstSequential);
}

TEST(RecursiveLockConcurrencyTest, OtherThreadsTimeOutAndCannotReleaseOrClose) {
    LockHandle lock = createLock();
    ASSERT_NE(lock, nullptr);
    std::promise<void> held;
    std::promise<void> done;
    std::thread holder([&] {
        ASSERT_EQ(acquireLock(lock), 0);
        ASSERT_EQ(acquireLock(lock), 0);
        held.set_value();
        done.get_future().wait();
        EXPECT_EQ(releaseLock(lock), 0);
        EXPECT_EQ(releaseLock(lock), 0);
    });
    held.get_future().wait();
    EXPECT_EQ(acquireLock(lock, 20), -1);
    EXPECT_EQ(releaseLock(lock), -1);
    EXPECT_EQ(closeLock(lock), -1);
    done.set_value();
    holder.join();

    EXPECT_EQ(acquireLock(lock, 20), 0);  // free again once the holder released it
    EXPECT_EQ(releaseLock(lock), 0);
    EXPECT_EQ(closeLock(lock), 0);
}

TEST(RecursiveLockConcurrencyTest, GuardsACounterAcrossThreads) {
    LockHandle lock = createLock();
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 1000; ++i) {
                ASSERT_EQ(acquireLock(lock), 0);
                ASSERT_EQ(acquireLock(lock), 0);
                ++counter;
                releaseLock(lock);
                releaseLock(lock);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(counter, 4000);
    EXPECT_EQ(closeLock(lock), 0);
}

}  // namespace
}  // namespace VkNPlatform
