// Fast formatting of the conversions that rendering meets most often.
//
// Each function writes exactly what the C library's vsnprintf would print
// for the same conversion and value; the "Fast" ones return null, having
// written nothing, for any case they don't cover, and the caller then falls
// back to vsnprintf. A differential test holds them to that promise.
//
// Free functions without state; safe to call from any thread.
#ifndef VKERRORHANDLING_SRC_TEXT_NUMBERFORMAT_H_
#define VKERRORHANDLING_SRC_TEXT_NUMBERFORMAT_H_

#include <cstddef>
#include <cstdint>

#include "text/FormatDescriptor.h"

namespace VkNText {

// Each writes its characters at `p` and returns their end, so that a line
// can be composed in place.

// "%llu": at most 20 characters.
char* writeDecimal(char* p, uint64_t value);
// "%08X": exactly 8 characters.
char* writeHex8(char* p, uint32_t value);
// "%llX" or "%llx": hexadecimal without leading zeros, at most 16 characters.
char* writeHex(char* p, uint64_t value, bool upperCase);

// The most characters writeIntegerFast writes: a field of 64, or a sign and
// 22 octal digits.
constexpr size_t kMaxIntegerFastLength = 64;
// An integer conversion (d i u x X o) of a value read from a 32-bit slot
// (`is64` false: the low 32 bits count) or a 64-bit slot. Covers the flags
// "-" and "0", widths up to 64, no precision, no "h" modifiers; null, having
// written nothing, for everything else.
char* writeIntegerFast(char* p, const VkSConversion& conversion, int64_t value, bool is64);

// The most characters writeFixedFast writes: a field of 64, or a sign, 15
// integer digits, the point and 3 decimals.
constexpr size_t kMaxFixedFastLength = 64;
// Fixed notation ("%4.3f", "%.2f", ...) of a finite value below 1e15 in
// magnitude with a precision of at most 3, flags "-" and "0" only, width up
// to 64. Rounds the exact binary value half to even, as glibc does. Null,
// having written nothing, for everything else.
char* writeFixedFast(char* p, double value, uint32_t flags, uint32_t width, uint32_t precision);

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_NUMBERFORMAT_H_
