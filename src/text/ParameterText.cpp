// Filling the numbered placeholders of a message text from an entry's typed
// parameters, each rendered with its own format descriptor.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "text/FormatDescriptor.h"
#include "text/FormattedPiece.h"
#include "text/NumberFormat.h"

namespace {

using VkNText::appendFixedFast;
using VkNText::appendFormatted;
using VkNText::appendHex;
using VkNText::appendIntegerFast;
using VkNText::buildConversionFormat;
using VkNText::kClassDouble;
using VkNText::kClassInt32;
using VkNText::kClassInt64;
using VkNText::kClassString;
using VkNText::kConversionFormatSize;
using VkNText::parseConversion;
using VkNText::VkSConversion;

constexpr char kNoDescription[] = "< no error description or additional data available >";
constexpr char kNoDescriptors[] =
    "< invalid message composition: format string and error text are present, but the format string "
    "contains no format descriptors! >";
constexpr char kIndexOutOfRange[] = "< invalid message template: parameter index is out of range! >";

bool isScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the parameter number behind a placeholder's "%" as scanf's "%u"
// would (white space, an optional sign, digits), but only as far as the
// digits go, so a long text costs no more than its length. Returns 0 when no
// number can be read or when it is negative: scanf would wrap a negative
// number to a huge one, which is out of range just the same.
uint32_t readPlaceholderNumber(const char* p) {
    while (isScanSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!isDigit(*p)) return 0;
    uint32_t value = 0;
    for (; isDigit(*p); ++p) {
        if (value < 100000) value = value * 10 + static_cast<uint32_t>(*p - '0');  // saturates
    }
    return negative ? 0 : value;
}

void appendInteger(std::string& out, const VkSConversion& conversion, int64_t value, bool is64) {
    if (appendIntegerFast(out, conversion, value, is64)) return;
    char format[kConversionFormatSize];
    buildConversionFormat(conversion, format);
    const bool isSigned = conversion.conversion == 'd' || conversion.conversion == 'i';
    if (is64) {
        if (isSigned) {
            appendFormatted(out, format, static_cast<long long>(value));
        } else {
            appendFormatted(out, format, static_cast<unsigned long long>(value));
        }
    } else if (isSigned) {
        appendFormatted(out, format, static_cast<int>(value));
    } else {
        appendFormatted(out, format, static_cast<unsigned>(static_cast<uint32_t>(value)));
    }
}

void appendPointer(std::string& out, const VkSConversion& conversion, int64_t value) {
    if (conversion.flags == 0 && !conversion.hasWidth) {
        out += "0x";  // a lone "%p" prints as "0x%llx"
        appendHex(out, static_cast<uint64_t>(value), false);
        return;
    }
    char format[kConversionFormatSize];
    buildConversionFormat(conversion, format);
    appendFormatted(out, format, reinterpret_cast<void*>(static_cast<uintptr_t>(value)));
}

void appendDouble(std::string& out, const VkSConversion& conversion, double value) {
    if (conversion.conversion == 'f' && appendFixedFast(out, value, conversion.flags, conversion.width,
                                                        conversion.hasPrecision ? conversion.precision : 6)) {
        return;
    }
    char format[kConversionFormatSize];
    buildConversionFormat(conversion, format);
    appendFormatted(out, format, value);
}

// Appends parameter `number` of entry `index` rendered by `descriptor`. A
// parameter that is missing, holds another type, or whose descriptor is not
// one safe conversion renders as nothing.
void appendParameter(std::string& out, const VkCErrorList& list, uint32_t index, uint32_t number,
                     const char* descriptor, uint32_t descriptorClass) {
    VkSConversion conversion;
    switch (descriptorClass) {
        case kClassString: {
            // Width and precision don't apply: strings are shown as stored.
            const char* text = nullptr;
            if (list.getAdditionalParameter(index, number, text) == 0) out += text;
            return;
        }
        case kClassInt32: {
            int32_t value = 0;
            if (list.getAdditionalParameter(index, number, value) != 0) return;
            if (parseConversion(descriptor, descriptorClass, conversion))
                appendInteger(out, conversion, value, false);
            return;
        }
        case kClassInt64: {
            int64_t value = 0;
            if (list.getAdditionalParameter(index, number, value) != 0) return;
            if (!parseConversion(descriptor, descriptorClass, conversion)) return;
            if (conversion.conversion == 'p') {
                appendPointer(out, conversion, value);
            } else {
                appendInteger(out, conversion, value, true);
            }
            return;
        }
        case kClassDouble: {
            double value = 0;
            if (list.getAdditionalParameter(index, number, value) != 0) return;
            if (parseConversion(descriptor, descriptorClass, conversion))
                appendDouble(out, conversion, value);
            return;
        }
        default:
            return;
    }
}

}  // namespace

void VkCErrorList::printParameter(std::string& out, uint32_t index, const char* messageText,
                                  const char* formatString) const {
    if (messageText == nullptr || formatString == nullptr) return;
    if (*messageText == '\0') {
        out += kNoDescription;
        return;
    }
    if (*formatString == '\0') {
        out += messageText;
        return;
    }
    char descriptors[VkNText::kMaxDescriptors][VkNText::kDescriptorSize];
    uint32_t classes[VkNText::kMaxDescriptors];
    const uint32_t count = VkNText::parseFormatDescriptors(formatString, descriptors, classes);
    if (count == 0) {
        out += kNoDescriptors;
        return;
    }

    // Plain characters are appended in runs; `literal` marks the start of the
    // run not yet appended. Texts are mostly plain prose, so the scan jumps
    // from one "%" to the next instead of looking at every character.
    const char* literal = messageText;
    const char* p = messageText;
    while ((p = std::strchr(p, '%')) != nullptr) {
        if (p[1] == ' ' || p[1] == '\0') {
            ++p;
            continue;
        }
        out.append(literal, static_cast<size_t>(p - literal));
        if (p[1] == '%') {
            out += '%';
        } else {
            const uint32_t number = readPlaceholderNumber(p + 1);
            if (number == 0 || number > count) {
                out += kIndexOutOfRange;
                return;
            }
            appendParameter(out, *this, index, number, descriptors[number - 1], classes[number - 1]);
        }
        p += 2;  // a placeholder is the "%" and one character, whatever the number's length
        literal = p;
    }
    out.append(literal);
}

std::string VkCErrorList::getAdditionalParameterAsString(uint32_t index, uint32_t parameter) const {
    char placeholder[16];
    std::snprintf(placeholder, sizeof placeholder, "%%%u", parameter);
    std::string out;
    printParameter(out, index, placeholder, getFormatString(index));
    return out;
}
