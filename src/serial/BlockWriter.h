// Big-endian field encoder over a bounded region of an object buffer.
//
// Fields are written whole or not at all; after the first field that does not
// fit, nothing more is written, as with a run of writeBuffer calls that stops
// at its first failure. Borrows the region; not thread-safe.
#ifndef VKERRORHANDLING_SRC_SERIAL_BLOCKWRITER_H_
#define VKERRORHANDLING_SRC_SERIAL_BLOCKWRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "serial/ByteOrder.h"

namespace VkNSerial {

class BlockWriter {
  public:
    BlockWriter(unsigned char* cursor, unsigned char* limit)
        : cursor_(cursor), limit_(limit), failed_(false) {}

    void putU32(uint32_t value) {
        if (reserve(4)) storeBig32(advance(4), value);
    }

    void putU64(uint64_t value) {
        if (reserve(8)) storeBig64(advance(8), value);
    }

    void putBytes(const void* bytes, size_t length) {
        if (reserve(length)) std::memcpy(advance(length), bytes, length);
    }

    // A length-prefixed string: `lengthWithNul` bytes of `text`, its NUL last.
    void putString(const char* text, uint32_t lengthWithNul) {
        putU32(lengthWithNul);
        putBytes(text, lengthWithNul);
    }

    unsigned char* cursor() const { return cursor_; }
    bool failed() const { return failed_; }

  private:
    bool reserve(size_t length) {
        if (failed_ || cursor_ == nullptr || static_cast<size_t>(limit_ - cursor_) < length) failed_ = true;
        return !failed_;
    }

    unsigned char* advance(size_t length) {
        unsigned char* at = cursor_;
        cursor_ += length;
        return at;
    }

    unsigned char* cursor_;
    unsigned char* limit_;
    bool failed_;
};

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_BLOCKWRITER_H_
