// Writing a block of text to a stream that may take only part of it.
//
// Header-only; stateless. The writer is a callable with the shape of fwrite
// for element size 1, so the retry rule can be exercised without a stream.
#ifndef VKERRORHANDLING_SRC_TEXT_BLOCKWRITE_H_
#define VKERRORHANDLING_SRC_TEXT_BLOCKWRITE_H_

#include <cstddef>
#include <cstdio>

namespace VkNText {

constexpr int kMaxBlockWrites = 5;

// Writes `size` bytes of `data` with `write(pointer, count) -> taken`,
// continuing behind a short write, in at most five calls. Whatever is left
// after the fifth is dropped, so a stuck stream can't hold the caller.
// Returns the number of bytes taken.
template <typename Writer>
size_t writeBlock(const char* data, size_t size, Writer&& write) {
    size_t taken = 0;
    for (int attempt = 0; attempt < kMaxBlockWrites && taken < size; ++attempt) {
        const size_t written = write(data + taken, size - taken);
        taken += written < size - taken ? written : size - taken;
    }
    return taken;
}

// writeBlock to `stream`, then a flush. Inline, so that a caller printing
// a message adds no frame of its own around the write system call.
inline void writeBlockAndFlush(FILE* stream, const char* data, size_t size) {
    writeBlock(data, size,
               [stream](const char* part, size_t count) { return std::fwrite(part, 1, count, stream); });
    std::fflush(stream);
}

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_BLOCKWRITE_H_
