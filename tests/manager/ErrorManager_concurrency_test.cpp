#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "StdoutCapture.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "manager/ManagerAccess.h"
#include "platform/ThreadId.h"

#if defined(__SANITIZE_THREAD__)
#define VK_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VK_UNDER_TSAN 1
#endif
#endif

namespace {

#ifdef VK_UNDER_TSAN
constexpr int kMessagesPerThread = 1000;  // ThreadSanitizer is slow; the interleavings are the same
#else
constexpr int kMessagesPerThread = 10000;
#endif
constexpr int kThreads = 8;

// Starts `count` threads that each run `body(index)` at the same moment.
template <typename Body>
void runTogether(int count, Body body) {
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i) {
        threads.emplace_back([&, i] {
            while (!go.load(std::memory_order_acquire)) std::this_thread::yield();
            body(i);
        });
    }
    go.store(true, std::memory_order_release);
    for (std::thread& thread : threads) thread.join();
}

// Must be the process's first use of the manager, so it runs in a fresh
// child. Exactly one racing thread constructs the manager, and only that
// thread gets the manager's own list as its master error list.
int raceOnFirstUse() {
    VkCErrorManager* seen[kThreads] = {};
    unsigned char hasMaster[kThreads] = {};
    std::atomic<int> done{0};
    runTogether(kThreads, [&](int i) {
        seen[i] = &VkCErrorManager::getInstance();
        hasMaster[i] = seen[i]->hasMasterErrorList();
        // Stay alive until all have looked: a thread that starts after one
        // has exited may be given its id, and with it its slot.
        done.fetch_add(1);
        while (done.load() < kThreads) std::this_thread::yield();
    });
    int constructors = 0;
    for (int i = 0; i < kThreads; ++i) {
        if (seen[i] != seen[0]) return 1;
        constructors += hasMaster[i];
    }
    return constructors == 1 ? 0 : 2;
}

TEST(ErrorManagerConcurrencyDeathTest, FirstUseFromManyThreadsConstructsOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(raceOnFirstUse()), testing::ExitedWithCode(0), "");
}

std::unique_ptr<std::atomic<int>[]> g_deliveries;

void countDelivery(VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
    if (info != VkNErrorManager::MsgManSendList) return;
    int32_t key = -1;
    if (list->getAdditionalParameter(0, 1, key) == 0 && key >= 0 && key < kThreads * kMessagesPerThread) {
        g_deliveries[key].fetch_add(1, std::memory_order_relaxed);
    }
}

// Every message is printed as a header naming its thread and sequence number
// and a text line holding the same key; two printed messages must never mix.
TEST(ErrorManagerConcurrencyTest, ConcurrentSendsAreDeliveredOnceAndPrintedWhole) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    g_deliveries.reset(new std::atomic<int>[kThreads * kMessagesPerThread]());
    manager.setMessageManagerCallback(countDelivery);
    manager.setSendMode(3);
    StdoutCapture capture;
    runTogether(kThreads, [&](int t) {
        const std::string function = "worker" + std::to_string(t);
        for (int i = 0; i < kMessagesPerThread; ++i) {
            manager.sendError(0, static_cast<uint32_t>(i), function.c_str(), "%d",
                              t * kMessagesPerThread + i);
        }
    });
    const std::string printed = capture.finish();
    manager.setSendMode(2);
    manager.setMessageManagerCallback(nullptr);

    for (int key = 0; key < kThreads * kMessagesPerThread; ++key) {
        ASSERT_EQ(g_deliveries[key].load(), 1) << "message " << key;
    }
    const std::regex header(R"(ERROR \(user\) , .*, in worker(\d+)\(\):(\d+))");
    std::vector<char> seen(kThreads * kMessagesPerThread, 0);
    std::istringstream lines(printed);
    std::string headerLine, textLine;
    int messages = 0;
    while (std::getline(lines, headerLine)) {
        ASSERT_TRUE(std::getline(lines, textLine)) << "header without text: " << headerLine;
        std::smatch match;
        ASSERT_TRUE(std::regex_match(headerLine, match, header)) << headerLine;
        const int key = std::stoi(match[1]) * kMessagesPerThread + std::stoi(match[2]);
        ASSERT_EQ(textLine, std::to_string(key)) << "after " << headerLine;
        ASSERT_EQ(seen[key]++, 0) << "printed twice: " << headerLine;
        ++messages;
    }
    EXPECT_EQ(messages, kThreads * kMessagesPerThread);
}

// Readers look up their master error lists without the lock while a writer
// keeps growing the table; a slot lost or torn by a growth shows up as a
// reader that finds the manager's own list instead of its list.
TEST(ErrorManagerConcurrencyTest, ReadersKeepTheirListsWhileTheTableGrows) {
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    constexpr int kReaders = 3;
    std::atomic<int> readersReady{0};
    std::atomic<bool> growing{true};
    std::atomic<int> wrongAnswers{0};
    VkCErrorListPool& grower = manager.createErrorList(0, 0, 1, 0, 0);
    std::vector<std::thread> threads;
    for (int r = 0; r < kReaders; ++r) {
        threads.emplace_back([&] {
            VkCErrorListPool& mine = manager.createErrorList(0, 0, 1, 0, 0);
            manager.setMasterErrorList(mine, -1, false);
            readersReady.fetch_add(1);
            while (growing.load(std::memory_order_acquire)) {
                if (&manager.getMasterErrorList() != &mine || manager.hasMasterErrorList() != 1) {
                    wrongAnswers.fetch_add(1);
                }
            }
            manager.deleteErrorList(mine);  // clears the reader's own slot
        });
    }
    while (readersReady.load() < kReaders) std::this_thread::yield();
    std::vector<int32_t> slots;
    for (uint32_t slot = VkErrorManagerAccess::masterTableCapacity(manager); slot <= (1u << 16); slot *= 2) {
        manager.setMasterErrorList(grower, static_cast<int32_t>(slot), false);
        slots.push_back(static_cast<int32_t>(slot));
    }
    growing.store(false, std::memory_order_release);
    for (std::thread& thread : threads) thread.join();
    for (int32_t slot : slots) manager.clearMasterErrorList(slot);
    manager.deleteErrorList(grower);
    EXPECT_EQ(wrongAnswers.load(), 0);
}

}  // namespace
