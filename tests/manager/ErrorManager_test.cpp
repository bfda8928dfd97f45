#include <cstdio>
#include <cstdlib>

#include "ManagerTestSupport.h"
#include "VkErrorHandling/VkCErrorManager.h"

namespace {

using ErrorManagerSettingsTest = ManagerTest;

uint64_t clockAt500() { return 500; }

TEST_F(ErrorManagerSettingsTest, DefaultsAndStores) {
    EXPECT_EQ(&manager, &VkCErrorManager::getInstance());
    EXPECT_EQ(manager.getSendMode(), 2u);
    EXPECT_DOUBLE_EQ(manager.getTimeStampTickDuration(), 8.5e-9);

    manager.setSendMode(3);
    manager.setSendMode(0);  // 0 keeps the mode
    EXPECT_EQ(manager.getSendMode(), 3u);

    EXPECT_EQ(manager.getTimeStamp(), 4112u);
    EXPECT_EQ(manager.getTimeStamp(), 4112u);
    manager.setTimeStampCallback(clockAt500);
    EXPECT_EQ(manager.getTimeStamp(), 500u);
    manager.setTimeStampCallback(nullptr);
    EXPECT_EQ(manager.getTimeStamp(), 4112u);
}

TEST_F(ErrorManagerSettingsTest, TickDurationConvertsEntryTimeStamps) {
    manager.setTimeStampTickDuration(0.002);
    VkCErrorListPool list(2, 0, 0, 0, nullptr);
    list.setTimeStamp(0, 250);
    EXPECT_DOUBLE_EQ(list.getTimeStampSeconds(0), 0.5);
    EXPECT_DOUBLE_EQ(list.getTimeStampSeconds(2), 0.0);  // at the capacity
}

int g_terminateCalls = 0;

void reportTermination(VkNErrorManager::VkEMsgManCallbackInfo info, VkCErrorList* list) {
    ++g_terminateCalls;
    std::fprintf(stderr, "callback %d: info %d, list %s\n", g_terminateCalls, static_cast<int>(info),
                 list == nullptr ? "null" : "set");
}

// The destructor runs at exit, so it is watched from a child process: the
// whole of the child's standard error must be the one terminate call.
TEST(ErrorManagerLifetimeDeathTest, ExitTellsTheCallbackOnceWithANullList) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            VkCErrorManager::getInstance().setMessageManagerCallback(reportTermination);
            std::exit(0);
        },
        testing::ExitedWithCode(0), "^callback 1: info 0, list null\n$");
}

}  // namespace
