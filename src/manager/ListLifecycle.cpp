// Creation and deletion of the lists the manager hands out.
#include <cstdlib>
#include <new>

#include "list/ErrorEntry.h"
#include "manager/ManagerAccess.h"
#include "manager/MasterTable.h"
#include "platform/ThreadId.h"

namespace {

// Exit status when a list is deleted while another slot still names it: the
// slot would otherwise be left pointing at freed memory.
constexpr int kExitListStillMaster = -1234;

// Created lists carry the caller's application id, else the manager's. A
// new list's id is 0 already, which spares the usual case an exported call.
template <typename List>
List& finishCreatedList(List* list, uint32_t applicationId, uint32_t managerApplicationId) {
    const uint32_t id = applicationId != 0 ? applicationId : managerApplicationId;
    if (id != 0) list->setApplicationId(id);
    return *list;
}

}  // namespace

VkCMessageListPool* VkErrorManagerAccess::newMessageList(VkCErrorManager& manager, uint32_t applicationId,
                                                         uint32_t numberOfEntries,
                                                         uint32_t maxAdditionalParameters,
                                                         uint32_t reserved) {
    auto* list =
        new (std::nothrow) VkCMessageListPool(numberOfEntries, maxAdditionalParameters, reserved,
                                              manager.myNodeId.load(std::memory_order_relaxed), nullptr);
    if (list == nullptr) {
        VkNManager::reportAllocationFailure(manager, __LINE__, "VkCErrorManager::createMessageList");
        return nullptr;
    }
    return &finishCreatedList(list, applicationId, manager.applicationId.load(std::memory_order_relaxed));
}

// Lists come from the non-throwing general allocator, not from the pool
// operators, so the debug switch that makes those fail has no effect here.
VkCErrorListPool& VkCErrorManager::createErrorList(uint32_t applicationId, uint32_t /*count*/,
                                                   uint32_t numberOfEntries, uint32_t maxAdditionalParameters,
                                                   uint32_t reserved) {
    auto* list = new (std::nothrow)
        VkCErrorListPool(numberOfEntries, maxAdditionalParameters, reserved, getMyNodeId(), nullptr);
    if (list == nullptr) {
        VkNManager::reportAllocationFailure(*this, __LINE__, "VkCErrorManager::createErrorList");
        return VkNManager::detachedList();
    }
    return finishCreatedList(list, applicationId, getApplicationId());
}

VkCMessageListPool& VkCErrorManager::createMessageList(uint32_t applicationId, uint32_t /*count*/,
                                                       uint32_t numberOfEntries,
                                                       uint32_t maxAdditionalParameters, uint32_t reserved) {
    VkCMessageListPool* list = VkErrorManagerAccess::newMessageList(*this, applicationId, numberOfEntries,
                                                                    maxAdditionalParameters, reserved);
    return list != nullptr ? *list : VkNManager::detachedList();
}

void VkCErrorManager::deleteErrorList(VkCErrorListPool& list) {
    if (VkNManager::isDetachedList(list)) return;
    VkErrorManagerAccess::removeList(*this, list);
    delete &list;
}

void VkCErrorManager::deleteMessageList(VkCMessageListPool& list) { deleteErrorList(list); }

void VkCErrorManager::removeErrorList(VkCErrorList& list) { VkErrorManagerAccess::removeList(*this, list); }

void VkErrorManagerAccess::removeList(VkCErrorManager& manager, VkCErrorList& list) {
    VkCErrorListPool* own = manager.defaultErrorList.load(std::memory_order_relaxed);
    if (own == &list) manager.defaultErrorList.store(nullptr, std::memory_order_relaxed);
    list.setNodeId(0);

    // Every single-message send ends here, so the common case (no slot names
    // the list) must cost one load: no lock, no walk over the table.
    std::atomic<uint32_t>& holders = VkErrorListAccess::masterSlotCount(list);
    if (holders.load(std::memory_order_acquire) == 0) return;

    // Only the calling thread's own slot may still name the list. No lock:
    // slots never move, so the slot is cleared in one atomic step, and a
    // deletion never waits for a thread that is printing.
    VkNManager::MasterTable* table = manager.masterErrorLists.load(std::memory_order_acquire);
    if (table != nullptr)
        table->clearIf(VkNPlatform::currentThreadId(), static_cast<VkCErrorListPool*>(&list));
    if (holders.load(std::memory_order_acquire) != 0) std::exit(kExitListStillMaster);
}
