#include <atomic>
#include <cstdlib>
#include <memory>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "ManagerTestSupport.h"
#include "manager/ManagerAccess.h"
#include "platform/RecursiveLock.h"

#if defined(__SANITIZE_THREAD__)
#define VK_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VK_UNDER_TSAN 1
#endif
#endif

namespace {

#ifdef VK_UNDER_TSAN
constexpr int kPerThread = 1000;  // ThreadSanitizer is slow; the interleavings are alike
#else
constexpr int kPerThread = 10000;
#endif
constexpr int kThreads = 8;

// Runs body(i) on `count` threads released at the same moment; each stays
// alive until all are done, so no thread inherits the id of an exited one.
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
// all threads see one manager, and only its constructor got the own list.
TEST(ErrorManagerConcurrencyDeathTest, RacingFirstUseConstructsOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto race = [] {
        std::atomic<VkCErrorManager*> seen[kThreads];
        std::atomic<int> withOwnList{0};
        runTogether(kThreads, [&](int i) {
            seen[i] = &VkCErrorManager::getInstance();
            withOwnList += seen[i].load()->hasMasterErrorList();
        });
        for (auto& manager : seen) {
            if (manager.load() != seen[0].load()) return 1;
        }
        return withOwnList.load() == 1 ? 0 : 2;
    };
    EXPECT_EXIT(std::exit(race()), testing::ExitedWithCode(0), "");
}

std::unique_ptr<std::atomic<int>[]> g_deliveries;

void countDelivery(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList* list) {
    int32_t key = -1;
    list->getAdditionalParameter(0, 1, key);
    if (key >= 0 && key < kThreads * kPerThread) g_deliveries[key]++;
}

// Each message names its thread and sequence number in the header line and
// repeats them as its text line, so a torn or mixed message is detected.
TEST(ErrorManagerConcurrencyTest, SendsAreDeliveredOnceAndPrintedWhole) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    g_deliveries.reset(new std::atomic<int>[kThreads * kPerThread]());
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

    for (int key = 0; key < kThreads * kPerThread; ++key) ASSERT_EQ(g_deliveries[key].load(), 1) << key;
    const std::regex header(R"(ERROR \(user\) , .*, in worker(\d+)\(\):(\d+))");
    std::vector<int> timesPrinted(kThreads * kPerThread, 0);
    std::string line, text;
    while (std::getline(printed, line)) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, header) && std::getline(printed, text)) << line;
        const int key = std::stoi(match[1]) * kPerThread + std::stoi(match[2]);
        ASSERT_EQ(text, std::to_string(key)) << line;
        timesPrinted[key]++;
    }
    EXPECT_EQ(timesPrinted, std::vector<int>(kThreads * kPerThread, 1));
}

// Readers find their lists without the lock while the table keeps growing;
// a slot lost in a copy makes a reader see the manager's own list instead.
TEST(ErrorManagerConcurrencyTest, ReadersKeepTheirListsWhileTheTableGrows) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    VkCErrorListPool& grower = manager.createErrorList(0, 0, 1, 0, 0);
    std::atomic<int> wrong{0};
    std::vector<int32_t> slots;
    runTogether(4, [&](int i) {
        if (i == 0) {
            for (uint32_t s = VkErrorManagerAccess::masterTableCapacity(manager); s <= (1u << 16); s *= 2) {
                manager.setMasterErrorList(grower, static_cast<int32_t>(s), false);
                slots.push_back(static_cast<int32_t>(s));
            }
            return;
        }
        VkCErrorListPool& mine = manager.createErrorList(0, 0, 1, 0, 0);
        manager.setMasterErrorList(mine, -1, false);
        for (int n = 0; n < 20000; ++n) wrong += &manager.getMasterErrorList() != &mine;
        manager.deleteErrorList(mine);
    });
    for (int32_t slot : slots) manager.clearMasterErrorList(slot);
    manager.deleteErrorList(grower);
    EXPECT_EQ(wrong.load(), 0);
}

// A thread whose own master list is deleted while another thread holds the
// lock (stuck printing, say) must not be taken for a list still in use
// elsewhere: the deletion waits out the lock, clears its own slot anyway and
// the process goes on. (Takes the lock's full time-out, 5 s.)
TEST(ErrorManagerConcurrencyTest, DeletingOwnMasterListSurvivesABusyLock) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    void* lock = VkErrorManagerAccess::lockHandle(manager);
    ASSERT_NE(lock, nullptr);
    VkCErrorListPool& mine = manager.createErrorList(0, 0, 1, 0, 0);
    manager.setMasterErrorList(mine, -1, false);
    ASSERT_EQ(manager.hasMasterErrorList(), 1);

    std::atomic<bool> held{false}, release{false};
    std::thread holder([&] {
        if (VkNPlatform::acquireLock(lock) != 0) return;
        held = true;
        while (!release) std::this_thread::yield();
        VkNPlatform::releaseLock(lock);
    });
    while (!held) std::this_thread::yield();
    manager.deleteErrorList(mine);  // must not end the process with -1234
    EXPECT_EQ(manager.hasMasterErrorList(), 0);
    release = true;
    holder.join();
}

}  // namespace
