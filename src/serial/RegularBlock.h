// The fast path of the message readers: a block whose sizes all check out is
// parsed first and stored second, with one bounds check per length field.
#ifndef VKERRORHANDLING_SRC_SERIAL_REGULARBLOCK_H_
#define VKERRORHANDLING_SRC_SERIAL_REGULARBLOCK_H_

#include <cstddef>
#include <cstdint>

#include "list/ErrorEntry.h"
#include "serial/ByteOrder.h"
#include "serial/FormatPlan.h"
#include "serial/WireFormat.h"

namespace VkNSerial {

// Reads a regular message block into `entry` and returns true: one of this
// wire version with the known header length and the three fixed strings,
// whose strings and sections fill its `length` bytes exactly. `body` is the
// block behind its identifier and size. Any other block returns false and
// leaves everything untouched, for the field-by-field reader to take with its
// reports and its partial stores; on a regular block the two store the same.
// `plans`, when given, is shared by the blocks of one image.
bool readRegularBlock(VkErrorListAccess::Entry& entry, uint32_t maxParameters, const unsigned char* body,
                      size_t length, double stampFactor, FormatPlans* plans);

// Stores the number fields of a message header that has arrived whole;
// `header` points at its header-bytes field. Both readers share it, so the
// fast path and the field-by-field path cannot drift apart. Inline: every
// message block passes here.
inline void storeHeaderFields(VkErrorListAccess::Entry& entry, const unsigned char* header,
                              double stampFactor) {
    entry.originNode = loadBig32(header + 4);
    entry.messageType = loadBig32(header + 8);
    entry.lineNumber = loadBig32(header + 12);
    entry.timeStamp = scaleStamp(loadBig64(header + 16), stampFactor);
    entry.errorCode = loadBig32(header + 24);
    entry.displayMode = loadBig32(header + 28);
    entry.mainModuleNumber = loadBig32(header + 32);
    entry.subModuleNumber = loadBig32(header + 36);
}

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_REGULARBLOCK_H_
