// The format walk: turning a stored format string and a va_list into typed
// parameters of one entry.
#include "list/FormatWalk.h"

#include <cstdio>
#include <type_traits>

#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"
#include "list/ParameterSlots.h"

namespace VkNList {

namespace {

// True for the "ll" and "z" size prefixes directly before the letter. "z"
// counts because size_t is 64 bits here, so a %zu value is 64 bits wide.
bool hasWidePrefix(const char* descriptor, size_t length) {
    if (descriptor[length - 2] == 'z') return true;
    return length >= 4 && descriptor[length - 2] == 'l' && descriptor[length - 3] == 'l';
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

}  // namespace

VkEDescriptorKind classifyDescriptor(const char* descriptor, size_t length) {
    switch (descriptor[length - 1]) {
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G':
            return VkEDescriptorKind::kDouble;
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            return hasWidePrefix(descriptor, length) ? VkEDescriptorKind::kInt64 : VkEDescriptorKind::kInt32;
        case 'p':
            return VkEDescriptorKind::kInt64;
        case 's':
            return VkEDescriptorKind::kString;
        default:
            return VkEDescriptorKind::kUnknown;
    }
}

}  // namespace VkNList

void VkCErrorList::addAdditionalParameter(uint32_t index, va_list args) {
    using VkNList::VkEDescriptorKind;
    if (VkNList::isNullArgumentList(args)) return;
    Entry* entry = entryAt(index);
    if (entry == nullptr) return;
    // The old parameters are freed only after the walk, in case a value
    // passed in is one of the strings being replaced.
    VkNList::VkCDetachedStrings replaced;
    replaced.takeParameters(*entry);

    const char* piece = entry->formatString;
    if (piece == nullptr || piece[0] == '\0') return;
    while (piece != nullptr) {
        const char* end = VkNList::findDescriptorEnd(piece);
        const char* next = *end == '%' ? end : nullptr;
        if (piece[0] != '%') {
            std::printf(
                "VkErrorHandling: Panic! Format string '%s' for code %#x starts with invalid character '%c'. "
                "Expecting '%%'!\n",
                piece, entry->errorCode, piece[0]);
            return;
        }
        // A lone '%' or "%%" stands for no value.
        if (piece[1] != '\0' && piece[1] != '%') {
            const size_t length = static_cast<size_t>(end - piece);
            switch (VkNList::classifyDescriptor(piece, length)) {
                case VkEDescriptorKind::kDouble:
                    VkNList::appendDouble(*entry, maxAdditionalParameters, va_arg(args, double));
                    break;
                case VkEDescriptorKind::kInt32:
                    VkNList::appendInt32(*entry, maxAdditionalParameters, va_arg(args, int));
                    break;
                case VkEDescriptorKind::kInt64:
                    VkNList::appendInt64(*entry, maxAdditionalParameters, va_arg(args, int64_t));
                    break;
                case VkEDescriptorKind::kString:
                    VkNList::appendString(*entry, maxAdditionalParameters, va_arg(args, const char*));
                    break;
                case VkEDescriptorKind::kUnknown:
                    std::printf(
                        "VkErrorHandling: Panic! Did not recognize type identifier '%c'. Error format string "
                        "for "
                        "code %#x is invalid: '%s'!\n",
                        piece[length - 1], entry->errorCode, piece);
                    return;
            }
        }
        piece = next;
    }
}
