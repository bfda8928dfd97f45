// The format walk: typing the descriptors of a recording format string and
// taking one value per descriptor from a va_list.
//
// A format string is a run of printf-style descriptors, one per value
// ("%08X%d%s"). A descriptor runs from its '%' up to the next '%' or the end;
// its last character alone decides the type of the value it stands for.
// Free functions, no state of their own; not thread-safe for one entry.
#ifndef VKERRORHANDLING_SRC_LIST_FORMATWALK_H_
#define VKERRORHANDLING_SRC_LIST_FORMATWALK_H_

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"

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
    for (;;) {
        // Digits, letters and most flags sort above '%': one test for them.
        while (static_cast<unsigned char>(*end) > '%') ++end;
        if (*end == '\0' || *end == '%') return end;
        ++end;
    }
}

// The kind each conversion letter stands for, before size prefixes.
struct VkCLetterKinds {
    VkEDescriptorKind kinds[256];
    constexpr VkCLetterKinds() : kinds() {
        for (VkEDescriptorKind& kind : kinds) kind = VkEDescriptorKind::kUnknown;
        for (unsigned char letter : {'e', 'E', 'f', 'g', 'G'}) kinds[letter] = VkEDescriptorKind::kDouble;
        for (unsigned char letter : {'d', 'i', 'o', 'u', 'x', 'X'}) kinds[letter] = VkEDescriptorKind::kInt32;
        kinds[static_cast<unsigned char>('p')] = VkEDescriptorKind::kInt64;
        kinds[static_cast<unsigned char>('s')] = VkEDescriptorKind::kString;
    }
};
inline constexpr VkCLetterKinds kLetterKinds{};

// The kind of the descriptor `descriptor[0, length)`; `length` >= 2. The
// "ll" prefix needs a descriptor of at least four characters. "z" counts as
// 64-bit because size_t is 64 bits wide here, so a %zu value is too.
inline VkEDescriptorKind classifyDescriptor(const char* descriptor, size_t length) {
    const VkEDescriptorKind kind = kLetterKinds.kinds[static_cast<unsigned char>(descriptor[length - 1])];
    if (kind != VkEDescriptorKind::kInt32) return kind;
    const char prefix = descriptor[length - 2];
    const bool wide = prefix == 'z' || (length >= 4 && prefix == 'l' && descriptor[length - 3] == 'l');
    return wide ? VkEDescriptorKind::kInt64 : VkEDescriptorKind::kInt32;
}

// On x86_64 va_list decays to a pointer when passed, and callers may pass a
// null one; on ABIs where it is a struct there is no null to test for.
template <typename ArgumentList>
bool isNullArgumentList(ArgumentList args) {
    if constexpr (std::is_pointer_v<ArgumentList>) {
        return args == nullptr;
    } else {
        return false;
    }
}

// The two notices of a malformed format string, on standard output.
void printStrayCharacterPanic(const char* rest, uint32_t errorCode);
void printUnknownLetterPanic(char letter, uint32_t errorCode, const char* rest);

// Appends one parameter per descriptor of the entry's format string, taking
// each value from `args` even when the entry is full and refuses it. The
// entry's parameter count must be 0. A malformed format string prints one
// panic line to standard output and ends the walk; what was appended stays.
// Inline because it runs for every recorded message.
inline void recordParameters(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters,
                             va_list args) {
    const char* piece = entry.formatString;
    if (piece == nullptr || piece[0] == '\0') return;
    if (piece[0] != '%') {
        printStrayCharacterPanic(piece, entry.errorCode);
        return;
    }
    const uint32_t limit = maxAdditionalParameters < kMaxAdditionalParameters ? maxAdditionalParameters
                                                                              : kMaxAdditionalParameters;
    uint32_t count = 0;
    // Every later piece starts at a '%', so only the first can be stray.
    while (piece != nullptr) {
        const char* end = findDescriptorEnd(piece);
        const char* next = *end == '%' ? end : nullptr;
        // A lone '%' or "%%" stands for no value.
        if (piece[1] != '\0' && piece[1] != '%') {
            const size_t length = static_cast<size_t>(end - piece);
            VkSParameter& slot = entry.additionalParameters[count < limit ? count : 0];
            switch (classifyDescriptor(piece, length)) {
                case VkEDescriptorKind::kDouble: {
                    const double value = va_arg(args, double);
                    if (count < limit) {
                        slot.type = kParameterDouble;
                        slot.value.doubleValue = value;
                        ++count;
                    }
                    break;
                }
                case VkEDescriptorKind::kInt32: {
                    const int32_t value = va_arg(args, int);
                    if (count < limit) {
                        slot.type = kParameterInt32;
                        slot.value.int64Value = 0;  // keep the unused half defined
                        slot.value.int32Value = value;
                        ++count;
                    }
                    break;
                }
                case VkEDescriptorKind::kInt64: {
                    const int64_t value = va_arg(args, int64_t);
                    if (count < limit) {
                        slot.type = kParameterInt64;
                        slot.value.int64Value = value;
                        ++count;
                    }
                    break;
                }
                case VkEDescriptorKind::kString: {
                    const char* value = va_arg(args, const char*);
                    if (count < limit) {
                        // Counted before the copy, so the slot is released
                        // with the entry whatever happens next.
                        slot.type = kParameterString;
                        slot.value.stringValue = nullptr;
                        entry.additionalParametersCount = ++count;
                        slot.value.stringValue = copyString(value);
                    }
                    break;
                }
                case VkEDescriptorKind::kUnknown:
                    entry.additionalParametersCount = count;
                    printUnknownLetterPanic(piece[length - 1], entry.errorCode, piece);
                    return;
            }
        }
        piece = next;
    }
    entry.additionalParametersCount = count;
}

}  // namespace VkNList

#endif  // VKERRORHANDLING_SRC_LIST_FORMATWALK_H_
