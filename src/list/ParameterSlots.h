// Appending typed values to an entry's parameter slots.
//
// Free functions over one entry. Each appends to the first unused slot, or
// silently refuses the value once the entry holds `maxAdditionalParameters`
// parameters. Not thread-safe.
#ifndef VKERRORHANDLING_SRC_LIST_PARAMETERSLOTS_H_
#define VKERRORHANDLING_SRC_LIST_PARAMETERSLOTS_H_

#include <cstdint>

#include "list/ErrorEntry.h"

namespace VkNList {

void appendInt32(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, int32_t value);
void appendInt64(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, int64_t value);
void appendDouble(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, double value);
// Stores a copy of `text`; null or "" stores none (read back as ""), and the
// slot still counts.
void appendString(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, const char* text);

}  // namespace VkNList

#endif  // VKERRORHANDLING_SRC_LIST_PARAMETERSLOTS_H_
