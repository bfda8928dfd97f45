// Encoding one entry as a message block, shared by the message and the list
// writers.
#ifndef VKERRORHANDLING_SRC_SERIAL_MESSAGEWRITER_H_
#define VKERRORHANDLING_SRC_SERIAL_MESSAGEWRITER_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "serial/MessageLayout.h"

namespace VkNSerial {

// The manager's settings a writer needs, read once per image.
struct WriteContext {
    uint32_t myNodeId;
    // Wire ticks per local tick.
    double stampFactor;
};

WriteContext currentWriteContext();

// Appends the block of entry `index`, measured as `layout`, at the buffer's
// write position, growing an owned block at most once. Stamps the entry's
// origin node (when 0) and module numbers first. False when the block did
// not fit whole; the fields that fitted stay written.
bool appendMessage(VkCErrorList& list, uint32_t index, const MessageLayout& layout,
                   const WriteContext& context, VkCObjectBuffer& buffer);

// Appends the blocks of the list's first `count` entries, stamping each as
// appendMessage does. Blocks that fit are encoded straight into the buffer;
// the first that does not takes appendMessage's path. False at the first
// block that did not fit whole.
bool appendMessages(VkCErrorList& list, uint32_t count, const WriteContext& context, VkCObjectBuffer& buffer);

// The summed block sizes of the list's first `count` entries.
uint64_t measureMessages(const VkCErrorList& list, uint32_t count);

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_MESSAGEWRITER_H_
