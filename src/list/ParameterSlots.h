// Appending typed values to an entry's parameter slots.
//
// Inline free functions over one entry: recording calls them once per value,
// so they should cost no more than the store itself. Each appends to the
// first unused slot (slots past the count are always empty), or silently
// refuses the value once the entry holds `maxAdditionalParameters`
// parameters. Not thread-safe.
#ifndef VKERRORHANDLING_SRC_LIST_PARAMETERSLOTS_H_
#define VKERRORHANDLING_SRC_LIST_PARAMETERSLOTS_H_

#include <cstdint>

#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"

namespace VkNList {

// The slot the next value goes into, with the count already advanced, or
// null when the entry is full.
inline VkSParameter* claimSlot(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters) {
    const uint32_t n = entry.additionalParametersCount;
    if (n >= maxAdditionalParameters || n >= kMaxAdditionalParameters) return nullptr;
    entry.additionalParametersCount = n + 1;
    return &entry.additionalParameters[n];
}

inline void appendInt32(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, int32_t value) {
    if (VkSParameter* slot = claimSlot(entry, maxAdditionalParameters)) {
        slot->type = kParameterInt32;
        slot->value.int64Value = 0;  // keep the unused half of the value defined
        slot->value.int32Value = value;
    }
}

inline void appendInt64(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, int64_t value) {
    if (VkSParameter* slot = claimSlot(entry, maxAdditionalParameters)) {
        slot->type = kParameterInt64;
        slot->value.int64Value = value;
    }
}

inline void appendDouble(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, double value) {
    if (VkSParameter* slot = claimSlot(entry, maxAdditionalParameters)) {
        slot->type = kParameterDouble;
        slot->value.doubleValue = value;
    }
}

// Stores a copy of `text`; null or "" stores none (read back as ""), and the
// slot still counts.
inline void appendString(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters,
                         const char* text) {
    if (VkSParameter* slot = claimSlot(entry, maxAdditionalParameters)) {
        slot->type = kParameterString;
        slot->value.stringValue = copyString(text);
    }
}

}  // namespace VkNList

#endif  // VKERRORHANDLING_SRC_LIST_PARAMETERSLOTS_H_
