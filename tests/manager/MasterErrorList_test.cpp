#include <thread>

#include "ManagerTestSupport.h"
#include "list/ErrorEntry.h"
#include "manager/ManagerAccess.h"
#include "platform/ThreadId.h"

namespace {

using MasterErrorListTest = ManagerTest;

uint32_t holders(VkCErrorList& list) { return VkErrorListAccess::masterSlotCount(list).load(); }

// Runs `body` on a new thread, whose own slot starts out empty.
template <typename Body>
void onFreshThread(Body body) {
    std::thread(body).join();
}

TEST_F(MasterErrorListTest, OwnListServesThreadsWithoutASlot) {
    VkCErrorListPool* own = VkErrorManagerAccess::defaultErrorList(manager);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->getNumberOfEntries(), 20u);
    EXPECT_EQ(own->getMaxAdditionalParameters(0), 5u);
    EXPECT_EQ(holders(*own), 1u);  // the creating thread's slot
    if (VkNPlatform::currentThreadId() == VkErrorManagerAccess::creatorThreadId(manager)) {
        EXPECT_EQ(manager.hasMasterErrorList(), 1);
        EXPECT_EQ(&manager.getMasterErrorList(), own);
    }
    onFreshThread([&] {
        EXPECT_EQ(manager.hasMasterErrorList(), 0);
        EXPECT_EQ(&manager.getMasterErrorList(), own);
    });
}

TEST_F(MasterErrorListTest, KeepExistingAndDeletionOnTheOwningThread) {
    onFreshThread([&] {
        VkCErrorListPool& first = manager.createErrorList(0, 0, 4, 2, 0);
        VkCErrorListPool& second = manager.createErrorList(0, 0, 4, 2, 0);
        manager.setMasterErrorList(first, -1, false);
        EXPECT_EQ(manager.hasMasterErrorList(), 1);
        EXPECT_EQ(&manager.getMasterErrorList(), &first);

        manager.setMasterErrorList(second, -1, true);
        EXPECT_EQ(&manager.getMasterErrorList(), &first);
        manager.setMasterErrorList(second, -1, false);
        EXPECT_EQ(&manager.getMasterErrorList(), &second);
        EXPECT_EQ(holders(first), 0u);
        EXPECT_EQ(holders(second), 1u);

        // Deleting the thread's own master list clears its slot.
        manager.deleteErrorList(second);
        EXPECT_EQ(manager.hasMasterErrorList(), 0);
        manager.deleteErrorList(first);
    });
}

TEST_F(MasterErrorListTest, ExplicitSlotIsClearedWithoutDeletingTheList) {
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    list.setError(0x10, 1, "x", nullptr);
    manager.setMasterErrorList(list, 5, false);
    manager.setMasterErrorList(list, 6, false);
    EXPECT_EQ(holders(list), 2u);
    manager.clearMasterErrorList(5);
    manager.clearMasterErrorList(5);  // already empty
    manager.clearMasterErrorList(6);
    EXPECT_EQ(holders(list), 0u);
    EXPECT_EQ(list.getNumberOfUsedEntries(), 1u);
    manager.deleteErrorList(list);
}

TEST_F(MasterErrorListTest, GrowingTheTableKeepsEverySlot) {
    VkCErrorListPool* own = VkErrorManagerAccess::defaultErrorList(manager);
    VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
    const uint32_t capacity = VkErrorManagerAccess::masterTableCapacity(manager);
    ASSERT_GE(capacity, 64u);

    manager.setMasterErrorList(list, 3, false);
    manager.setMasterErrorList(list, static_cast<int32_t>(capacity), false);
    EXPECT_EQ(VkErrorManagerAccess::masterTableCapacity(manager), 2 * capacity);
    EXPECT_EQ(holders(list), 2u);
    EXPECT_EQ(holders(*own), 1u);
    if (VkNPlatform::currentThreadId() == VkErrorManagerAccess::creatorThreadId(manager)) {
        EXPECT_EQ(&manager.getMasterErrorList(), own);
    }
    manager.clearMasterErrorList(3);
    manager.clearMasterErrorList(static_cast<int32_t>(capacity));
    EXPECT_EQ(holders(list), 0u);
    manager.deleteErrorList(list);
}

TEST_F(MasterErrorListTest, CreatedListsTakeTheirSettings) {
    manager.setMyNodeId(3);
    manager.setApplicationId(5);
    struct Case {
        uint32_t applicationId, entries, parameters;
        uint32_t expectedId, expectedEntries, expectedParameters;
    };
    const Case cases[] = {{7, 10, 12, 7, 10, 10}, {0, 0, 3, 5, 1, 3}};
    for (const Case& c : cases) {
        VkCErrorListPool& list = manager.createErrorList(c.applicationId, 0, c.entries, c.parameters, 0);
        VkCMessageListPool& messages =
            manager.createMessageList(c.applicationId, 0, c.entries, c.parameters, 0);
        for (VkCErrorListPool* created : {&list, static_cast<VkCErrorListPool*>(&messages)}) {
            EXPECT_EQ(created->getApplicationId(), c.expectedId);
            EXPECT_EQ(created->getNumberOfEntries(), c.expectedEntries);
            EXPECT_EQ(created->getMaxAdditionalParameters(0), c.expectedParameters);
            EXPECT_EQ(created->getNodeId(), 3u);
        }
        EXPECT_FALSE(VkErrorListAccess::isMessageList(list));
        EXPECT_TRUE(VkErrorListAccess::isMessageList(messages));
        manager.deleteMessageList(messages);
        manager.deleteErrorList(list);
    }
}

TEST(MasterErrorListDeathTest, DeletingAListAnotherSlotHoldsEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            VkCErrorManager& manager = VkCErrorManager::getInstance();
            VkCErrorListPool& list = manager.createErrorList(0, 0, 4, 2, 0);
            manager.setMasterErrorList(list, static_cast<int32_t>(VkNPlatform::currentThreadId() + 1), false);
            manager.deleteErrorList(list);
        },
        testing::ExitedWithCode(-1234 & 0xFF), "");
}

}  // namespace
