#include "list/ParameterSlots.h"

#include <cstdlib>

namespace VkNList {

namespace {

// The slot the next value goes into, with the count already advanced, or
// null when the entry is full. A string a stale slot might still hold is
// handed back in `stale`, to be freed after the new value is in place.
VkSParameter* claimSlot(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, char*& stale) {
    const uint32_t n = entry.additionalParametersCount;
    if (n >= maxAdditionalParameters || n >= kMaxAdditionalParameters) return nullptr;
    entry.additionalParametersCount = n + 1;
    VkSParameter* slot = &entry.additionalParameters[n];
    stale = slot->type == kParameterString ? slot->value.stringValue : nullptr;
    return slot;
}

}  // namespace

void appendInt32(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, int32_t value) {
    char* stale = nullptr;
    if (VkSParameter* slot = claimSlot(entry, maxAdditionalParameters, stale)) {
        slot->type = kParameterInt32;
        slot->value.int64Value = 0;  // keep the unused half of the value defined
        slot->value.int32Value = value;
        std::free(stale);
    }
}

void appendInt64(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, int64_t value) {
    char* stale = nullptr;
    if (VkSParameter* slot = claimSlot(entry, maxAdditionalParameters, stale)) {
        slot->type = kParameterInt64;
        slot->value.int64Value = value;
        std::free(stale);
    }
}

void appendDouble(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, double value) {
    char* stale = nullptr;
    if (VkSParameter* slot = claimSlot(entry, maxAdditionalParameters, stale)) {
        slot->type = kParameterDouble;
        slot->value.doubleValue = value;
        std::free(stale);
    }
}

void appendString(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, const char* text) {
    char* stale = nullptr;
    if (VkSParameter* slot = claimSlot(entry, maxAdditionalParameters, stale)) {
        slot->type = kParameterString;
        slot->value.stringValue = nullptr;
        VkErrorListAccess::saveString(slot->value.stringValue, text);
        std::free(stale);
    }
}

}  // namespace VkNList
