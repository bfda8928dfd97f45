// Releasing what a message entry owns.
//
// Free functions over a single entry; they touch nothing else and take no
// lock. Used by pop, reset and the destructor, and by recording, which must
// release whatever a reused entry still holds before it writes it again.
#ifndef VKERRORHANDLING_SRC_LIST_ENTRYRELEASE_H_
#define VKERRORHANDLING_SRC_LIST_ENTRYRELEASE_H_

#include "list/ErrorEntry.h"

namespace VkNList {

// Frees the string parameters among the entry's used slots, empties those
// slots and sets the parameter count to 0. The count is clamped to the slot
// array, so a corrupted count can never reach past it.
void releaseParameters(VkErrorListAccess::Entry& entry);

// Frees the function name, format string and template (in that order) and
// then the parameters. Number fields keep their values.
void releaseEntry(VkErrorListAccess::Entry& entry);

// True when the entry holds any string or parameter that releaseEntry would
// release; lets reset skip untouched free entries cheaply.
inline bool holdsResources(const VkErrorListAccess::Entry& entry) {
    return entry.functionName != nullptr || entry.formatString != nullptr ||
           entry.messageTemplate != nullptr || entry.additionalParametersCount != 0;
}

// Strings taken out of an entry that is about to be rewritten. They are freed
// only when this object goes out of scope, so that the new values may still
// be copied from the very strings they replace (a caller may pass back a
// text it read from the same entry). Owns what it took; not thread-safe.
class VkCDetachedStrings {
  public:
    VkCDetachedStrings() = default;
    VkCDetachedStrings(const VkCDetachedStrings&) = delete;
    VkCDetachedStrings& operator=(const VkCDetachedStrings&) = delete;
    ~VkCDetachedStrings();

    // Takes the owned string out of `field`, leaving it none.
    void take(char*& field);
    // Takes the string parameters, empties the used slots, count becomes 0.
    void takeParameters(VkErrorListAccess::Entry& entry);

  private:
    char* strings_[kMaxAdditionalParameters + 3] = {};
    uint32_t count_ = 0;
};

}  // namespace VkNList

#endif  // VKERRORHANDLING_SRC_LIST_ENTRYRELEASE_H_
