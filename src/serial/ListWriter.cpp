// Writing a whole list as a list image.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "serial/BlockWriter.h"
#include "serial/ByteOrder.h"
#include "serial/MessageLayout.h"
#include "serial/MessageWriter.h"
#include "serial/ObjectBufferAccess.h"
#include "serial/WireFormat.h"

namespace {

// Lists of up to this many messages keep their block layouts on the stack:
// a list image of a few messages should cost no allocation besides its own.
constexpr uint32_t kLayoutsOnStack = 8;

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
    // Every block is measured first, once, so that an owned block grows once
    // for the whole image rather than once per message.
    VkNSerial::MessageLayout layoutsOnStack[kLayoutsOnStack];
    std::unique_ptr<VkNSerial::MessageLayout[]> layoutsOnHeap;
    VkNSerial::MessageLayout* layouts = layoutsOnStack;
    if (count > kLayoutsOnStack) {
        layoutsOnHeap.reset(new (std::nothrow) VkNSerial::MessageLayout[count]);
        if (layoutsOnHeap == nullptr) return nullptr;
        layouts = layoutsOnHeap.get();
    }
    uint64_t imageSize = VkNSerial::kListFixedSize;
    for (uint32_t index = 0; index < count; ++index) {
        layouts[index] = VkNSerial::measureMessage(*this, index);
        imageSize += layouts[index].messageSize;
    }
    if (imageSize > UINT32_MAX) return nullptr;
    VkObjectBufferAccess::reserve(buffer, imageSize - 4);

    const uint32_t listSizeOffset = buffer.getWriteOffset() + 4;
    bool written = writeFields(buffer, [this, count](VkNSerial::BlockWriter& writer) {
        putListHeader(writer, nodeId, applicationId, count);
    });
    const VkNSerial::WriteContext context = VkNSerial::currentWriteContext();
    for (uint32_t index = 0; written && index < count; ++index) {
        written = VkNSerial::appendMessage(*this, index, layouts[index], context, buffer);
    }
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
