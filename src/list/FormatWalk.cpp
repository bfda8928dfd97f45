#include "list/FormatWalk.h"

#include <cstdio>

#include "list/EntryRelease.h"

namespace VkNList {

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

}  // namespace VkNList

void VkCErrorList::addAdditionalParameter(uint32_t index, va_list args) {
    if (VkNList::isNullArgumentList(args)) return;
    Entry* entry = VkErrorListAccess::entryForWrite(*this, index);
    if (entry == nullptr) return;
    // The old parameters are freed only after the walk, in case a value
    // passed in is one of the strings being replaced.
    VkNList::VkCDetachedStrings replaced;
    if (entry->additionalParametersCount != 0) replaced.takeParameters(*entry);
    VkNList::recordParameters(*entry, maxAdditionalParameters, args);
}
