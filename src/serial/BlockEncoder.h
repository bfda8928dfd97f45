// Encoding a message block in one pass, for the usual case of a block that
// fits the room left in the buffer.
#ifndef VKERRORHANDLING_SRC_SERIAL_BLOCKENCODER_H_
#define VKERRORHANDLING_SRC_SERIAL_BLOCKENCODER_H_

#include <cstdint>

#include "list/ErrorEntry.h"

namespace VkNSerial {

// The header values of a block that do not come from the entry itself.
struct BlockContext {
    // The entry's time stamp in wire ticks.
    uint64_t wireStamp;
    uint32_t maxParameters;
};

// Writes the block of `entry`, carrying `messageTemplate` (never null), at
// `at`, measuring each string while it is copied. Returns the end of the
// block, or null when the block does not fit before `limit`. A block that
// does not fit has left at most fields that a field-by-field writer writes
// as well, with the same bytes, so that writer can take over from `at`.
unsigned char* encodeBlockIfFits(unsigned char* at, unsigned char* limit,
                                 const VkErrorListAccess::Entry& entry, const char* messageTemplate,
                                 const BlockContext& context);

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_BLOCKENCODER_H_
