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

enum class VkEDescriptorKind : uint8_t {
    kDouble,   // e E f g G
    kInt32,    // d i o u x X
    kInt64,    // d i o u x X after "ll" or "z", and p
    kString,   // s
    kUnknown,  // anything else: the walk stops
    kNoValue,  // a lone '%' or "%%"
};

inline bool endsDescriptor(unsigned char c) { return c == '\0' || c == '%'; }

// The end of the descriptor that continues at `rest`: the next '%' or the
// terminating NUL, whichever comes first.
inline const unsigned char* findDescriptorEnd(const unsigned char* rest) {
    for (;;) {
        // Digits, letters and most flags sort above '%': one test for them.
        while (*rest > '%') ++rest;
        if (endsDescriptor(*rest)) return rest;
        ++rest;
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

// The kind of the descriptor that ends just before `end` and holds at least
// one character after its '%'. Only an integer letter looks further back,
// and each look stops at the '%' at the latest: "z" counts as 64-bit because
// size_t is 64 bits wide here, so a %zu value is too.
inline VkEDescriptorKind classifyDescriptor(const unsigned char* end) {
    const VkEDescriptorKind kind = kLetterKinds.kinds[end[-1]];
    if (kind != VkEDescriptorKind::kInt32) return kind;
    const unsigned char prefix = end[-2];
    const bool wide = prefix == 'z' || (prefix == 'l' && end[-3] == 'l');
    return wide ? VkEDescriptorKind::kInt64 : VkEDescriptorKind::kInt32;
}

// Reads the descriptor whose first character after the '%' is at `first`:
// sets `end` to where it ends and returns its kind. Most descriptors are a
// single letter, which needs neither a scan nor a look at size prefixes.
inline VkEDescriptorKind readDescriptor(const unsigned char* first, const unsigned char*& end) {
    if (endsDescriptor(first[0])) {
        end = first;
        return VkEDescriptorKind::kNoValue;
    }
    if (endsDescriptor(first[1])) {
        end = first + 1;
        return kLetterKinds.kinds[first[0]];
    }
    end = findDescriptorEnd(first + 2);
    return classifyDescriptor(end);
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
// Inline because it runs for every recorded message: one pass over the
// string, each value stored straight into its slot.
inline void recordParameters(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters,
                             va_list args) {
    const char* format = entry.formatString;
    if (format == nullptr || format[0] == '\0') return;
    if (format[0] != '%') {
        printStrayCharacterPanic(format, entry.errorCode);
        return;
    }
    VkSParameter* const slots = entry.additionalParameters;
    VkSParameter* const full =
        slots + (maxAdditionalParameters < kMaxAdditionalParameters ? maxAdditionalParameters
                                                                    : kMaxAdditionalParameters);
    VkSParameter* slot = slots;
    // Every later descriptor starts at a '%', so only the first can be stray.
    const unsigned char* first = reinterpret_cast<const unsigned char*>(format) + 1;
    for (;;) {
        const unsigned char* end;
        const VkEDescriptorKind kind = readDescriptor(first, end);
        // Tested in the order the kinds are common in: two compares cost
        // less than the jump table a switch over the kinds becomes.
        if (kind == VkEDescriptorKind::kInt32) {
            const int32_t value = va_arg(args, int);
            if (slot != full) {
                slot->type = kParameterInt32;
                slot->value.int64Value = 0;  // keep the unused half defined
                slot->value.int32Value = value;
                ++slot;
            }
        } else if (kind == VkEDescriptorKind::kString) {
            const char* value = va_arg(args, const char*);
            if (slot != full) {
                // Counted before the copy, so the slot is released with the
                // entry whatever happens next.
                slot->type = kParameterString;
                slot->value.stringValue = nullptr;
                ++slot;
                entry.additionalParametersCount = static_cast<uint32_t>(slot - slots);
                slot[-1].value.stringValue = copyString(value);
            }
        } else if (kind == VkEDescriptorKind::kDouble) {
            const double value = va_arg(args, double);
            if (slot != full) {
                slot->type = kParameterDouble;
                slot->value.doubleValue = value;
                ++slot;
            }
        } else if (kind == VkEDescriptorKind::kInt64) {
            // Read as the type the compiler's format check has the host pass,
            // so that va_arg never reads a type other than the one passed.
            int64_t value;
            if (end[-1] == 'p') {
                value = static_cast<int64_t>(reinterpret_cast<uintptr_t>(va_arg(args, const void*)));
            } else if (end[-2] == 'z') {
                value = static_cast<int64_t>(va_arg(args, size_t));
            } else {
                value = va_arg(args, long long);
            }
            if (slot != full) {
                slot->type = kParameterInt64;
                slot->value.int64Value = value;
                ++slot;
            }
        } else if (kind == VkEDescriptorKind::kUnknown) {
            entry.additionalParametersCount = static_cast<uint32_t>(slot - slots);
            printUnknownLetterPanic(static_cast<char>(end[-1]), entry.errorCode,
                                    reinterpret_cast<const char*>(first - 1));
            return;
        }  // else no value: a lone '%' or "%%"
        if (*end == '\0') break;
        first = end + 1;
    }
    entry.additionalParametersCount = static_cast<uint32_t>(slot - slots);
}

}  // namespace VkNList

#endif  // VKERRORHANDLING_SRC_LIST_FORMATWALK_H_
