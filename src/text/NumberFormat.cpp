#include "text/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace VkNText {
namespace {

constexpr uint32_t kMaxFastWidth = 64;
static_assert(kMaxFixedFastLength >= kMaxFastWidth, "a fixed field of the widest width must fit");
static_assert(kMaxIntegerFastLength >= kMaxFastWidth && kMaxIntegerFastLength >= 23, "and an integer");
constexpr char kLowerDigits[] = "0123456789abcdef";
constexpr char kUpperDigits[] = "0123456789ABCDEF";

// A double's 53-bit mantissa times 10^3 fits in 63 bits, so the scaled value
// is computed exactly in integers and rounded the way the C library rounds
// the exact binary value: half to even.
constexpr uint32_t kMaxFastPrecision = 3;
constexpr double kMaxFastMagnitude = 1e15;  // below 2^50: every value has a fraction to round

// Writes the digits of `value` backwards, ending just before `end`; returns
// the first digit. The base is a template argument so that every digit costs
// a multiplication and a shift instead of a hardware division.
template <unsigned kBase>
char* writeDigits(char* end, uint64_t value, const char* digitChars) {
    char* p = end;
    do {
        *--p = digitChars[value % kBase];
        value /= kBase;
    } while (value != 0);
    return p;
}

// "00" to "99": decimals are written two digits per division.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of `value` backwards, ending just before `end`.
void writeDecimalBackwards(char* end, uint64_t value) {
    while (value >= 100) {
        end -= 2;
        std::memcpy(end, &kDigitPairs[(value % 100) * 2], 2);
        value /= 100;
    }
    if (value >= 10) {
        std::memcpy(end - 2, &kDigitPairs[value * 2], 2);
    } else {
        end[-1] = static_cast<char>('0' + value);
    }
}

unsigned decimalDigits(uint64_t value) {
    for (unsigned count = 1;; count += 4) {
        if (value < 10) return count;
        if (value < 100) return count + 1;
        if (value < 1000) return count + 2;
        if (value < 10000) return count + 3;
        value /= 10000;
    }
}

// Digits of `value` in base 8, 10 or 16; 1 for 0.
unsigned digitCount(uint64_t value, unsigned base) {
    if (base == 10) return decimalDigits(value);
    const unsigned bits = value == 0 ? 1 : 64 - static_cast<unsigned>(__builtin_clzll(value));
    const unsigned bitsPerDigit = base == 16 ? 4 : 3;
    return (bits + bitsPerDigit - 1) / bitsPerDigit;
}

// Writes the `count` digits of `value` in `base` at `p`; returns the end.
// Octal and hexadecimal digits are bit fields, taken by one shifting loop.
char* writeDigitsAt(char* p, unsigned count, uint64_t value, unsigned base, const char* digitChars) {
    char* const end = p + count;
    if (base == 10) {
        writeDecimalBackwards(end, value);
        return end;
    }
    const unsigned shift = base == 16 ? 4 : 3;
    const uint64_t mask = base - 1;
    char* q = end;
    do {
        *--q = digitChars[value & mask];
        value >>= shift;
    } while (value != 0);
    return end;
}

char* fill(char* p, size_t count, char c) {
    std::memset(p, c, count);
    return p + count;
}

// Lays out sign and digits in a field of `width` as printf does for the "-"
// and "0" flags ("-" wins over "0"), writing at most max(width, count + 1)
// characters to `p`; returns the end.
char* writeField(char* p, bool negative, const char* digits, size_t count, uint32_t flags, uint32_t width) {
    const size_t length = count + (negative ? 1 : 0);
    const size_t padding = width > length ? width - length : 0;
    const bool leftAlign = (flags & kFlagMinus) != 0;
    const bool zeroFill = !leftAlign && (flags & kFlagZero) != 0;
    if (!leftAlign && !zeroFill) p = std::fill_n(p, padding, ' ');
    if (negative) *p++ = '-';
    if (zeroFill) p = std::fill_n(p, padding, '0');
    p = std::copy_n(digits, count, p);
    if (leftAlign) p = std::fill_n(p, padding, ' ');
    return p;
}

// |value| times `scale` (at most 1000), rounded half to even, for a finite
// value below 2^50. |value| is mantissa * 2^exponent with a negative exponent
// there, so the product is mantissa * scale shifted right, and the bits
// shifted out decide the rounding.
bool scaleExactly(double value, uint64_t scale, uint64_t& units) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const int exponentField = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    int exponent = -1074;  // subnormal
    if (exponentField != 0) {
        mantissa |= uint64_t{1} << 52;
        exponent = exponentField - 1075;
    }
    if (exponent >= 0) return false;           // 2^52 and above: not a fast-path value
    const uint64_t scaled = mantissa * scale;  // below 2^63
    const int shift = -exponent;
    if (shift >= 64) {
        units = 0;  // below half a unit: scaled < 2^63 <= 2^(shift - 1)
        return true;
    }
    units = scaled >> shift;
    const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (units & 1) != 0)) ++units;
    return true;
}

bool isFastLayout(uint32_t flags, uint32_t width) {
    return (flags & ~static_cast<uint32_t>(kFlagMinus | kFlagZero)) == 0 && width <= kMaxFastWidth;
}

}  // namespace

char* writeDecimal(char* p, uint64_t value) {
    char* const end = p + decimalDigits(value);
    writeDecimalBackwards(end, value);
    return end;
}

char* writeHex8(char* p, uint32_t value) {
    // Each nibble spread into a byte of its own, most significant first, and
    // all eight turned into digits at once.
    uint64_t x = value;
    x = ((x & 0xFFFF0000u) << 16) | (x & 0xFFFFu);
    x = ((x & 0x0000FF000000FF00u) << 8) | (x & 0x000000FF000000FFu);
    x = ((x & 0x00F000F000F000F0u) << 4) | (x & 0x000F000F000F000Fu);
    const uint64_t letters = ((x + 0x0606060606060606u) >> 4) & 0x0101010101010101u;  // nibbles above 9
    x += 0x3030303030303030u + letters * ('A' - '0' - 10);
    x = __builtin_bswap64(x);
    std::memcpy(p, &x, 8);
    return p + 8;
}

char* writeHex(char* p, uint64_t value, bool upperCase) {
    return writeDigitsAt(p, digitCount(value, 16), value, 16, upperCase ? kUpperDigits : kLowerDigits);
}

char* writeIntegerFast(char* p, const VkSConversion& conversion, int64_t value, bool is64) {
    if (conversion.hasPrecision || !isFastLayout(conversion.flags, conversion.width)) return nullptr;
    if (conversion.length != kLengthNone && conversion.length != kLengthLongLong) return nullptr;

    const char letter = conversion.conversion;
    const bool isSigned = letter == 'd' || letter == 'i';
    const uint64_t bits = is64 ? static_cast<uint64_t>(value) : static_cast<uint32_t>(value);
    bool negative = false;
    uint64_t magnitude = bits;
    if (isSigned) {
        const int64_t signedValue = is64 ? value : static_cast<int32_t>(value);
        negative = signedValue < 0;
        // Negate in unsigned arithmetic so that INT64_MIN is no overflow.
        magnitude = negative ? 0 - static_cast<uint64_t>(signedValue) : static_cast<uint64_t>(signedValue);
    }
    unsigned base = 10;
    const char* digitChars = kLowerDigits;
    if (letter == 'x' || letter == 'X') base = 16;
    if (letter == 'X') digitChars = kUpperDigits;
    if (letter == 'o') base = 8;

    // The digits go straight into their place in the field.
    const unsigned count = digitCount(magnitude, base);
    const size_t length = count + (negative ? 1 : 0);
    const size_t padding = conversion.width > length ? conversion.width - length : 0;
    const bool leftAlign = (conversion.flags & kFlagMinus) != 0;
    const bool zeroFill = !leftAlign && (conversion.flags & kFlagZero) != 0;
    if (!leftAlign && !zeroFill) p = fill(p, padding, ' ');
    if (negative) *p++ = '-';
    if (zeroFill) p = fill(p, padding, '0');
    p = writeDigitsAt(p, count, magnitude, base, digitChars);
    if (leftAlign) p = fill(p, padding, ' ');
    return p;
}

char* writeFixedFast(char* p, double value, uint32_t flags, uint32_t width, uint32_t precision) {
    if (precision > kMaxFastPrecision || !isFastLayout(flags, width)) return nullptr;
    if (!std::isfinite(value) || std::fabs(value) >= kMaxFastMagnitude) return nullptr;

    static constexpr uint64_t kPowersOfTen[] = {1, 10, 100, 1000};
    uint64_t units = 0;
    if (!scaleExactly(value, kPowersOfTen[precision], units)) return nullptr;

    char buffer[40];
    char* end = buffer + sizeof buffer;
    char* first = end;
    // The decimals are the last `precision` digits of `units`; what is left
    // after peeling them off is the integer part.
    uint64_t rest = units;
    if (precision > 0) {
        for (uint32_t i = 0; i < precision; ++i) {
            *--first = static_cast<char>('0' + rest % 10);
            rest /= 10;
        }
        *--first = '.';
    }
    first = writeDigits<10>(first, rest, kLowerDigits);
    // glibc keeps the sign of negative values that round to zero ("-0.000").
    return writeField(p, std::signbit(value), first, static_cast<size_t>(end - first), flags, width);
}

}  // namespace VkNText
