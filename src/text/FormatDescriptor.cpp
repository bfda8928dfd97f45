#include "text/FormatDescriptor.h"

#include <cstddef>
#include <cstring>

namespace VkNText {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isIntegerLetter(char c) { return c == 'd' || c == 'i' || c == 'u' || c == 'x' || c == 'X' || c == 'o'; }

bool isDoubleLetter(char c) { return c == 'e' || c == 'E' || c == 'f' || c == 'g' || c == 'G'; }

// A descriptor is at least two characters long: a "%" and the character that
// made it start.
uint32_t classify(const char* descriptor, size_t length) {
    const char last = descriptor[length - 1];
    if (isIntegerLetter(last)) {
        const char before = descriptor[length - 2];
        if (length >= 3 && before == 'l' && descriptor[length - 3] == 'l') return kClassInt64;
        if (before == 'z') return kClassInt64;
        return kClassInt32;
    }
    if (isDoubleLetter(last)) return kClassDouble;
    if (last == 's') return kClassString;
    if (last == 'p') return kClassInt64;
    return kClassUnrecognised;
}

bool startsDescriptor(const char* p) { return p[0] == '%' && p[1] != '%' && p[1] != ' ' && p[1] != '\0'; }

uint32_t flagOf(char c) {
    switch (c) {
        case '-':
            return kFlagMinus;
        case '+':
            return kFlagPlus;
        case ' ':
            return kFlagSpace;
        case '#':
            return kFlagHash;
        case '0':
            return kFlagZero;
        default:
            return 0;
    }
}

// Reads a run of digits before `limit`, saturating just above the clamp so
// that a long run can't overflow; the caller clamps.
uint32_t readClampedNumber(const char*& p, const char* limit) {
    uint32_t value = 0;
    while (p < limit && isDigit(*p)) {
        if (value <= kMaxFieldWidth) value = value * 10 + static_cast<uint32_t>(*p - '0');
        ++p;
    }
    return value > kMaxFieldWidth ? kMaxFieldWidth : value;
}

// Reads the length modifier as written; a single "l" and "z" are told apart
// so that each class accepts only the one matching its value.
enum WrittenLength { kWrittenNone, kWrittenH, kWrittenHH, kWrittenL, kWrittenLL, kWrittenZ };

WrittenLength readLength(const char*& p, const char* limit) {
    if (p >= limit) return kWrittenNone;
    const char first = *p;
    if (first != 'h' && first != 'l' && first != 'z') return kWrittenNone;
    ++p;
    if (first == 'z') return kWrittenZ;
    const bool doubled = p < limit && *p == first;
    if (doubled) ++p;
    if (first == 'h') return doubled ? kWrittenHH : kWrittenH;
    return doubled ? kWrittenLL : kWrittenL;
}

bool acceptInt32(WrittenLength written, VkSConversion& conversion) {
    switch (written) {
        case kWrittenNone:
        case kWrittenL:  // a 32-bit long: its value prints like an int
            conversion.length = kLengthNone;
            return true;
        case kWrittenH:
            conversion.length = kLengthShort;
            return true;
        case kWrittenHH:
            conversion.length = kLengthChar;
            return true;
        default:
            return false;
    }
}

bool acceptInt64(WrittenLength written, VkSConversion& conversion) {
    if (conversion.conversion == 'p') {
        // Only "-", "+", " " and a width are defined for a pointer conversion.
        conversion.length = kLengthNone;
        return written == kWrittenNone && (conversion.flags & (kFlagHash | kFlagZero)) == 0 &&
               !conversion.hasPrecision;
    }
    conversion.length = kLengthLongLong;
    return written == kWrittenLL || written == kWrittenZ;
}

bool acceptDouble(WrittenLength written, VkSConversion& conversion) {
    conversion.length = kLengthNone;
    return written == kWrittenNone || written == kWrittenL;  // "%lf" is "%f"
}

}  // namespace

uint32_t parseFormatDescriptors(const char* format, char (*descriptors)[kDescriptorSize], uint32_t* classes) {
    if (format == nullptr || descriptors == nullptr || classes == nullptr) return 0;
    for (uint32_t i = 0; i < kMaxDescriptors; ++i) {
        classes[i] = kClassUnrecognised;
        descriptors[i][0] = '\0';
    }
    uint32_t count = 0;
    const char* p = format;
    while (count < kMaxDescriptors) {
        while (*p != '\0' && !startsDescriptor(p)) ++p;
        if (*p == '\0') break;
        char* descriptor = descriptors[count];
        size_t length = 0;
        descriptor[length++] = *p++;
        while (*p != '\0' && *p != ' ' && *p != '%' && length < kDescriptorSize - 1)
            descriptor[length++] = *p++;
        descriptor[length] = '\0';
        classes[count] = classify(descriptor, length);
        ++count;
    }
    return count;
}

uint32_t findFormatDescriptors(const char* format, VkSDescriptorView (&views)[kMaxDescriptors]) {
    if (format == nullptr) return 0;
    uint32_t count = 0;
    const char* p = format;
    while (count < kMaxDescriptors) {
        while (*p != '\0' && !startsDescriptor(p)) ++p;
        if (*p == '\0') break;
        const char* start = p++;
        while (*p != '\0' && *p != ' ' && *p != '%' && static_cast<size_t>(p - start) < kDescriptorSize - 1)
            ++p;
        const size_t length = static_cast<size_t>(p - start);
        views[count++] = {start, static_cast<uint32_t>(length), classify(start, length)};
    }
    return count;
}

bool parseConversion(const char* descriptor, uint32_t descriptorClass, VkSConversion& conversion) {
    if (descriptor == nullptr) {
        conversion = VkSConversion{};
        return false;
    }
    return parseConversion(descriptor, std::strlen(descriptor), descriptorClass, conversion);
}

bool parseConversion(const char* descriptor, size_t length, uint32_t descriptorClass,
                     VkSConversion& conversion) {
    conversion = VkSConversion{};
    if (length < 2 || *descriptor != '%') return false;
    // The letter must be the last character, so flags, width, precision and
    // length are read only up to it; none of them is a conversion letter.
    const char* const last = descriptor + length - 1;
    const char* p = descriptor + 1;
    while (p < last) {
        const uint32_t flag = flagOf(*p);
        if (flag == 0) break;
        conversion.flags |= flag;
        ++p;
    }
    if (p < last && isDigit(*p)) {
        conversion.hasWidth = true;
        conversion.width = readClampedNumber(p, last);
    }
    if (p < last && *p == '.') {
        ++p;
        conversion.hasPrecision = true;
        conversion.precision = readClampedNumber(p, last);
    }
    const WrittenLength written = readLength(p, last);
    if (p != last) return false;  // exactly one letter, last
    conversion.conversion = *p;

    const char letter = conversion.conversion;
    switch (descriptorClass) {
        case kClassInt32:
            if (!isIntegerLetter(letter) || !acceptInt32(written, conversion)) return false;
            break;
        case kClassInt64:
            if (letter != 'p' && !isIntegerLetter(letter)) return false;
            if (!acceptInt64(written, conversion)) return false;
            break;
        case kClassDouble:
            if (!isDoubleLetter(letter) || !acceptDouble(written, conversion)) return false;
            break;
        default:
            return false;
    }
    // "#" is defined only for o, x, X and the floating conversions.
    if ((conversion.flags & kFlagHash) != 0 && (letter == 'd' || letter == 'i' || letter == 'u'))
        return false;
    return true;
}

void buildConversionFormat(const VkSConversion& conversion, char (&format)[kConversionFormatSize]) {
    static constexpr char kFlagChars[] = "-+ #0";
    size_t n = 0;
    format[n++] = '%';
    for (uint32_t bit = 0; bit < 5; ++bit) {
        if ((conversion.flags & (1u << bit)) != 0) format[n++] = kFlagChars[bit];
    }
    auto writeNumber = [&](uint32_t value) {
        char digits[8];
        size_t count = 0;
        do {
            digits[count++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        while (count > 0) format[n++] = digits[--count];
    };
    if (conversion.hasWidth) writeNumber(conversion.width);
    if (conversion.hasPrecision) {
        format[n++] = '.';
        writeNumber(conversion.precision);
    }
    switch (conversion.length) {
        case kLengthShort:
            format[n++] = 'h';
            break;
        case kLengthChar:
            format[n++] = 'h';
            format[n++] = 'h';
            break;
        case kLengthLongLong:
            format[n++] = 'l';
            format[n++] = 'l';
            break;
        case kLengthNone:
            break;
    }
    format[n++] = conversion.conversion;
    format[n] = '\0';
}

}  // namespace VkNText
