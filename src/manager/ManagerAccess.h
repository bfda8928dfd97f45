// Internal helpers of the manager: the detached list that stands for "no
// list", the bounded report of failed allocations, and read access to the
// manager's private state for the library's own code and its tests.
#ifndef VKERRORHANDLING_SRC_MANAGER_MANAGERACCESS_H_
#define VKERRORHANDLING_SRC_MANAGER_MANAGERACCESS_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorManager.h"
#include "manager/MasterTable.h"

namespace VkNManager {

// The one detached list of the process: no entry block, 0 entries, every
// operation a no-op. It is a message list so that it can answer for both
// createErrorList and createMessageList. Never destroyed, so it stays valid
// in exit-time code.
VkCMessageListPool& detachedList();
bool isDetachedList(const VkCErrorList& list);

// Sends warning 0x100401 for a failed allocation in `functionName`. The
// warning needs a message list of its own; a failure while reporting a
// failure is dropped, so the nesting ends after one level.
void reportAllocationFailure(VkCErrorManager& manager, uint32_t lineNumber, const char* functionName);

}  // namespace VkNManager

struct VkErrorManagerAccess {
    static uint32_t creatorThreadId(const VkCErrorManager& manager) { return manager.creatorThreadId; }
    static VkCErrorListPool* defaultErrorList(const VkCErrorManager& manager) {
        return manager.defaultErrorList.load(std::memory_order_acquire);
    }
    static void* lockHandle(const VkCErrorManager& manager) { return manager.mutexHandle; }
    static uint32_t masterTableCapacity(const VkCErrorManager& manager) {
        const VkNManager::MasterTable* table = manager.masterErrorLists.load(std::memory_order_acquire);
        return table != nullptr ? table->capacity() : 0;
    }
};

#endif  // VKERRORHANDLING_SRC_MANAGER_MANAGERACCESS_H_
