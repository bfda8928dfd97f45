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

}  // namespace VkNList

#endif  // VKERRORHANDLING_SRC_LIST_ENTRYRELEASE_H_
