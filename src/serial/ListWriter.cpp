// Writing a whole list as a list image.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "serial/MessageLayout.h"
#include "serial/MessageWriter.h"
#include "serial/ObjectBufferAccess.h"
#include "serial/WireFormat.h"

namespace {

bool writeWord(VkCObjectBuffer& buffer, uint32_t value) { return buffer.writeBuffer(&value, 4, -1) == 4; }

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
    std::unique_ptr<VkNSerial::MessageLayout[]> layouts(new (std::nothrow) VkNSerial::MessageLayout[count]);
    if (layouts == nullptr) return nullptr;
    uint64_t imageSize = VkNSerial::kListFixedSize;
    for (uint32_t index = 0; index < count; ++index) {
        layouts[index] = VkNSerial::measureMessage(*this, index);
        imageSize += layouts[index].messageSize;
    }
    if (imageSize > UINT32_MAX) return nullptr;
    VkObjectBufferAccess::reserve(buffer, imageSize - 4);

    bool written = writeWord(buffer, VkNSerial::kListIdentifier);
    const uint32_t listSizeOffset = buffer.getWriteOffset();
    written = written && writeWord(buffer, 4);  // patched below
    written = written && writeWord(buffer, VkNSerial::kWireVersion) &&
              writeWord(buffer, VkNSerial::kListHeaderBytes) && writeWord(buffer, nodeId) &&
              writeWord(buffer, applicationId) && writeWord(buffer, count) &&
              writeWord(buffer, VkNSerial::kMessageIdentifier);
    const VkNSerial::WriteContext context = VkNSerial::currentWriteContext();
    for (uint32_t index = 0; written && index < count; ++index) {
        written = VkNSerial::appendMessage(*this, index, layouts[index], context, buffer);
    }
    for (uint32_t word : VkNSerial::kTerminationWords) written = written && writeWord(buffer, word);
    if (!written) return nullptr;

    const uint32_t endOffset = buffer.getWriteOffset();
    if (buffer.setWriteOffset(listSizeOffset) != 0 || !writeWord(buffer, buffer.getOccupiedSize() - 4) ||
        buffer.setWriteOffset(endOffset) != 0) {
        return nullptr;
    }
    size = buffer.getOccupiedSize();
    return reinterpret_cast<char*>(buffer.getStartPointer());
}

void VkCErrorList::freeSerializedBuffer(char** buffer) {
    if (buffer == nullptr || *buffer == nullptr) return;
    std::free(*buffer);
    *buffer = nullptr;
}

void VkCErrorList::freeSerializedBuffer() {}
