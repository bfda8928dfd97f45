// Internal helpers of the manager: the detached list that stands for "no
// list", the bounded report of failed allocations, and read access to the
// manager's private state for the library's own code and its tests.
#ifndef VKERRORHANDLING_SRC_MANAGER_MANAGERACCESS_H_
#define VKERRORHANDLING_SRC_MANAGER_MANAGERACCESS_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorManager.h"

namespace VkNManager {

// The time stamp of messages while the host has set no time-stamp callback.
constexpr uint64_t kDefaultTimeStamp = 0x1010;

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
    // getInstance().getTimeStamp() without its two exported calls, for the
    // recording of every message. Before the manager exists it takes the
    // full path, which creates it.
    static uint64_t timeStamp() {
        const VkCErrorManager* manager = __atomic_load_n(&VkCErrorManager::s_pErrorManager, __ATOMIC_ACQUIRE);
        if (manager == nullptr) return VkCErrorManager::getInstance().getTimeStamp();
        return timeStamp(*manager);
    }
    static uint64_t timeStamp(const VkCErrorManager& manager) {
        auto* callback = manager.timeStampCallback.load(std::memory_order_acquire);
        return callback != nullptr ? callback() : VkNManager::kDefaultTimeStamp;
    }
    static uint32_t creatorThreadId(const VkCErrorManager& manager) { return manager.creatorThreadId; }
    static VkCErrorListPool* defaultErrorList(const VkCErrorManager& manager) {
        return manager.defaultErrorList.load(std::memory_order_acquire);
    }
    static void* lockHandle(const VkCErrorManager& manager) { return manager.mutexHandle; }

    static double tickDuration(const VkCErrorManager& manager) {
        return manager.timeStampTickDuration.load(std::memory_order_relaxed);
    }
    static uint32_t nodeId(const VkCErrorManager& manager) {
        return manager.myNodeId.load(std::memory_order_relaxed);
    }
    static uint32_t applicationId(const VkCErrorManager& manager) {
        return manager.applicationId.load(std::memory_order_relaxed);
    }
    // `sendMode`, or the manager's mode for 0.
    static uint32_t effectiveSendMode(const VkCErrorManager& manager, uint32_t sendMode) {
        return sendMode != 0 ? sendMode : manager.sendMode.load(std::memory_order_relaxed);
    }
    static auto sendCallback(const VkCErrorManager& manager) {
        return manager.messageManagerCallback.load(std::memory_order_acquire);
    }

    // The steps of a send, for the exported members to share. The class is
    // exported, so a call from one of its members to another goes through
    // the PLT and is never inlined; a send took a dozen such hops. These
    // are hidden and called directly.

    // A new list with the manager's node id and the given application id,
    // else the manager's; null, after a warning, when it cannot be allocated.
    static VkCMessageListPool* newMessageList(VkCErrorManager& manager, uint32_t applicationId,
                                              uint32_t numberOfEntries, uint32_t maxAdditionalParameters,
                                              uint32_t reserved);
    // Takes `list` out of the manager's bookkeeping (its own list, the
    // calling thread's master slot) and zeroes its node id.
    static void removeList(VkCErrorManager& manager, VkCErrorList& list);
};

#endif  // VKERRORHANDLING_SRC_MANAGER_MANAGERACCESS_H_
