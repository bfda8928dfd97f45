// The sizes of one entry's message block, measured before it is written so
// that the block can be reserved once and encoded in a single pass.
#ifndef VKERRORHANDLING_SRC_SERIAL_MESSAGELAYOUT_H_
#define VKERRORHANDLING_SRC_SERIAL_MESSAGELAYOUT_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"
#include "list/ErrorEntry.h"

namespace VkNSerial {

struct MessageLayout {
    // The three fixed strings ("" for none) and their lengths with the NUL.
    const char* formatString;
    const char* functionName;
    const char* messageTemplate;
    uint32_t formatLength;
    uint32_t functionLength;
    uint32_t templateLength;
    // Parameters by section: strings, 32-bit integers, wide (double or i64).
    uint32_t stringCount;
    uint32_t integerCount;
    uint32_t wideCount;
    // Lengths of the string parameters with their NULs, in parameter order
    // (the first stringCount are set), and their sum.
    uint32_t stringLengths[kMaxAdditionalParameters];
    uint64_t stringParameterBytes;
    // The whole block, identifier to last byte.
    uint64_t messageSize;
};

// Measures entry `index`, which must pass the list's index rule. Reads the
// entry's strings and slots only; changes nothing.
MessageLayout measureMessage(const VkCErrorList& list, uint32_t index);

// Measures `entry` as a block carrying `messageTemplate` (never null) as its
// template text. Reads the entry only.
void measureEntry(const VkErrorListAccess::Entry& entry, const char* messageTemplate, MessageLayout& layout);

// How much an owned buffer with `freeSize` free bytes grows while the block
// is written field by field: each field that does not fit grows it by the
// field's length, at least 512 bytes. The writer makes this growth in one
// step, so the buffer ends with the size that separate writes would give it.
uint64_t fieldByFieldGrowth(const MessageLayout& layout, uint64_t freeSize);

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_MESSAGELAYOUT_H_
