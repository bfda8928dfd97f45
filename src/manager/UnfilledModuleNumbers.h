// Which entries of a list have no module numbers yet, so that a send that
// ends up not printing can leave the list unrendered.
#ifndef VKERRORHANDLING_SRC_MANAGER_UNFILLEDMODULENUMBERS_H_
#define VKERRORHANDLING_SRC_MANAGER_UNFILLEDMODULENUMBERS_H_

#include <cstdint>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "list/ErrorEntry.h"

namespace VkNManager {

// Composing a list's text fills in the module numbers of entries that have
// none, from the catalogue. The text is composed before the lock is taken,
// so that senders compose concurrently; when the lock then cannot be had,
// the list must look as if it had never been rendered, because the callback
// sees it next. Taken before composing, restore() empties again the module
// numbers of the entries that had none.
//
// Lives on the sending thread's stack, and the list is the sender's alone
// meanwhile. A short list (every single-message send) needs no allocation.
class UnfilledModuleNumbers {
  public:
    explicit UnfilledModuleNumbers(const VkCErrorList& list)
        : used_(VkErrorListAccess::numberOfUsedEntries(list)), firstEntries_(0) {
        const VkErrorListAccess::Entry* entries = VkErrorListAccess::entries(list);
        if (entries == nullptr) return;
        if (used_ > kInMask) laterEntries_.resize(used_ - kInMask);
        for (uint32_t i = 0; i < used_; ++i) {
            if (!isUnfilled(entries[i])) continue;
            if (i < kInMask) {
                firstEntries_ |= uint64_t{1} << i;
            } else {
                laterEntries_[i - kInMask] = true;
            }
        }
    }

    void restore(VkCErrorList& list) const {
        VkErrorListAccess::Entry* entries = VkErrorListAccess::entries(list);
        if (entries == nullptr) return;
        for (uint32_t i = 0; i < used_; ++i) {
            if (i < kInMask ? (firstEntries_ >> i & 1) == 0 : !laterEntries_[i - kInMask]) continue;
            entries[i].mainModuleNumber = 0;
            entries[i].subModuleNumber = 0;
        }
    }

  private:
    static constexpr uint32_t kInMask = 64;

    static bool isUnfilled(const VkErrorListAccess::Entry& entry) {
        return entry.mainModuleNumber == 0 && entry.subModuleNumber == 0;
    }

    const uint32_t used_;
    uint64_t firstEntries_;           // bit i: entry i had no module numbers
    std::vector<bool> laterEntries_;  // the same for entries 64 and on
};

}  // namespace VkNManager

#endif  // VKERRORHANDLING_SRC_MANAGER_UNFILLEDMODULENUMBERS_H_
