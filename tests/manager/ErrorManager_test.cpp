// The manager: sending, created lists, the master error list slots, and
// failures: of allocations (the non-throwing global operator new of this
// test binary fails on a test's request) and of host code that throws.
#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/TextCatalogue.h"
#include "list/ErrorEntry.h"
#include "manager/ManagerAccess.h"
#include "platform/RecursiveLock.h"
#include "platform/ThreadId.h"

namespace {

thread_local int t_failingAllocations = 0;  // how many of this thread's next ones fail

// The throwing forms allocate, so that releases stay paired for sanitizers.
template <void* (*allocate)(std::size_t)>
void* allocateOrFail(std::size_t size) noexcept {
    if (t_failingAllocations > 0 && t_failingAllocations-- > 0) return nullptr;
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* allocateObject(std::size_t size) { return ::operator new(size); }
void* allocateArray(std::size_t size) { return ::operator new[](size); }

}  // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrFail<allocateObject>(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrFail<allocateArray>(size);
}

namespace {

// What the callback saw while the list was filled: used entries, application id, then
// type, code, main, sub, display mode, origin node, stamp and first parameter of entry 0.
struct Delivery {
    std::vector<uint64_t> fields;
    long stdoutBytes;  // printed before the callback ran (standard output is a file then)
};
std::vector<Delivery> g_deliveries;

void record(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList* list) {
    std::fflush(stdout);
    int32_t first = 0;
    list->getAdditionalParameter(0, 1, first);
    g_deliveries.push_back({{list->getNumberOfUsedEntries(), list->getApplicationId(),
                             list->getMessageType(0), list->getErrorCode(0), list->getMainModuleNumber(0),
                             list->getSubModuleNumber(0), list->getDisplayMode(0), list->getOriginNode(0),
                             list->getTimeStamp(0), static_cast<uint64_t>(first)},
                            ::lseek(STDOUT_FILENO, 0, SEEK_CUR)});
}

struct HostFault {};
void throwingDelivery(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList*) { throw HostFault(); }
uint64_t throwingClock() { throw HostFault(); }
uint64_t clockAt250() { return 250; }

uint32_t holders(VkCErrorList& list) { return VkErrorListAccess::masterSlotCount(list).load(); }

// Restores the settings of the one shared manager.
class ErrorManagerTest : public ::testing::Test {
  protected:
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    void SetUp() override { g_deliveries.clear(); }
    void TearDown() override {
        manager.setSendMode(2);
        manager.setApplicationId(0);
        manager.setMyNodeId(0);
        manager.setTimeStampCallback(nullptr);
        manager.setMessageManagerCallback(nullptr);
    }
};

void announceTermination(VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
    std::fprintf(stderr, "call: info %d, list %s\n", static_cast<int>(info), list ? "set" : "null");
    throw HostFault();
}

// Mode 0 in the call means the manager's; setSendMode(0) keeps it.
TEST_F(ErrorManagerTest, SendModeSelectsPrintingThenDelivery) {
    const struct {
        uint32_t managerMode, argumentMode;
        bool callback, printed, delivered;
    } cases[] = {{2, 0, true, true, false}, {1, 0, false, false, false}, {1, 0, true, false, true},
                 {2, 1, true, false, true}, {1, 2, true, true, false},   {3, 0, true, true, true},
                 {4, 0, true, false, false}};
    // 0x1010 ticks of 8.5 ns are 0.000035 s; module 1 is 128/2.
    const std::string text = std::string("WARNING , 0x00100401, time 0.000 sec., module 128/2, in f():12\n") +
                             VkNCatalogue::lookupMessageTemplate(0x100401) + "\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.managerMode << "/" << c.argumentMode << "/" << c.callback);
        g_deliveries.clear();
        manager.setSendMode(c.managerMode);
        manager.setSendMode(0);
        manager.setMessageManagerCallback(c.callback ? record : nullptr);
        testing::internal::CaptureStdout();
        manager.sendMessage(c.argumentMode, 0, 2, 0x100401, 12, "f", nullptr);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed ? text : "");
        ASSERT_EQ(g_deliveries.size(), c.delivered ? 1u : 0u);
        if (c.delivered) {
            EXPECT_EQ(g_deliveries[0].stdoutBytes > 0, c.printed);  // printed first
        }
    }
}

// Each argument lands in its field, with the manager's node, stamp and
// application id. A host's list keeps its own application id, is sent whole
// and emptied; an empty one is not sent.
TEST_F(ErrorManagerTest, DeliveredListsCarryTheirFields) {
    EXPECT_EQ(manager.getTimeStamp(), 4112u);
    manager.setMyNodeId(3);
    manager.setApplicationId(9);
    manager.setTimeStampCallback(clockAt250);
    manager.setMessageManagerCallback(record);
    manager.sendMessage(1, 7, 9, "value %1", 4, 5, 0x123, 77, "fn", "%d", 42);
    for (uint32_t listId : {0u, 4u}) {
        VkCMessageListPool list(4, 5, 0, 0, nullptr);
        list.setApplicationId(listId);
        manager.sendMessageList(list, 1);
        for (uint32_t code = 1; code <= 3; ++code) list.setError(code, code, "h", nullptr);
        manager.sendMessageList(list, 1);
        EXPECT_EQ(list.getNumberOfUsedEntries(), 0u);
    }
    ASSERT_EQ(g_deliveries.size(), 3u);
    EXPECT_EQ(g_deliveries[0].fields, std::vector<uint64_t>({1, 9, 5, 0x123, 7, 9, 4, 3, 250, 42}));
    EXPECT_EQ(g_deliveries[1].fields[0] * 100 + g_deliveries[1].fields[1], 309u);
    EXPECT_EQ(g_deliveries[2].fields[0] * 100 + g_deliveries[2].fields[1], 304u);
}

// Host code that throws reaches the caller unchanged and leaves nothing behind: no leak
// (run under LeakSanitizer), the host's list reset, the lock free, and the next send works.
TEST_F(ErrorManagerTest, ExceptionsFromHostCodeLeaveNothingBehind) {
    const struct {
        bool throwingClock, sendsHostList;  // else the delivery throws
        void (*act)(VkCErrorManager&, VkCMessageListPool&);
    } cases[] = {
        {false, false, [](auto& m, auto&) { m.sendError(1, 1, "f", "%s%d", "s", 2); }},
        {false, true, [](auto& m, auto& l) { m.sendMessageList(l, 3); }},
        {true, false, [](auto& m, auto&) { m.sendMessage(1, 0, 3, 0, 1, "f", "%s", "t"); }},
        {true, false, [](auto&, auto& l) { l.setError(2, 1, "f", "%s", "text"); }},
    };
    VkCMessageListPool hostList(4, 5, 0, 0, nullptr);
    for (const auto& c : cases) {
        hostList.setError(1, 1, "f", "%s", "kept until sent");
        manager.setSendMode(1);
        manager.setMessageManagerCallback(c.throwingClock ? record : throwingDelivery);
        manager.setTimeStampCallback(c.throwingClock ? throwingClock : nullptr);
        testing::internal::CaptureStdout();
        EXPECT_THROW(c.act(manager, hostList), HostFault);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(hostList.getNumberOfUsedEntries(), c.sendsHostList ? 0u : 1u);
        EXPECT_EQ(VkNPlatform::releaseLock(VkErrorManagerAccess::lockHandle(manager)), -1);  // not held
        manager.setTimeStampCallback(nullptr);
        manager.setMessageManagerCallback(record);
        hostList.reset();
        manager.sendMessage(1, 0, 3, 2, 1, "f", "%d", 7);
        EXPECT_EQ(g_deliveries.size(), 1u);
        g_deliveries.clear();
    }
}

// Created lists carry the manager's node and, unless given one, its
// application id; the list constructor clamps the sizes.
TEST_F(ErrorManagerTest, CreatedListsTakeTheirSettings) {
    manager.setMyNodeId(3);
    manager.setApplicationId(5);
    VkCErrorListPool& list = manager.createErrorList(0, 0, 0, 3, 0);
    VkCMessageListPool& messages = manager.createMessageList(7, 0, 10, 12, 0);
    EXPECT_EQ(std::vector<uint32_t>({list.getApplicationId(), list.getNumberOfEntries(), list.getNodeId(),
                                     messages.getApplicationId(), messages.getNumberOfEntries(),
                                     messages.getNodeId()}),
              std::vector<uint32_t>({5, 1, 3, 7, 10, 3}));
    EXPECT_TRUE(VkErrorListAccess::isMessageList(messages) && !VkErrorListAccess::isMessageList(list));
    manager.deleteErrorList(messages);
    manager.deleteErrorList(list);
}

// The manager's own 20-entry list is the creating thread's master list and serves every
// thread without a slot of its own, also while explicit slots are set: small ones, and others
// up to 2^31 - 1. A thread's slot keeps or replaces its list, and is cleared when it is deleted.
TEST_F(ErrorManagerTest, ThreadSlotsFallBackToTheOwnList) {
    VkCErrorListPool* own = VkErrorManagerAccess::defaultErrorList(manager);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->getNumberOfEntries(), 20u);
    EXPECT_EQ(holders(*own), 1u);
    EXPECT_EQ(manager.hasMasterErrorList(),
              VkNPlatform::currentThreadId() == VkErrorManagerAccess::creatorThreadId(manager));
    VkCErrorListPool& other = manager.createErrorList(0, 0, 4, 2, 0);
    const int32_t slots[] = {1, 2, 3, 4, 5, 6, 7, 8, 0, 64, 4194303, 0x12345678, 0x7FFFFFFF};
    for (int32_t slot : slots) manager.setMasterErrorList(other, slot, false);
    EXPECT_EQ(holders(other), 13u);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            if (::syscall(SYS_gettid) <= 8) return;  // a thread that owns one of those slots
            EXPECT_EQ(&manager.getMasterErrorList(), own);
            VkCErrorListPool& mine = manager.createErrorList(0, 0, 4, 2, 0);
            manager.setMasterErrorList(mine, -1, false);
            manager.setMasterErrorList(other, -1, true);  // kept: the slot names a list
            EXPECT_EQ(&manager.getMasterErrorList(), &mine);
            manager.setMasterErrorList(other, -1, false);
            EXPECT_EQ(&manager.getMasterErrorList(), &other);
            manager.setMasterErrorList(mine, -1, false);
            manager.deleteErrorList(mine);  // the thread's own slot: cleared, no exit
            EXPECT_EQ(manager.hasMasterErrorList(), 0);
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int32_t slot : slots) manager.clearMasterErrorList(slot);
    EXPECT_EQ(holders(other), 0u);
    manager.deleteErrorList(other);
}

struct MasterListOwner {
    VkCErrorListPool* list = &VkCErrorManager::getInstance().createErrorList(0, 0, 1, 0, 0);
    ~MasterListOwner() { VkCErrorManager::getInstance().deleteErrorList(*list); }
};

// How the process ends: a thread-local object that deletes its thread's
// master list on exit finds the thread's own slot, also after an older
// thread has ended, and the process goes on; deleting a list that another
// slot names ends it with -1234. At exit the callback hears of it once, and
// an exception from it, which could reach no caller there, is dropped.
TEST(ErrorManagerDeathTest, ProcessEnd) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    EXPECT_EXIT(
        {
            std::atomic<int> step{0};
            std::thread older([&] {
                manager.hasMasterErrorList();
                for (step = 1; step != 2;) std::this_thread::yield();
            });
            while (step != 1) std::this_thread::yield();
            std::thread([&] {
                thread_local MasterListOwner owner;
                manager.setMasterErrorList(*owner.list, -1, false);
                step = 2;
                older.join();
            }).join();
            std::fputs("went on\n", stderr);
            manager.setMessageManagerCallback(announceTermination);
            VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
            manager.setMasterErrorList(list, static_cast<int32_t>(VkNPlatform::currentThreadId() + 1), false);
            manager.deleteErrorList(list);
        },
        testing::ExitedWithCode(-1234 & 0xFF), "^went on\ncall: info 0, list null\n$");
}

TEST_F(ErrorManagerTest, FailedCreationWarnsOnceAndGivesTheInertDetachedList) {
    testing::internal::CaptureStdout();
    t_failingAllocations = 1;  // the list only; the warning's own list succeeds
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    list.setError(0x10, 1, "x", "%d", 1);
    manager.setMasterErrorList(list, 9, false);
    manager.deleteErrorList(list);  // static storage: deleting it would be caught
    t_failingAllocations = 1000;    // now the warning's list fails too: the report is dropped
    manager.sendError(0x10, 1, "x");
    t_failingAllocations = 0;
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(list.getNumberOfEntries() + list.getNumberOfUsedEntries() + holders(list), 0u);
    EXPECT_EQ(printed.rfind("WARNING , 0x00100401, ", 0), 0u) << printed;
    EXPECT_EQ(printed.find("\n", printed.find("\n") + 1) + 1, printed.size()) << "one two-line warning";
    EXPECT_NE(printed.find(", in VkCErrorManager::createErrorList():"), std::string::npos) << printed;
}

// A slot of 2^31 and above, or whose part of the table cannot be allocated,
// is not stored, with a warning. A callback that throws out of the warning
// leaves later warnings of the thread on; with memory, the slot is stored.
TEST_F(ErrorManagerTest, TableThatCannotGrowWarnsAndStaysAsItWas) {
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    manager.setSendMode(1);
    manager.setMessageManagerCallback(throwingDelivery);
    t_failingAllocations = 1;
    EXPECT_THROW(manager.setMasterErrorList(list, 0x2468ACE, false), HostFault);
    manager.setMessageManagerCallback(record);
    manager.setMasterErrorList(list, -2, false);
    t_failingAllocations = 1;
    manager.setMasterErrorList(list, 0x2468ACE, false);
    ASSERT_EQ(g_deliveries.size(), 2u);
    EXPECT_EQ(g_deliveries[0].fields[3] + g_deliveries[1].fields[3], 2u * 0x100401);
    EXPECT_EQ(holders(list), 0u);
    manager.setMasterErrorList(list, 0x2468ACE, false);
    EXPECT_EQ(holders(list), 1u);
    manager.clearMasterErrorList(0x2468ACE);
    manager.deleteErrorList(list);
}

}  // namespace
