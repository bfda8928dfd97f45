#include <string>
#include <vector>

#include "ManagerTestSupport.h"
#include "StdoutCapture.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/TextCatalogue.h"

namespace {

// What the callback saw, copied out while the list was still filled.
struct Delivery {
    VkNErrorManager::VkEMsgManCallbackInfo info;
    uint32_t usedEntries;
    uint32_t applicationId;
    uint32_t messageType;
    uint32_t errorCode;
    long stdoutBytes;  // how much had been printed when the callback ran
};

std::vector<Delivery> g_deliveries;
StdoutCapture* g_capture = nullptr;

void recordDelivery(VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
    std::fflush(stdout);
    g_deliveries.push_back({info, list->getNumberOfUsedEntries(), list->getApplicationId(),
                            list->getMessageType(0), list->getErrorCode(0),
                            g_capture != nullptr ? g_capture->writtenSoFar() : -1});
}

class SendingTest : public ManagerTest {
  protected:
    void SetUp() override { g_deliveries.clear(); }
    void TearDown() override {
        ManagerTest::TearDown();
        g_capture = nullptr;
    }
};

TEST_F(SendingTest, DefaultModePrintsTheTwoLinesAndSkipsTheCallback) {
    manager.setMessageManagerCallback(recordDelivery);
    StdoutCapture capture;
    manager.sendWarning(0x100401, 12, "f");
    const std::string printed = capture.finish();

    // Default stamp 0x1010 ticks of 8.5 ns is 0.000035 s; module 1 is 128/2.
    const std::string expected =
        std::string("WARNING , 0x00100401, time 0.000 sec., module 128/2, in f():12\n") +
        VkNCatalogue::lookupMessageTemplate(0x100401) + "\n";
    EXPECT_EQ(printed, expected);
    EXPECT_TRUE(g_deliveries.empty());
}

TEST_F(SendingTest, SendModeSelectsPrintingAndDelivery) {
    struct Case {
        uint32_t managerMode;
        bool withCallback;
        uint32_t argumentMode;  // of sendMessage; 0 = the manager's
        bool printed;
        bool delivered;
    };
    const Case cases[] = {
        {1, false, 0, false, false},  // delivery asked for, but nobody to deliver to
        {1, true, 0, false, true},   {2, true, 1, false, true},  {1, true, 2, true, false},
        {3, true, 0, true, true},    {4, true, 0, false, false},  // unknown bits do nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "manager mode " << c.managerMode << ", argument " << c.argumentMode);
        g_deliveries.clear();
        manager.setSendMode(c.managerMode);
        manager.setMessageManagerCallback(c.withCallback ? recordDelivery : nullptr);
        StdoutCapture capture;
        g_capture = &capture;
        manager.sendMessage(c.argumentMode, 0, 3, 0, 1, "g", "%d", 5);
        g_capture = nullptr;
        EXPECT_EQ(!capture.finish().empty(), c.printed);
        ASSERT_EQ(g_deliveries.size(), c.delivered ? 1u : 0u);
        if (c.delivered) {
            EXPECT_EQ(g_deliveries[0].info, VkNErrorManager::MsgManSendList);
            EXPECT_EQ(g_deliveries[0].usedEntries, 1u);
            // Printing comes first: its output is complete when the callback runs.
            EXPECT_EQ(g_deliveries[0].stdoutBytes > 0, c.printed);
        }
    }
}

TEST_F(SendingTest, ShortFormsSendTheirMessageType) {
    using Short = void (VkCErrorManager::*)(uint32_t, uint32_t, const char*);
    using Formatted = void (VkCErrorManager::*)(uint32_t, uint32_t, const char*, const char*, ...);
    const Short shortForms[] = {&VkCErrorManager::sendLog, &VkCErrorManager::sendInfo,
                                &VkCErrorManager::sendWarning, &VkCErrorManager::sendError};
    const Formatted formattedForms[] = {&VkCErrorManager::sendLog, &VkCErrorManager::sendInfo,
                                        &VkCErrorManager::sendWarning, &VkCErrorManager::sendError};
    manager.setSendMode(1);
    manager.setMessageManagerCallback(recordDelivery);
    for (uint32_t type = 0; type < 4; ++type) {
        (manager.*shortForms[type])(0x100 + type, 1, "s");
        (manager.*formattedForms[type])(0x200 + type, 2, "s", "%d", 7);
    }
    ASSERT_EQ(g_deliveries.size(), 8u);
    for (uint32_t type = 0; type < 4; ++type) {
        EXPECT_EQ(g_deliveries[2 * type].messageType, type);
        EXPECT_EQ(g_deliveries[2 * type].errorCode, 0x100 + type);
        EXPECT_EQ(g_deliveries[2 * type + 1].messageType, type);
        EXPECT_EQ(g_deliveries[2 * type + 1].errorCode, 0x200 + type);
    }
}

uint64_t fixedClock() { return 250; }

// Checks every field of the one message the callback receives.
void expectSentEntry(VkNErrorManager::VkEMsgManCallbackInfo, VkCErrorList* list) {
    ASSERT_EQ(list->getNumberOfUsedEntries(), 1u);
    EXPECT_EQ(list->getMainModuleNumber(0), 7u);
    EXPECT_EQ(list->getSubModuleNumber(0), 9u);
    EXPECT_STREQ(list->getMessageTemplate(0), "value %1");
    EXPECT_EQ(list->getDisplayMode(0), 4u);
    EXPECT_EQ(list->getMessageType(0), 5u);
    EXPECT_EQ(list->getErrorCode(0), 0x123u);
    EXPECT_EQ(list->getLineNumber(0), 77u);
    EXPECT_STREQ(list->getFunctionName(0), "fn");
    EXPECT_EQ(list->getOriginNode(0), 3u);
    EXPECT_EQ(list->getTimeStamp(0), 250u);
    int32_t value = 0;
    EXPECT_EQ(list->getAdditionalParameter(0, 1, value), 0);
    EXPECT_EQ(value, 42);
    g_deliveries.push_back({});
}

TEST_F(SendingTest, FullSendMessageRecordsEveryArgumentInItsPlace) {
    manager.setMyNodeId(3);
    manager.setTimeStampCallback(fixedClock);
    manager.setMessageManagerCallback(expectSentEntry);
    manager.sendMessage(1, 7, 9, "value %1", 4, 5, 0x123, 77, "fn", "%d", 42);
    EXPECT_EQ(g_deliveries.size(), 1u);
}

TEST_F(SendingTest, SentListTakesTheManagersApplicationIdOnlyWhenItHasNone) {
    struct Case {
        uint32_t managerId, listId, delivered;
    };
    const Case cases[] = {{0, 0, 0}, {9, 0, 9}, {9, 4, 4}, {0, 4, 4}};
    manager.setMessageManagerCallback(recordDelivery);
    for (const Case& c : cases) {
        g_deliveries.clear();
        manager.setApplicationId(c.managerId);
        VkCErrorListPool list(3, 5, 0, 0, nullptr);
        list.setApplicationId(c.listId);
        list.setError(0x10, 1, "h", nullptr);
        manager.sendErrorList(list, 1);
        ASSERT_EQ(g_deliveries.size(), 1u);
        EXPECT_EQ(g_deliveries[0].applicationId, c.delivered) << c.managerId << "/" << c.listId;
    }
}

TEST_F(SendingTest, SendErrorListSendsAllAtOnceAndEmptiesTheList) {
    manager.setMessageManagerCallback(recordDelivery);
    VkCMessageListPool list(4, 5, 0, 0, nullptr);
    manager.sendMessageList(list, 1);  // empty: not sent
    EXPECT_TRUE(g_deliveries.empty());

    for (uint32_t code = 1; code <= 3; ++code) list.setError(code, code, "h", nullptr);
    StdoutCapture capture;
    manager.sendMessageList(list, 3);
    const std::string printed = capture.finish();
    ASSERT_EQ(g_deliveries.size(), 1u);
    EXPECT_EQ(g_deliveries[0].usedEntries, 3u);
    EXPECT_EQ(list.getNumberOfUsedEntries(), 0u);
    EXPECT_NE(printed.find("in h():3\n"), std::string::npos) << printed;
}

}  // namespace
