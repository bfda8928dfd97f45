// The master error list table: which list each thread's failures go to.
#include "manager/ManagerAccess.h"
#include "manager/MasterTable.h"
#include "platform/ThreadId.h"

namespace {

// -1 names the calling thread's slot; any other value is the slot itself.
uint32_t resolveSlot(int32_t slot) {
    return slot == -1 ? VkNPlatform::currentThreadId() : static_cast<uint32_t>(slot);
}

// The table, created on first need; null when memory is short. Called
// under the lock, so only one thread ever creates it.
VkNManager::MasterTable* tableForWriting(std::atomic<VkNManager::MasterTable*>& published) {
    VkNManager::MasterTable* table = published.load(std::memory_order_relaxed);
    if (table == nullptr) {
        table = VkNManager::MasterTable::create();
        if (table != nullptr) published.store(table, std::memory_order_release);
    }
    return table;
}

}  // namespace

void VkCErrorManager::setMasterErrorList(VkCErrorListPool& list, int32_t slot, bool keepExisting) {
    // The detached list stands for "no list" and is never stored.
    if (VkNManager::isDetachedList(list)) return;
    const uint32_t index = resolveSlot(slot);
    if (index >= VkNManager::kFirstInvalidSlot) {
        VkNManager::reportAllocationFailure(*this, __LINE__, "VkCErrorManager::setMasterErrorList");
        return;
    }
    if (lock() != 0) return;
    VkNManager::MasterTable* table = tableForWriting(masterErrorLists);
    const bool stored = table != nullptr && table->set(index, &list, keepExisting);
    unlock();
    // Reported after the release: the report may call into the host, and
    // the lock is never held across a call into the host.
    if (!stored) VkNManager::reportAllocationFailure(*this, __LINE__, "VkCErrorManager::setMasterErrorList");
}

void VkCErrorManager::clearMasterErrorList(int32_t slot) {
    const uint32_t index = resolveSlot(slot);
    if (lock() != 0) return;
    VkNManager::MasterTable* table = masterErrorLists.load(std::memory_order_relaxed);
    if (table != nullptr) table->clear(index);
    unlock();
}

unsigned char VkCErrorManager::hasMasterErrorList() const {
    const VkNManager::MasterTable* table = masterErrorLists.load(std::memory_order_acquire);
    return table != nullptr && table->get(VkNPlatform::currentThreadId()) != nullptr ? 1 : 0;
}

// Without the lock there is neither a table nor an own list; the detached
// list then tells the caller that there is nowhere to report.
VkCErrorListPool& VkCErrorManager::getMasterErrorList() const {
    const VkNManager::MasterTable* table = masterErrorLists.load(std::memory_order_acquire);
    VkCErrorListPool* list = table != nullptr ? table->get(VkNPlatform::currentThreadId()) : nullptr;
    if (list == nullptr) list = defaultErrorList.load(std::memory_order_acquire);
    return list != nullptr ? *list : VkNManager::detachedList();
}
