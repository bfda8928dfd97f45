#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ManagerTestSupport.h"
#include "catalogue/TextCatalogue.h"
#include "list/ErrorEntry.h"
#include "manager/ManagerAccess.h"
#include "platform/ThreadId.h"

namespace {

// What the callback saw, copied while the list was still filled: used
// entries, application id, then type, code, main, sub, display mode, origin
// node, stamp and first parameter of entry 0.
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

uint32_t holders(VkCErrorList& list) { return VkErrorListAccess::masterSlotCount(list).load(); }
uint64_t clockAt250() { return 250; }

class ErrorManagerTest : public ManagerTest {
    void SetUp() override { g_deliveries.clear(); }
};

TEST_F(ErrorManagerTest, Settings) {
    EXPECT_EQ(manager.getSendMode(), 2u);
    manager.setSendMode(3);
    manager.setSendMode(0);  // keeps the mode
    EXPECT_EQ(manager.getSendMode(), 3u);
    EXPECT_DOUBLE_EQ(manager.getTimeStampTickDuration(), 8.5e-9);
    EXPECT_EQ(manager.getTimeStamp(), 4112u);
    manager.setTimeStampCallback(clockAt250);
    EXPECT_EQ(manager.getTimeStamp(), 250u);
}

void announceTermination(VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
    static int calls = 0;
    std::fprintf(stderr, "call %d: info %d, list %s\n", ++calls, static_cast<int>(info),
                 list ? "set" : "null");
}

// The child's whole standard error must be the one terminate call.
TEST(ErrorManagerDeathTest, ExitTellsTheCallbackOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            VkCErrorManager::getInstance().setMessageManagerCallback(announceTermination);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^call 1: info 0, list null\n$");
}

TEST_F(ErrorManagerTest, DefaultModePrintsTwoLinesAndSkipsTheCallback) {
    manager.setMessageManagerCallback(record);
    testing::internal::CaptureStdout();
    manager.sendWarning(0x100401, 12, "f");
    // 0x1010 ticks of 8.5 ns are 0.000035 s; module 1 is 128/2.
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              std::string("WARNING , 0x00100401, time 0.000 sec., module 128/2, in f():12\n") +
                  VkNCatalogue::lookupMessageTemplate(0x100401) + "\n");
    EXPECT_TRUE(g_deliveries.empty());
}

TEST_F(ErrorManagerTest, SendModeSelectsPrintingThenDelivery) {
    const struct {
        uint32_t managerMode, argumentMode;  // argument 0: the manager's mode
        bool callback, printed, delivered;
    } cases[] = {{1, 0, false, false, false}, {1, 0, true, false, true}, {2, 1, true, false, true},
                 {1, 2, true, true, false},   {3, 0, true, true, true},  {4, 0, true, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.managerMode << "/" << c.argumentMode << "/" << c.callback);
        g_deliveries.clear();
        manager.setSendMode(c.managerMode);
        manager.setMessageManagerCallback(c.callback ? record : nullptr);
        testing::internal::CaptureStdout();
        manager.sendMessage(c.argumentMode, 0, 3, 0, 1, "g", "%d", 5);
        EXPECT_EQ(!testing::internal::GetCapturedStdout().empty(), c.printed);
        ASSERT_EQ(g_deliveries.size(), c.delivered ? 1u : 0u);
        if (c.delivered) {
            EXPECT_EQ(g_deliveries[0].stdoutBytes > 0, c.printed);  // printed first
        }
    }
}

TEST_F(ErrorManagerTest, SendMessageRecordsEachArgumentInItsField) {
    manager.setMyNodeId(3);
    manager.setTimeStampCallback(clockAt250);
    manager.setMessageManagerCallback(record);
    manager.sendMessage(1, 7, 9, "value %1", 4, 5, 0x123, 77, "fn", "%d", 42);
    ASSERT_EQ(g_deliveries.size(), 1u);
    EXPECT_EQ(g_deliveries[0].fields, std::vector<uint64_t>({1, 0, 5, 0x123, 7, 9, 4, 3, 250, 42}));
}

// Sending an empty list does nothing; a sent list gets the manager's
// application id only when it has none, and is emptied.
TEST_F(ErrorManagerTest, SentListsGetTheApplicationIdOnlyWhenTheyHaveNone) {
    const uint32_t cases[][3] = {{0, 0, 0}, {9, 0, 9}, {9, 4, 4}};  // manager, list, delivered
    manager.setMessageManagerCallback(record);
    for (const auto& c : cases) {
        g_deliveries.clear();
        manager.setApplicationId(c[0]);
        VkCMessageListPool list(4, 5, 0, 0, nullptr);
        list.setApplicationId(c[1]);
        manager.sendMessageList(list, 1);
        for (uint32_t code = 1; code <= 3; ++code) list.setError(code, code, "h", nullptr);
        manager.sendMessageList(list, 1);
        ASSERT_EQ(g_deliveries.size(), 1u);
        EXPECT_EQ(g_deliveries[0].fields[0], 3u);
        EXPECT_EQ(g_deliveries[0].fields[1], c[2]);
        EXPECT_EQ(list.getNumberOfUsedEntries(), 0u);
    }
}

TEST_F(ErrorManagerTest, CreatedListsTakeTheirSettings) {
    manager.setMyNodeId(3);
    manager.setApplicationId(5);
    const uint32_t cases[][5] = {{7, 10, 12, 7, 10},
                                 {0, 0, 3, 5, 1}};  // id, entries, parameters -> id, entries
    for (const auto& c : cases) {
        VkCErrorListPool& list = manager.createErrorList(c[0], 0, c[1], c[2], 0);
        VkCMessageListPool& messages = manager.createMessageList(c[0], 0, c[1], c[2], 0);
        for (VkCErrorListPool* created : {&list, static_cast<VkCErrorListPool*>(&messages)}) {
            EXPECT_EQ(created->getApplicationId(), c[3]);
            EXPECT_EQ(created->getNumberOfEntries(), c[4]);
            EXPECT_EQ(created->getNodeId(), 3u);
        }
        EXPECT_TRUE(VkErrorListAccess::isMessageList(messages) && !VkErrorListAccess::isMessageList(list));
        manager.deleteMessageList(messages);
        manager.deleteErrorList(list);
    }
}

// The manager's own 20-entry list is the creating thread's master list and
// serves every thread without a slot of its own; a thread's slot keeps or
// replaces its list and is cleared when that list is deleted.
TEST_F(ErrorManagerTest, ThreadSlotsFallBackToTheOwnList) {
    VkCErrorListPool* own = VkErrorManagerAccess::defaultErrorList(manager);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->getNumberOfEntries(), 20u);
    EXPECT_EQ(holders(*own), 1u);
    if (VkNPlatform::currentThreadId() == VkErrorManagerAccess::creatorThreadId(manager)) {
        EXPECT_EQ(manager.hasMasterErrorList(), 1);
    }
    std::thread([&] {
        EXPECT_EQ(manager.hasMasterErrorList(), 0);
        EXPECT_EQ(&manager.getMasterErrorList(), own);
        VkCErrorListPool& first = manager.createErrorList(0, 0, 4, 2, 0);
        VkCErrorListPool& second = manager.createErrorList(0, 0, 4, 2, 0);
        manager.setMasterErrorList(first, -1, false);
        manager.setMasterErrorList(second, -1, true);
        EXPECT_EQ(&manager.getMasterErrorList(), &first);
        manager.setMasterErrorList(second, -1, false);
        EXPECT_EQ(&manager.getMasterErrorList(), &second);
        EXPECT_EQ(holders(first) * 10 + holders(second), 1u);
        manager.deleteErrorList(second);  // the thread's own slot: cleared, no exit
        EXPECT_EQ(manager.hasMasterErrorList(), 0);
        manager.deleteErrorList(first);
    }).join();
}

TEST_F(ErrorManagerTest, ExplicitSlotsGrowTheTableAndClear) {
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    VkCErrorListPool* own = VkErrorManagerAccess::defaultErrorList(manager);
    const uint32_t capacity = VkErrorManagerAccess::masterTableCapacity(manager);
    ASSERT_GE(capacity, 64u);
    manager.setMasterErrorList(list, 5, false);
    manager.setMasterErrorList(list, static_cast<int32_t>(capacity), false);
    EXPECT_EQ(VkErrorManagerAccess::masterTableCapacity(manager), 2 * capacity);
    EXPECT_EQ(holders(list), 2u);
    EXPECT_EQ(holders(*own), 1u);  // survived the copy
    manager.clearMasterErrorList(5);
    manager.clearMasterErrorList(static_cast<int32_t>(capacity));
    EXPECT_EQ(holders(list), 0u);
    manager.deleteErrorList(list);
}

TEST(ErrorManagerDeathTest, DeletingAListAnotherSlotHoldsEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const auto otherSlot = static_cast<int32_t>(VkNPlatform::currentThreadId() + 1);
    EXPECT_EXIT(
        {
            VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
            manager.setMasterErrorList(list, otherSlot, false);
            manager.deleteErrorList(list);
        },
        testing::ExitedWithCode(-1234 & 0xFF), "");
}

}  // namespace
