// Reading message blocks into list entries, shared by the message and the
// list readers.
#ifndef VKERRORHANDLING_SRC_SERIAL_MESSAGEREADER_H_
#define VKERRORHANDLING_SRC_SERIAL_MESSAGEREADER_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "list/ErrorEntry.h"
#include "serial/ByteReader.h"
#include "serial/FormatPlan.h"

namespace VkNSerial {

// The reading thread's master error list, or null when the manager has none
// to give (its detached list); failures found in images are reported there.
VkCErrorList* reportList();

// Validates a buffer image's length prefix as VkCObjectBuffer's reading
// constructor does and returns a reader over its payload; a malformed image
// gives a reader over nothing, on which the first read fails.
ByteReader payloadReader(const unsigned char* data, uint32_t length);

// The factor that turns received wire ticks into local ticks, from the
// manager's tick duration; read once per image.
double receiveStampFactor();

// Whether a reader takes a regular block by the fast path
// (readRegularBlock) or reads every block field by field. The second is the
// reference the first is tested against.
enum class BlockPath { kRegularFirst, kFieldByField };

// Reads one message block (skipping foreign blocks before it) from `reader`
// into entry `index` of `list` (-1 when it fails the index rule). Reports name
// positions as `reportBase` + bytes read. 0 on success, -1 on failure; the
// reader stops where reading stopped.
// `plans`, when given, is shared by the blocks of one image.
int32_t readMessage(VkCErrorList& list, uint32_t index, ByteReader& reader, uint32_t reportBase,
                    double stampFactor, FormatPlans* plans = nullptr,
                    BlockPath path = BlockPath::kRegularFirst);

// The two forms of VkCErrorList::deSerializeMessage, with the block read by
// `path`.
int32_t readMessageImage(VkCErrorList& list, uint32_t index, const unsigned char* data, uint32_t length,
                         BlockPath path);
int32_t readBufferedMessage(VkCErrorList& list, uint32_t index, VkCObjectBuffer& buffer, BlockPath path);

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_MESSAGEREADER_H_
