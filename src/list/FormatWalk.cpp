#include "list/FormatWalk.h"

#include <cstdio>

#include "list/EntryRelease.h"
#include "list/ParameterSlots.h"

namespace VkNList {

namespace {

void printStrayCharacterPanic(const char* rest, uint32_t errorCode) {
    std::printf(
        "VkErrorHandling: Panic! Format string '%s' for code %#x starts with invalid character '%c'. "
        "Expecting '%%'!\n",
        rest, errorCode, rest[0]);
}

void printUnknownLetterPanic(char letter, uint32_t errorCode, const char* rest) {
    std::printf(
        "VkErrorHandling: Panic! Did not recognize type identifier '%c'. Error format string for code %#x is "
        "invalid: '%s'!\n",
        letter, errorCode, rest);
}

}  // namespace

void recordParameters(VkErrorListAccess::Entry& entry, uint32_t maxAdditionalParameters, va_list args) {
    const char* piece = entry.formatString;
    if (piece == nullptr || piece[0] == '\0') return;
    if (piece[0] != '%') {
        printStrayCharacterPanic(piece, entry.errorCode);
        return;
    }
    // Every later piece starts at a '%', so only the first can be stray.
    while (piece != nullptr) {
        const char* end = findDescriptorEnd(piece);
        const char* next = *end == '%' ? end : nullptr;
        // A lone '%' or "%%" stands for no value.
        if (piece[1] != '\0' && piece[1] != '%') {
            const size_t length = static_cast<size_t>(end - piece);
            switch (classifyDescriptor(piece, length)) {
                case VkEDescriptorKind::kDouble:
                    appendDouble(entry, maxAdditionalParameters, va_arg(args, double));
                    break;
                case VkEDescriptorKind::kInt32:
                    appendInt32(entry, maxAdditionalParameters, va_arg(args, int));
                    break;
                case VkEDescriptorKind::kInt64:
                    appendInt64(entry, maxAdditionalParameters, va_arg(args, int64_t));
                    break;
                case VkEDescriptorKind::kString:
                    appendString(entry, maxAdditionalParameters, va_arg(args, const char*));
                    break;
                case VkEDescriptorKind::kUnknown:
                    printUnknownLetterPanic(piece[length - 1], entry.errorCode, piece);
                    return;
            }
        }
        piece = next;
    }
}

}  // namespace VkNList

void VkCErrorList::addAdditionalParameter(uint32_t index, va_list args) {
    if (VkNList::isNullArgumentList(args)) return;
    Entry* entry = entryForWrite(index);
    if (entry == nullptr) return;
    // The old parameters are freed only after the walk, in case a value
    // passed in is one of the strings being replaced.
    VkNList::VkCDetachedStrings replaced;
    if (entry->additionalParametersCount != 0) replaced.takeParameters(*entry);
    VkNList::recordParameters(*entry, maxAdditionalParameters, args);
}
