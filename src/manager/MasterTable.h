// The master error list table: one slot per thread id (or explicit slot
// number), each naming the list into which the library reports failures of
// operations that have no list of their own.
#ifndef VKERRORHANDLING_SRC_MANAGER_MASTERTABLE_H_
#define VKERRORHANDLING_SRC_MANAGER_MASTERTABLE_H_

#include <atomic>
#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"

namespace VkNManager {

// A radix tree over the 32-bit slot number: four levels of 256 entries, the
// last of which hold the slots. Thread ids run up to 4,194,304 and explicit
// slots up to 2^31 - 1, so an array indexed by slot would cost megabytes for
// a single thread; here memory follows the slots in use, one 2 KB node per
// range of 256 slots touched plus the nodes above it. The threads of one
// process have nearby ids and share one leaf or a few.
//
// Chosen over an open-addressing hash table because nodes never move once
// allocated: a reader without the lock follows at most four acquire loads
// and can never meet a half-copied or freed table, and a thread may clear
// its own slot with one compare-exchange without the lock at any time. A
// hash table would have to rehash into new arrays as it fills, keeping old
// ones alive for readers, and leave tombstones behind cleared slots.
//
// Thread safety: get() and clearIf() are lock-free and may run on any
// thread; set() and clear() run only under the manager's lock. The table
// does not own the lists it names, and it keeps each list's count of slots
// naming it up to date, so that deleting a list can tell in one load
// whether any slot still names it.
class MasterTable {
  public:
    // An empty table, or null when memory is short.
    static MasterTable* create();
    ~MasterTable();
    MasterTable(const MasterTable&) = delete;
    MasterTable& operator=(const MasterTable&) = delete;

    // The list in `slot`, or null.
    VkCErrorListPool* get(uint32_t slot) const;
    // Stores `list` in `slot` unless `keepExisting` and the slot names a
    // list already. False, with the table unchanged, when the slot's part of
    // the table cannot be allocated.
    bool set(uint32_t slot, VkCErrorListPool* list, bool keepExisting);
    // Empties `slot`.
    void clear(uint32_t slot);
    // Empties `slot` if it names `expected`, in one atomic step; true if it did.
    bool clearIf(uint32_t slot, VkCErrorListPool* expected);

  private:
    struct Node;
    MasterTable();

    // The cell of `slot` in its leaf, or null when its path is incomplete
    // and `create` is false or the missing nodes cannot be allocated.
    std::atomic<void*>* cellFor(uint32_t slot, bool create);
    // The nodes for `slot` from `level` down to its leaf, linked to one
    // another but not yet to the table; null, with nothing kept, when memory
    // is short, so that a failed growth leaves the table as it was.
    static Node* newPath(uint32_t slot, int level);
    // Deletes `node`, found at `level` (0: the root), and every node below.
    static void deleteNode(Node* node, int level);

    Node* root_;
};

// Slots of 2^31 and above are refused, as they always were.
constexpr uint32_t kFirstInvalidSlot = 0x80000000u;

}  // namespace VkNManager

#endif  // VKERRORHANDLING_SRC_MANAGER_MASTERTABLE_H_
