// A byte buffer with a big-endian length prefix, for the wire formats.
//
// The block's first four bytes always hold the number of bytes in use (these
// four included), so the block can be handed to another process or node as
// it is. Read and write offsets count from the first payload byte (byte 4).
// Every value is written and read with an element size that selects the byte
// order conversion: 1 copies bytes unchanged, 2, 4 and 8 store each element
// big-endian, -1 treats the whole length as one element (1, 2, 4 or 8 bytes).
//
// A buffer lives one of three ways:
//   VkCObjectBuffer()             owns a growable heap block, for writing;
//   VkCObjectBuffer(data, length) owns a copy of a received image, for reading;
//   VkCObjectBuffer(size, memory) writes into caller memory, never grown or freed.
// After freeBuffer() or getStartPointer() the buffer is dead: every read and
// write fails with -1.
//
// Thread safety: none; a buffer belongs to one thread at a time.
#ifndef VKERRORHANDLING_VKCOBJECTBUFFER_H_
#define VKERRORHANDLING_VKCOBJECTBUFFER_H_

#include <cstddef>
#include <cstdint>

#include "VkErrorHandling/VkExport.h"

class VK_EXPORT VkCObjectBuffer {
public:
    // An owned block of 4096 payload bytes, empty (occupied size 4).
    VkCObjectBuffer();
    // An owned copy of the image at `data`, positioned at its first payload
    // byte. Fewer than 4 bytes, a null pointer, or a length prefix below 4 or
    // above `length` give a buffer without a block, on which reads fail.
    VkCObjectBuffer(const unsigned char* data, uint32_t length);
    // Writes into `size` bytes of caller memory (at least 4 are needed).
    VkCObjectBuffer(uint32_t size, char* memory);
    virtual ~VkCObjectBuffer();
    VkCObjectBuffer(const VkCObjectBuffer&) = delete;
    VkCObjectBuffer& operator=(const VkCObjectBuffer&) = delete;

    // Appends `length` bytes; returns `length`, or -1 on failure.
    int32_t writeBuffer(const void* source, size_t length, int32_t elementSize);
    // Copies `length` bytes out and advances; returns 0, or -1 on failure.
    int32_t readBuffer(void* target, size_t length, int32_t elementSize);
    // Hands the block out (an owned block then belongs to the caller, who
    // releases it with free()) and leaves the buffer dead. Over caller memory
    // every call returns that memory; over an owned block a second call
    // returns null.
    unsigned char* getStartPointer();
    // Releases an owned block; the buffer is dead afterwards. Safe to repeat.
    void freeBuffer();
    int32_t setReadOffset(uint32_t offset);
    uint32_t getReadOffset();
    // Moves the write position without changing the occupied size, so a
    // later write patches bytes already written.
    int32_t setWriteOffset(uint32_t offset);
    uint32_t getWriteOffset();
    uint32_t getFreeSize();
    // Bytes of the block, the prefix included.
    uint32_t getSize();
    // One past the highest byte ever written; equals the length prefix.
    uint32_t getOccupiedSize();

private:
    // The library's wire formats encode straight into the block through this.
    friend struct VkObjectBufferAccess;

    int32_t initBuffer(int32_t payloadSize);
    int32_t allocateBuffer(int32_t increment);

    unsigned char* block;
    uint32_t size;
    uint32_t occupiedSize;
    unsigned char* readPosition;
    unsigned char* writePosition;
    unsigned char* end;
    bool callerOwnedMemory;
};

#endif  // VKERRORHANDLING_VKCOBJECTBUFFER_H_
