#include "manager/MasterTable.h"

#include <new>

#include "list/ErrorEntry.h"

namespace VkNManager {

MasterTable::MasterTable(uint32_t capacity, std::atomic<VkCErrorListPool*>* slots, MasterTable* previous)
    : capacity_(capacity), slots_(slots), previous_(previous) {}

MasterTable* MasterTable::grow(MasterTable* previous, uint32_t capacity) {
    auto* slots = new (std::nothrow) std::atomic<VkCErrorListPool*>[capacity];
    if (slots == nullptr) return nullptr;
    auto* table = new (std::nothrow) MasterTable(capacity, slots, previous);
    if (table == nullptr) {
        delete[] slots;
        return nullptr;
    }
    const uint32_t kept = previous != nullptr ? previous->capacity_ : 0;
    for (uint32_t i = 0; i < capacity; ++i) {
        VkCErrorListPool* list = i < kept ? previous->slots_[i].load(std::memory_order_relaxed) : nullptr;
        slots[i].store(list, std::memory_order_relaxed);
    }
    // The copies name the same lists as the old slots, and the old table is
    // never consulted by a writer again, so the per-list counts stay as they are.
    return table;
}

MasterTable::~MasterTable() {
    delete[] slots_;
    delete previous_;
}

VkCErrorListPool* MasterTable::exchange(uint32_t slot, VkCErrorListPool* list) {
    // A real exchange, so that clearIf() from a thread without the lock can
    // never make both of us count the same list out.
    if (list != nullptr) VkErrorListAccess::masterSlotCount(*list).fetch_add(1, std::memory_order_relaxed);
    VkCErrorListPool* old = slots_[slot].exchange(list, std::memory_order_acq_rel);
    if (old != nullptr) VkErrorListAccess::masterSlotCount(*old).fetch_sub(1, std::memory_order_release);
    return old;
}

bool MasterTable::clearIf(uint32_t slot, VkCErrorListPool* expected) {
    if (slot >= capacity_ || expected == nullptr) return false;
    if (!slots_[slot].compare_exchange_strong(expected, nullptr, std::memory_order_acq_rel)) return false;
    VkErrorListAccess::masterSlotCount(*expected).fetch_sub(1, std::memory_order_release);
    return true;
}

}  // namespace VkNManager
