#include "VkErrorHandling/VkCObjectBuffer.h"

#include <cstdlib>
#include <cstring>

#include "serial/ByteOrder.h"

namespace {

constexpr int32_t kDefaultPayloadSize = 4096;
constexpr uint32_t kPrefixSize = 4;
constexpr uint32_t kMinimumGrowth = 512;
// Results are i32, so no single transfer may exceed the i32 range.
constexpr size_t kMaxTransfer = 0x7FFFFFFF;

bool isSupportedElementSize(size_t elementSize) {
    return elementSize == 1 || elementSize == 2 || elementSize == 4 || elementSize == 8;
}

}  // namespace

VkCObjectBuffer::VkCObjectBuffer()
    : block(nullptr),
      size(0),
      occupiedSize(kPrefixSize),
      readPosition(nullptr),
      writePosition(nullptr),
      end(nullptr),
      callerOwnedMemory(false) {
    initBuffer(-1);
}

VkCObjectBuffer::VkCObjectBuffer(const unsigned char* data, uint32_t length)
    : block(nullptr),
      size(0),
      occupiedSize(kPrefixSize),
      readPosition(nullptr),
      writePosition(nullptr),
      end(nullptr),
      callerOwnedMemory(false) {
    if (data == nullptr || length < kPrefixSize) return;
    const uint32_t imageLength = VkNSerial::loadBig32(data);
    if (static_cast<int32_t>(imageLength) < 0 || imageLength > length || imageLength < kPrefixSize) return;
    if (initBuffer(static_cast<int32_t>(imageLength - kPrefixSize)) != 0) return;
    std::memcpy(block, data, imageLength);
    occupiedSize = imageLength;
}

VkCObjectBuffer::VkCObjectBuffer(uint32_t size, char* memory)
    : block(nullptr),
      size(0),
      occupiedSize(kPrefixSize),
      readPosition(nullptr),
      writePosition(nullptr),
      end(nullptr),
      callerOwnedMemory(true) {
    if (memory == nullptr || size < kPrefixSize) return;
    block = reinterpret_cast<unsigned char*>(memory);
    this->size = size;
    readPosition = block + kPrefixSize;
    writePosition = block + kPrefixSize;
    end = block + size;
    VkNSerial::storeBig32(block, occupiedSize);
}

VkCObjectBuffer::~VkCObjectBuffer() { freeBuffer(); }

int32_t VkCObjectBuffer::initBuffer(int32_t payloadSize) {
    const bool forWriting = payloadSize < 0;
    if (forWriting) payloadSize = kDefaultPayloadSize;
    const uint32_t blockSize = static_cast<uint32_t>(payloadSize) + kPrefixSize;
    block = static_cast<unsigned char*>(std::malloc(blockSize));
    if (block == nullptr) {
        size = 0;
        return -1;
    }
    size = blockSize;
    readPosition = block + kPrefixSize;
    end = block + size;
    writePosition = forWriting ? block + kPrefixSize : end;
    // An empty image is valid as it stands, even if handed out unwritten.
    if (forWriting) VkNSerial::storeBig32(block, occupiedSize);
    return 0;
}

int32_t VkCObjectBuffer::allocateBuffer(int32_t increment) {
    if (block == nullptr || writePosition == nullptr || callerOwnedMemory) return -1;
    uint32_t growth = static_cast<uint32_t>(increment);
    if (growth < kMinimumGrowth) growth = kMinimumGrowth;
    // A negative increment compares as huge and fails here, as does any
    // growth past the u32 sizes.
    const uint64_t newSize = static_cast<uint64_t>(size) + growth;
    if (growth > kMaxTransfer || newSize > UINT32_MAX) return -1;
    const size_t readOffset = static_cast<size_t>(readPosition - block);
    const size_t writeOffset = static_cast<size_t>(writePosition - block);
    auto* grown = static_cast<unsigned char*>(std::realloc(block, newSize));
    if (grown == nullptr) return -1;
    block = grown;
    size = static_cast<uint32_t>(newSize);
    readPosition = block + readOffset;
    writePosition = block + writeOffset;
    end = block + size;
    return static_cast<int32_t>(growth);
}

int32_t VkCObjectBuffer::writeBuffer(const void* source, size_t length, int32_t elementSize) {
    if (writePosition == nullptr || source == nullptr || length > kMaxTransfer) return -1;
    const size_t element = elementSize < 0 ? length : static_cast<size_t>(elementSize);
    if (element > length) return -1;
    if (getFreeSize() < length) {
        if (callerOwnedMemory || allocateBuffer(static_cast<int32_t>(length)) < 0) return -1;
    }
    // The element size is checked after the growth, which is kept even when
    // the write then fails on it; a zero-length write fails here at the
    // latest. A partial last element is refused rather than half converted.
    if (!isSupportedElementSize(element) || length % element != 0) return -1;
    VkNSerial::copyConverted(writePosition, static_cast<const unsigned char*>(source), length, element);
    const size_t writtenEnd = static_cast<size_t>(writePosition - block) + length;
    if (writtenEnd > occupiedSize) occupiedSize = static_cast<uint32_t>(writtenEnd);
    writePosition += length;
    VkNSerial::storeBig32(block, occupiedSize);
    return static_cast<int32_t>(length);
}

int32_t VkCObjectBuffer::readBuffer(void* target, size_t length, int32_t elementSize) {
    if (readPosition == nullptr || target == nullptr) return -1;
    if (readPosition > writePosition || length > static_cast<size_t>(end - readPosition)) return -1;
    // A zero-length read of single bytes is the one empty transfer that
    // succeeds; it moves nothing.
    if (length == 0) return elementSize == 1 ? 0 : -1;
    if (elementSize < -1) return -1;
    const size_t element = elementSize == -1 ? length : static_cast<size_t>(elementSize);
    if (element > length || !isSupportedElementSize(element) || length % element != 0) return -1;
    VkNSerial::copyConverted(static_cast<unsigned char*>(target), readPosition, length, element);
    readPosition += length;
    return 0;
}

unsigned char* VkCObjectBuffer::getStartPointer() {
    unsigned char* taken = block;
    // Caller memory stays the caller's: freeBuffer keeps pointing at it, so a
    // repeated call hands the same memory back.
    if (!callerOwnedMemory) block = nullptr;
    freeBuffer();
    return taken;
}

void VkCObjectBuffer::freeBuffer() {
    if (block != nullptr && !callerOwnedMemory) {
        std::free(block);
        block = nullptr;
    }
    size = 0;
    readPosition = nullptr;
    writePosition = nullptr;
    end = nullptr;
}

int32_t VkCObjectBuffer::setReadOffset(uint32_t offset) {
    if (readPosition == nullptr || static_cast<uint64_t>(offset) + kPrefixSize > size) return -1;
    readPosition = block + kPrefixSize + offset;
    return 0;
}

uint32_t VkCObjectBuffer::getReadOffset() {
    if (readPosition == nullptr) return 0;
    return static_cast<uint32_t>(readPosition - (block + kPrefixSize));
}

int32_t VkCObjectBuffer::setWriteOffset(uint32_t offset) {
    if (writePosition == nullptr || static_cast<uint64_t>(offset) + kPrefixSize > size) return -1;
    writePosition = block + kPrefixSize + offset;
    return 0;
}

uint32_t VkCObjectBuffer::getWriteOffset() {
    if (writePosition == nullptr) return 0;
    return static_cast<uint32_t>(writePosition - (block + kPrefixSize));
}

uint32_t VkCObjectBuffer::getFreeSize() {
    if (writePosition == nullptr) return 0;
    return static_cast<uint32_t>(end - writePosition);
}

uint32_t VkCObjectBuffer::getSize() { return size; }

uint32_t VkCObjectBuffer::getOccupiedSize() { return occupiedSize; }
