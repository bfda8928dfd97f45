// Fast formatting of the conversions that rendering meets most often.
//
// Each function appends exactly what the C library's vsnprintf would print
// for the same conversion and value; the "Fast" ones return false, having
// appended nothing, for any case they don't cover, and the caller then falls
// back to vsnprintf. A differential test holds them to that promise.
//
// Free functions without state; safe to call from any thread.
#ifndef VKERRORHANDLING_SRC_TEXT_NUMBERFORMAT_H_
#define VKERRORHANDLING_SRC_TEXT_NUMBERFORMAT_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "text/FormatDescriptor.h"

namespace VkNText {

// The write forms put the same characters as the matching append forms at
// `p` and return the end, so that a line can be composed on the stack.
// "%llu": at most 20 characters.
char* writeDecimal(char* p, uint64_t value);
// "%08X": exactly 8 characters.
char* writeHex8(char* p, uint32_t value);

// "%u" / "%llu".
void appendDecimal(std::string& out, uint64_t value);
// "%X" or "%x": hexadecimal without leading zeros.
void appendHex(std::string& out, uint64_t value, bool upperCase);
// "%08X".
void appendHex8(std::string& out, uint32_t value);

// An integer conversion (d i u x X o) of a value read from a 32-bit slot
// (`is64` false: the low 32 bits count) or a 64-bit slot. Covers the flags
// "-" and "0", widths up to 64, no precision, no "h" modifiers.
bool appendIntegerFast(std::string& out, const VkSConversion& conversion, int64_t value, bool is64);

// Fixed notation ("%4.3f", "%.2f", ...) of a finite value below 1e15 in
// magnitude with a precision of at most 3, flags "-" and "0" only, width up
// to 64. Rounds the exact binary value half to even, as glibc does.
bool appendFixedFast(std::string& out, double value, uint32_t flags, uint32_t width, uint32_t precision);

// The most characters writeFixedFast writes: a field of 64, or a sign, 15
// integer digits, the point and 3 decimals.
constexpr size_t kMaxFixedFastLength = 64;
// appendFixedFast into `p`; null, having written nothing, where
// appendFixedFast would return false.
char* writeFixedFast(char* p, double value, uint32_t flags, uint32_t width, uint32_t precision);

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_NUMBERFORMAT_H_
