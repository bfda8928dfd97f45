// A bounded, forward-only cursor over bytes received from elsewhere.
//
// Every read checks the bytes left before it touches them, so a hostile
// length can neither read outside the input nor make the caller allocate or
// loop beyond it. A failed read moves nothing. Borrows the bytes; not
// thread-safe.
#ifndef VKERRORHANDLING_SRC_SERIAL_BYTEREADER_H_
#define VKERRORHANDLING_SRC_SERIAL_BYTEREADER_H_

#include <cstddef>
#include <cstdint>

#include "serial/ByteOrder.h"

namespace VkNSerial {

class ByteReader {
  public:
    ByteReader(const unsigned char* data, size_t length) : begin_(data), cursor_(data), end_(data + length) {}

    // Bytes read so far, and bytes left.
    size_t offset() const { return static_cast<size_t>(cursor_ - begin_); }
    size_t remaining() const { return static_cast<size_t>(end_ - cursor_); }

    bool readU32(uint32_t& value) {
        if (remaining() < 4) return false;
        value = loadBig32(cursor_);
        cursor_ += 4;
        return true;
    }

    bool readU64(uint64_t& value) {
        if (remaining() < 8) return false;
        value = loadBig64(cursor_);
        cursor_ += 8;
        return true;
    }

    // Hands out the next `length` bytes in place.
    bool take(uint64_t length, const unsigned char*& bytes) {
        if (length > remaining()) return false;
        bytes = cursor_;
        cursor_ += length;
        return true;
    }

    bool skip(uint64_t length) {
        const unsigned char* ignored;
        return take(length, ignored);
    }

  private:
    const unsigned char* begin_;
    const unsigned char* cursor_;
    const unsigned char* end_;
};

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_BYTEREADER_H_
