// The master error list table: one slot per thread id (or explicit slot
// number), each naming the list into which the library reports failures of
// operations that have no list of their own.
#ifndef VKERRORHANDLING_SRC_MANAGER_MASTERTABLE_H_
#define VKERRORHANDLING_SRC_MANAGER_MASTERTABLE_H_

#include <atomic>
#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"

namespace VkNManager {

// A fixed-capacity array of slots. The manager replaces a table by a larger
// copy instead of resizing it, so that readers can use a table without the
// lock: a table never changes its capacity, and the table it replaced stays
// alive, owned by its successor, until the newest table is deleted.
//
// Thread safety: slot reads are lock-free (acquire loads); slot writes and
// growth happen only under the manager's lock. The table does not own the
// lists it names.
class MasterTable {
  public:
    // A table of `capacity` empty slots that holds the slots of `previous`
    // (may be null) and takes ownership of it. Null when memory is short;
    // `previous` then stays with the caller.
    static MasterTable* grow(MasterTable* previous, uint32_t capacity);
    // Deletes this table and every table it replaced.
    ~MasterTable();
    MasterTable(const MasterTable&) = delete;
    MasterTable& operator=(const MasterTable&) = delete;

    uint32_t capacity() const { return capacity_; }
    // The list in `slot`, or null for an empty or out-of-range slot.
    VkCErrorListPool* get(uint32_t slot) const {
        return slot < capacity_ ? slots_[slot].load(std::memory_order_acquire) : nullptr;
    }
    // Stores `list` (may be null) in `slot` < capacity() and returns the list
    // it replaced. Keeps each list's count of naming slots up to date.
    VkCErrorListPool* exchange(uint32_t slot, VkCErrorListPool* list);
    // Empties `slot` if it names `expected`, in one atomic step; true if it did.
    bool clearIf(uint32_t slot, VkCErrorListPool* expected);

  private:
    MasterTable(uint32_t capacity, std::atomic<VkCErrorListPool*>* slots, MasterTable* previous);

    const uint32_t capacity_;
    std::atomic<VkCErrorListPool*>* const slots_;
    MasterTable* const previous_;  // owned; kept for readers that still use it
};

// The capacity a table needs to hold `slot`: twice the slot, at least 64.
// `slot` must be below 2^31.
inline uint32_t capacityFor(uint32_t slot) { return slot < 32 ? 64 : 2 * slot; }

// Slots of 2^31 and above cannot be doubled in 32 bits; they are refused.
constexpr uint32_t kFirstInvalidSlot = 0x80000000u;

}  // namespace VkNManager

#endif  // VKERRORHANDLING_SRC_MANAGER_MASTERTABLE_H_
