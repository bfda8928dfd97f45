// Internal access to a VkCObjectBuffer's block for the library's wire formats.
//
// The writers encode a whole message straight into the block after reserving
// room once, and the readers parse the unread bytes in place; both then settle
// the buffer's bookkeeping exactly as the equivalent writeBuffer/readBuffer
// calls would. Not thread-safe, like the buffer itself.
#ifndef VKERRORHANDLING_SRC_SERIAL_OBJECTBUFFERACCESS_H_
#define VKERRORHANDLING_SRC_SERIAL_OBJECTBUFFERACCESS_H_

#include <cstddef>
#include <cstdint>

#include "VkErrorHandling/VkCObjectBuffer.h"
#include "serial/ByteOrder.h"

struct VkObjectBufferAccess {
    // Makes room for `length` more bytes at the write position, growing an
    // owned block at most once. False when the room cannot be had (caller
    // memory too small, allocation failed, dead buffer).
    static bool reserve(VkCObjectBuffer& buffer, size_t length) {
        if (buffer.writePosition == nullptr) return false;
        if (buffer.getFreeSize() >= length) return true;
        if (buffer.callerOwnedMemory || length > 0x7FFFFFFF) return false;
        return buffer.allocateBuffer(static_cast<int32_t>(length)) >= 0;
    }

    // Grows an owned block by exactly `increment` bytes (0 or at least 512).
    // Does nothing for caller memory or a dead buffer, or when the growth
    // fails; the writes that follow then fail where the room ends.
    static void grow(VkCObjectBuffer& buffer, uint64_t increment) {
        if (increment == 0 || buffer.writePosition == nullptr || buffer.callerOwnedMemory) return;
        if (increment <= 0x7FFFFFFF) buffer.allocateBuffer(static_cast<int32_t>(increment));
    }

    // Whether the block is the caller's memory, which never grows.
    static bool isCallerMemory(const VkCObjectBuffer& buffer) { return buffer.callerOwnedMemory; }

    // The write position and the end of the block; both null when dead.
    static unsigned char* writeCursor(VkCObjectBuffer& buffer) { return buffer.writePosition; }
    static unsigned char* writeLimit(VkCObjectBuffer& buffer) { return buffer.end; }

    // Accounts for bytes written directly up to `position` (between the write
    // position and the end): moves the write position, the occupied size and
    // the length prefix as writeBuffer does.
    static void commitWrite(VkCObjectBuffer& buffer, unsigned char* position) {
        if (buffer.writePosition == nullptr || position == buffer.writePosition) return;
        const size_t writtenEnd = static_cast<size_t>(position - buffer.block);
        if (writtenEnd > buffer.occupiedSize) buffer.occupiedSize = static_cast<uint32_t>(writtenEnd);
        buffer.writePosition = position;
        VkNSerial::storeBig32(buffer.block, buffer.occupiedSize);
    }

    // The next unread byte and how many bytes readBuffer would still hand out
    // from there (0 for a dead buffer or a read position past the writes).
    static const unsigned char* readCursor(VkCObjectBuffer& buffer) { return buffer.readPosition; }
    static size_t readableSize(VkCObjectBuffer& buffer) {
        if (buffer.readPosition == nullptr || buffer.readPosition > buffer.writePosition) return 0;
        return static_cast<size_t>(buffer.end - buffer.readPosition);
    }
    // How many of those bytes lie before the write position: no read may
    // start behind them.
    static size_t writtenAhead(VkCObjectBuffer& buffer) {
        if (readableSize(buffer) == 0) return 0;
        return static_cast<size_t>(buffer.writePosition - buffer.readPosition);
    }
    // Moves the read position forward by `length` readable bytes.
    static void advanceRead(VkCObjectBuffer& buffer, size_t length) {
        if (length <= readableSize(buffer)) buffer.readPosition += length;
    }
};

#endif  // VKERRORHANDLING_SRC_SERIAL_OBJECTBUFFERACCESS_H_
