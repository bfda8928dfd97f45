// Appending one printf-style formatted piece to a string.
//
// Every piece is built in a 1024-character local buffer and cut silently to
// 1022 characters. A formatter failure is announced on standard output and
// replaced in the text by a fixed notice. Stateless; thread-safe apart from
// the shared standard output on the failure path.
#ifndef VKERRORHANDLING_SRC_TEXT_FORMATTEDPIECE_H_
#define VKERRORHANDLING_SRC_TEXT_FORMATTEDPIECE_H_

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#include "text/TextBuilder.h"

namespace VkNText {

constexpr size_t kPieceBufferSize = 1024;
constexpr size_t kMaxPieceLength = kPieceBufferSize - 2;  // 1022

// Formats `args` with `format` and appends the (possibly cut) result. The
// format exactly "%p" prints as "0x%llx". Returns the formatter's result:
// the uncut length, or a negative value on failure.
int32_t appendFormattedV(VkCTextBuilder& out, const char* format, va_list args);

// The variadic form of appendFormattedV.
int32_t appendFormatted(VkCTextBuilder& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Cuts what was appended to `out` since `start` to one piece's limit, for
// pieces composed without the formatter that must read the same as if they
// had gone through it.
inline void limitPiece(VkCTextBuilder& out, size_t start) {
    if (out.size() - start > kMaxPieceLength) out.truncate(start + kMaxPieceLength);
}

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_FORMATTEDPIECE_H_
