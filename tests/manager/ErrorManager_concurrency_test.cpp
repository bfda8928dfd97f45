#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "VkErrorHandling/VkCErrorManager.h"
#include "manager/ManagerAccess.h"
#include "platform/RecursiveLock.h"

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr int kPerThread = 1000;  // ThreadSanitizer is slow; the interleavings are alike
#else
constexpr int kPerThread = 10000;
#endif
constexpr int kThreads = 8;

// Runs body(i) on `count` threads released at the same moment, all alive
// until all are done.
template <typename Body>
void runTogether(int count, Body body) {
    std::atomic<int> started{0}, done{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            for (started++; started.load() < count;) std::this_thread::yield();
            body(i);
            for (done++; done.load() < count;) std::this_thread::yield();
        });
    }
    for (std::thread& thread : threads) thread.join();
}

// Needs the process's first use of the manager, so it runs in a fresh child:
// all threads see one manager, and only its constructor got the own list;
// threads started after those exited, and the main thread, have no master list.
TEST(ErrorManagerConcurrencyDeathTest, RacingFirstUseConstructsOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto race = [] {
        std::atomic<VkCErrorManager*> seen[kThreads];
        std::atomic<int> withMasterList{0};
        runTogether(kThreads, [&](int i) {
            seen[i] = &VkCErrorManager::getInstance();
            withMasterList += seen[i].load()->hasMasterErrorList();
        });
        for (auto& manager : seen) {
            if (manager.load() != seen[0].load()) return 1;
        }
        runTogether(kThreads, [&](int) { withMasterList += seen[0].load()->hasMasterErrorList(); });
        withMasterList += seen[0].load()->hasMasterErrorList();
        return withMasterList.load() == 1 ? 0 : 2;
    };
    EXPECT_EXIT(std::exit(race()), testing::ExitedWithCode(0), "");
}

std::vector<std::atomic<int>> g_deliveries(kThreads* kPerThread);

void countDelivery(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList* list) {
    int32_t key = -1;
    list->getAdditionalParameter(0, 1, key);
    if (key >= 0 && key < kThreads * kPerThread) g_deliveries[key]++;
}

// Each message names its thread and sequence number in the header line and
// repeats them as its text line, so a torn or mixed message is detected.
TEST(ErrorManagerConcurrencyTest, SendsAreDeliveredOnceAndPrintedWhole) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    manager.setMessageManagerCallback(countDelivery);
    manager.setSendMode(3);
    testing::internal::CaptureStdout();
    runTogether(kThreads, [&](int t) {
        const std::string function = "worker" + std::to_string(t);
        for (int i = 0; i < kPerThread; ++i)
            manager.sendError(0, i, function.c_str(), "%d", t * kPerThread + i);
    });
    std::istringstream printed(testing::internal::GetCapturedStdout());
    manager.setSendMode(2);
    manager.setMessageManagerCallback(nullptr);

    const std::regex header(R"(ERROR \(user\) , .*, in worker(\d+)\(\):(\d+))");
    std::string line, text;
    while (std::getline(printed, line)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, header) && std::getline(printed, text)) << line;
        const int key = std::stoi(match[1]) * kPerThread + std::stoi(match[2]);
        ASSERT_EQ(text, std::to_string(key)) << line;
        g_deliveries[key] += 10;
    }
    // Each message delivered once and printed once.
    for (int key = 0; key < kThreads * kPerThread; ++key) ASSERT_EQ(g_deliveries[key].load(), 11) << key;
}

// Readers find their lists without the lock while other threads' slots
// keep being added; a slot lost or torn in the growth shows another list.
TEST(ErrorManagerConcurrencyTest, ReadersKeepTheirListsWhileTheTableGrows) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    VkCErrorListPool& grower = manager.createErrorList(0, 0, 1, 0, 0);
    std::atomic<int> wrong{0};
    runTogether(4, [&](int i) {
        for (int32_t s = 4096; i == 0 && s > 0 && s <= (1 << 30); s += s / 2 + 4093) {
            manager.setMasterErrorList(grower, s, false);
            manager.clearMasterErrorList(s);
        }
        if (i == 0) return;
        VkCErrorListPool& mine = manager.createErrorList(0, 0, 1, 0, 0);
        manager.setMasterErrorList(mine, -1, false);
        for (int n = 0; n < 20000; ++n) wrong += &manager.getMasterErrorList() != &mine;
        manager.deleteErrorList(mine);
    });
    manager.deleteErrorList(grower);
    EXPECT_EQ(wrong.load(), 0);
}

uint32_t g_moduleNumbers = 0;

// While another thread holds the lock (stuck printing, say), deleting one's
// own master list neither waits for the lock nor ends the process, and a
// send that cannot print leaves the list unrendered for the callback: its
// module numbers stay as recorded. (The send waits out the lock, 5 s.)
TEST(ErrorManagerConcurrencyTest, ABusyLockHoldsUpNeitherDeletionNorTheCallback) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    VkCErrorListPool& mine = manager.createErrorList(0, 0, 1, 0, 0);
    manager.setMasterErrorList(mine, -1, false);
    std::atomic<int> step{0};
    std::thread holder([&] {
        void* lock = VkErrorManagerAccess::lockHandle(manager);
        if (VkNPlatform::acquireLock(lock) != 0) return;
        for (step = 1; step != 2;) std::this_thread::yield();
        VkNPlatform::releaseLock(lock);
    });
    while (step != 1) std::this_thread::yield();
    const auto start = std::chrono::steady_clock::now();
    manager.deleteErrorList(mine);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count(),
              2000);  // the time-out is 5 s
    EXPECT_EQ(manager.hasMasterErrorList(), 0);
    manager.setMessageManagerCallback([](VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList* list) {
        g_moduleNumbers = list->getMainModuleNumber(0) * 1000 + list->getSubModuleNumber(0);
    });
    manager.sendMessage(3, 0, 2, 0x100401, 1, "f", nullptr);
    manager.setMessageManagerCallback(nullptr);
    EXPECT_EQ(g_moduleNumbers, 0u);
    step = 2;
    holder.join();
}

}  // namespace
