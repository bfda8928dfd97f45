// A bounded, forward-only cursor over bytes received from elsewhere.
//
// Every read checks the bytes left before it touches them, so a hostile
// length can neither read outside the input nor make the caller allocate or
// loop beyond it. A failed read moves nothing, except that takeEach, like
// the single reads it stands for, stops behind the last element it could
// take. Borrows the bytes; not thread-safe.
#ifndef VKERRORHANDLING_SRC_SERIAL_BYTEREADER_H_
#define VKERRORHANDLING_SRC_SERIAL_BYTEREADER_H_

#include <cstddef>
#include <cstdint>

#include "serial/ByteOrder.h"

namespace VkNSerial {

class ByteReader {
  public:
    ByteReader(const unsigned char* data, size_t length)
        : begin_(data), cursor_(data), end_(data + length), startLimit_(end_) {}

    // A reader over an object buffer that is still being written: reads may
    // run on to `length`, but, as with VkCObjectBuffer::readBuffer, none may
    // start behind the first `startLength` bytes (the buffer's write
    // position). `startLength` is at most `length`.
    ByteReader(const unsigned char* data, size_t length, size_t startLength)
        : begin_(data), cursor_(data), end_(data + length), startLimit_(data + startLength) {}

    // Bytes read so far, and bytes left.
    size_t offset() const { return static_cast<size_t>(cursor_ - begin_); }
    size_t remaining() const { return static_cast<size_t>(end_ - cursor_); }

    bool readU32(uint32_t& value) {
        if (!mayRead(4)) return false;
        value = loadBig32(cursor_);
        cursor_ += 4;
        return true;
    }

    bool readU64(uint64_t& value) {
        if (!mayRead(8)) return false;
        value = loadBig64(cursor_);
        cursor_ += 8;
        return true;
    }

    // Hands out the next `length` bytes in place, taken in one read.
    bool take(uint64_t length, const unsigned char*& bytes) {
        if (!mayRead(length)) return false;
        bytes = cursor_;
        cursor_ += length;
        return true;
    }

    // Hands out `count` elements of `width` (> 0) bytes in place, taken as
    // that many reads: each of them must be allowed to start. When one of
    // them fails, the position stays behind the elements before it.
    bool takeEach(uint64_t count, uint64_t width, const unsigned char*& bytes) {
        if (count != 0 && !(mayRead(count * width) && (count - 1) * width <= startRoom())) {
            cursor_ += readableElements(width) * width;
            return false;
        }
        bytes = cursor_;
        cursor_ += count * width;
        return true;
    }

    // Hands out the next `length` bytes in place, taken as a run of reads of
    // which the last starts `lastStart` bytes in: each must be allowed to
    // start. Lets a caller check a run of fixed fields once.
    bool takeRun(uint64_t length, uint64_t lastStart, const unsigned char*& bytes) {
        if (!(mayRead(length) && lastStart <= startRoom())) return false;
        bytes = cursor_;
        cursor_ += length;
        return true;
    }

    // Moves the position forward by `length` bytes without reading them.
    bool skip(uint64_t length) {
        if (length > remaining()) return false;
        cursor_ += length;
        return true;
    }

  private:
    bool mayRead(uint64_t length) const { return cursor_ <= startLimit_ && length <= remaining(); }
    size_t startRoom() const { return static_cast<size_t>(startLimit_ - cursor_); }
    // How many reads of `width` bytes in a row would succeed from here.
    size_t readableElements(uint64_t width) const {
        if (cursor_ > startLimit_) return 0;
        const uint64_t started = startRoom() / width + 1;
        const uint64_t fitting = remaining() / width;
        return static_cast<size_t>(started < fitting ? started : fitting);
    }

    const unsigned char* begin_;
    const unsigned char* cursor_;
    const unsigned char* end_;
    const unsigned char* startLimit_;
};

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_BYTEREADER_H_
