#include "manager/ManagerAccess.h"

#include <new>

#include "catalogue/MessageCodes.h"
#include "list/ErrorEntry.h"

namespace VkNManager {
namespace {

// Depth of allocation-failure reports in progress on this thread.
thread_local uint32_t t_failureReportDepth = 0;

VkCMessageListPool* makeDetachedList() {
    // Static storage instead of the heap: the list must never be destroyed,
    // and it cannot fail to exist.
    alignas(VkCMessageListPool) static unsigned char storage[sizeof(VkCMessageListPool)];
    auto* list = new (static_cast<void*>(storage)) VkCMessageListPool(1, 0, 0, 0, nullptr);
    VkErrorListAccess::detach(*list);
    return list;
}

}  // namespace

VkCMessageListPool& detachedList() {
    static VkCMessageListPool* const list = makeDetachedList();
    return *list;
}

bool isDetachedList(const VkCErrorList& list) { return &list == &detachedList(); }

void reportAllocationFailure(VkCErrorManager& manager, uint32_t lineNumber, const char* functionName) {
    if (t_failureReportDepth != 0) return;
    // Restored also when the host's callback throws out of the warning, so
    // that later failures of this thread are still reported.
    struct DepthGuard {
        DepthGuard() { ++t_failureReportDepth; }
        ~DepthGuard() { --t_failureReportDepth; }
    } guard;
    manager.sendWarning(VkNCatalogue::kCodeAllocationFailed, lineNumber, functionName);
}

}  // namespace VkNManager
