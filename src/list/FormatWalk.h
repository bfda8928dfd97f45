// Typing the descriptors of a recording format string.
//
// A format string is a run of printf-style descriptors, one per value
// ("%08X%d%s"). A descriptor runs from its '%' up to the next '%' or the end;
// its last character alone decides the type of the value it stands for.
// Pure functions; no state, no allocation.
#ifndef VKERRORHANDLING_SRC_LIST_FORMATWALK_H_
#define VKERRORHANDLING_SRC_LIST_FORMATWALK_H_

#include <cstddef>

namespace VkNList {

enum class VkEDescriptorKind {
    kDouble,   // e E f g G
    kInt32,    // d i o u x X
    kInt64,    // d i o u x X after "ll" or "z", and p
    kString,   // s
    kUnknown,  // anything else: the walk stops
};

// The end of the descriptor starting at `descriptor` (which holds '%'): the
// next '%' after its first character, or the terminating NUL.
inline const char* findDescriptorEnd(const char* descriptor) {
    const char* end = descriptor + 1;
    while (*end != '\0' && *end != '%') ++end;
    return end;
}

// The kind of the descriptor `descriptor[0, length)`; `length` >= 2.
VkEDescriptorKind classifyDescriptor(const char* descriptor, size_t length);

}  // namespace VkNList

#endif  // VKERRORHANDLING_SRC_LIST_FORMATWALK_H_
