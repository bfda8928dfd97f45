// Writing a whole list as a list image.
#include <cstdint>
#include <cstdlib>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "serial/BlockWriter.h"
#include "serial/ByteOrder.h"
#include "serial/MessageWriter.h"
#include "serial/ObjectBufferAccess.h"
#include "serial/WireFormat.h"

namespace {

// The list header up to the first block. Written through a BlockWriter, like
// the blocks, with the same all-or-nothing rule per field as writeBuffer.
void putListHeader(VkNSerial::BlockWriter& writer, uint32_t nodeId, uint32_t applicationId, uint32_t count) {
    writer.putU32(VkNSerial::kListIdentifier);
    writer.putU32(4);  // the list size, patched once the image is complete
    writer.putU32(VkNSerial::kWireVersion);
    writer.putU32(VkNSerial::kListHeaderBytes);
    writer.putU32(nodeId);
    writer.putU32(applicationId);
    writer.putU32(count);
    writer.putU32(VkNSerial::kMessageIdentifier);
}

// Writes fields at the buffer's write position and settles its bookkeeping
// as the equivalent writeBuffer calls would. False when a field did not fit.
template <typename Fields>
bool writeFields(VkCObjectBuffer& buffer, Fields&& fields) {
    VkNSerial::BlockWriter writer(VkObjectBufferAccess::writeCursor(buffer),
                                  VkObjectBufferAccess::writeLimit(buffer));
    fields(writer);
    VkObjectBufferAccess::commitWrite(buffer, writer.cursor());
    return !writer.failed();
}

}  // namespace

char* VkCErrorList::serialize(uint32_t& size) {
    size = 0;
    if (numberOfUsedEntries == 0) return nullptr;
    VkCObjectBuffer buffer;
    return serializeInternal(buffer, size);
}

char* VkCErrorList::serialize(char* memory, uint32_t memorySize, uint32_t& size) {
    VkCObjectBuffer buffer(memorySize, memory);
    return serializeInternal(buffer, size);
}

char* VkCErrorList::serializeInternal(VkCObjectBuffer& buffer, uint32_t& size) {
    size = 0;
    const uint32_t count = numberOfUsedEntries;
    if (count == 0 || entries == nullptr) return nullptr;
    // An owned block is measured whole first, so that it grows once for the
    // whole image rather than once per message. Caller memory cannot grow:
    // its blocks are measured as they are written, in one pass.
    if (!VkObjectBufferAccess::isCallerMemory(buffer)) {
        const uint64_t imageSize = VkNSerial::kListFixedSize + VkNSerial::measureMessages(*this, count);
        if (imageSize > UINT32_MAX) return nullptr;
        VkObjectBufferAccess::reserve(buffer, imageSize - 4);
    }

    const uint32_t listSizeOffset = buffer.getWriteOffset() + 4;
    bool written = writeFields(buffer, [this, count](VkNSerial::BlockWriter& writer) {
        putListHeader(writer, nodeId, applicationId, count);
    });
    written = written && VkNSerial::appendMessages(*this, count, VkNSerial::currentWriteContext(), buffer);
    written = written && writeFields(buffer, [](VkNSerial::BlockWriter& writer) {
                  for (uint32_t word : VkNSerial::kTerminationWords) writer.putU32(word);
              });
    if (!written) return nullptr;

    // Everything up to here was written, so the list size field lies behind
    // the write position at the distance of the offsets.
    unsigned char* listSizeField =
        VkObjectBufferAccess::writeCursor(buffer) - (buffer.getWriteOffset() - listSizeOffset);
    VkNSerial::storeBig32(listSizeField, buffer.getOccupiedSize() - 4);
    size = buffer.getOccupiedSize();
    return reinterpret_cast<char*>(buffer.getStartPointer());
}

void VkCErrorList::freeSerializedBuffer(char** buffer) {
    if (buffer == nullptr || *buffer == nullptr) return;
    std::free(*buffer);
    *buffer = nullptr;
}

void VkCErrorList::freeSerializedBuffer() {}
