// The kinds of the values that recording stores for a format string, found
// without any values: the format walk of recording, minus the va_list.
// Free function without state; safe to call from any thread.
#ifndef VKERRORHANDLING_SRC_TEXT_RECORDEDKINDS_H_
#define VKERRORHANDLING_SRC_TEXT_RECORDEDKINDS_H_

#include <cstdint>

#include "list/ErrorEntry.h"
#include "list/FormatWalk.h"

namespace VkNText {

// Writes the kind of each parameter recording would store for `format`, in
// order, into `kinds` and returns their count: descriptors up to the first
// one recording stops at, "%%" and a lone "%" passed over, at most as many
// as an entry holds. Follows VkNList::recordParameters step by step.
inline uint32_t recordedKinds(const char* format,
                              VkNList::VkEDescriptorKind (&kinds)[kMaxAdditionalParameters]) {
    using VkNList::VkEDescriptorKind;
    if (format == nullptr || format[0] != '%') return 0;  // none, or a stray first character
    uint32_t count = 0;
    const unsigned char* first = reinterpret_cast<const unsigned char*>(format) + 1;
    for (;;) {
        const unsigned char* end;
        const VkEDescriptorKind kind = VkNList::readDescriptor(first, end);
        if (kind == VkEDescriptorKind::kUnknown) break;
        if (kind != VkEDescriptorKind::kNoValue && count < kMaxAdditionalParameters) kinds[count++] = kind;
        if (*end == '\0') break;
        first = end + 1;
    }
    return count;
}

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_RECORDEDKINDS_H_
