// A fixture for the manager's tests that restores the settings of the one
// shared manager.
#ifndef VKERRORHANDLING_TESTS_MANAGER_MANAGERTESTSUPPORT_H_
#define VKERRORHANDLING_TESTS_MANAGER_MANAGERTESTSUPPORT_H_

#include <gtest/gtest.h>

#include "VkErrorHandling/VkCErrorManager.h"

class ManagerTest : public ::testing::Test {
  protected:
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    void TearDown() override {
        manager.setSendMode(2);
        manager.setApplicationId(0);
        manager.setMyNodeId(0);
        manager.setTimeStampCallback(nullptr);
        manager.setMessageManagerCallback(nullptr);
    }
};

#endif  // VKERRORHANDLING_TESTS_MANAGER_MANAGERTESTSUPPORT_H_
