// Filling the numbered placeholders of a message text from an entry's typed
// parameters, each rendered with its own format descriptor.

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "list/ErrorEntry.h"
#include "text/EntryText.h"
#include "text/FormatDescriptor.h"
#include "text/FormattedPiece.h"
#include "text/NumberFormat.h"
#include "text/Placeholder.h"
#include "text/TextBuilder.h"

namespace {

using VkNText::appendFormatted;
using VkNText::buildConversionFormat;
using VkNText::kClassDouble;
using VkNText::kClassInt32;
using VkNText::kClassInt64;
using VkNText::kClassString;
using VkNText::kConversionFormatSize;
using VkNText::parseConversion;
using VkNText::readPlaceholderNumber;
using VkNText::VkCTextBuilder;
using VkNText::VkSConversion;

constexpr char kNoDescription[] = "< no error description or additional data available >";
constexpr char kNoDescriptors[] =
    "< invalid message composition: format string and error text are present, but the format string "
    "contains no format descriptors! >";
constexpr char kIndexOutOfRange[] = "< invalid message template: parameter index is out of range! >";

void appendInteger(VkCTextBuilder& out, const VkSConversion& conversion, int64_t value, bool is64) {
    char* p = out.reserve(VkNText::kMaxIntegerFastLength);
    if (char* end = VkNText::writeIntegerFast(p, conversion, value, is64)) {
        out.commit(end);
        return;
    }
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

void appendPointer(VkCTextBuilder& out, const VkSConversion& conversion, int64_t value) {
    if (conversion.flags == 0 && !conversion.hasWidth) {
        char* p = out.reserve(18);
        *p++ = '0';  // a lone "%p" prints as "0x%llx"
        *p++ = 'x';
        out.commit(VkNText::writeHex(p, static_cast<uint64_t>(value), false));
        return;
    }
    char format[kConversionFormatSize];
    buildConversionFormat(conversion, format);
    appendFormatted(out, format, reinterpret_cast<void*>(static_cast<uintptr_t>(value)));
}

void appendDouble(VkCTextBuilder& out, const VkSConversion& conversion, double value) {
    if (conversion.conversion == 'f') {
        char* p = out.reserve(VkNText::kMaxFixedFastLength);
        const uint32_t precision = conversion.hasPrecision ? conversion.precision : 6;
        if (char* end = VkNText::writeFixedFast(p, value, conversion.flags, conversion.width, precision)) {
            out.commit(end);
            return;
        }
    }
    char format[kConversionFormatSize];
    buildConversionFormat(conversion, format);
    appendFormatted(out, format, value);
}

// The slot of parameter `number` (from 1) when the entry holds it with
// `type`, else null: what the typed getters accept, read in place.
const VkSParameter* typedSlot(const VkErrorListAccess::Entry* entry, uint32_t number, uint32_t type) {
    if (entry == nullptr || number > entry->additionalParametersCount || number > kMaxAdditionalParameters) {
        return nullptr;
    }
    const VkSParameter& slot = entry->additionalParameters[number - 1];
    return slot.type == type ? &slot : nullptr;
}

// Appends parameter `number` of `entry` rendered by `descriptor`. A
// parameter that is missing, holds another type, or whose descriptor is not
// one safe conversion renders as nothing.
void appendParameter(VkCTextBuilder& out, const VkErrorListAccess::Entry* entry, uint32_t number,
                     const VkNText::VkSDescriptorView& descriptor) {
    const uint32_t descriptorClass = descriptor.descriptorClass;
    VkSConversion conversion;
    auto parse = [&] {
        return parseConversion(descriptor.start, descriptor.length, descriptorClass, conversion);
    };
    switch (descriptorClass) {
        case kClassString:
            // Width and precision don't apply: strings are shown as stored.
            if (const VkSParameter* slot = typedSlot(entry, number, kParameterString)) {
                if (slot->value.stringValue != nullptr) out.appendCString(slot->value.stringValue);
            }
            return;
        case kClassInt32:
            if (const VkSParameter* slot = typedSlot(entry, number, kParameterInt32)) {
                if (parse()) appendInteger(out, conversion, slot->value.int32Value, false);
            }
            return;
        case kClassInt64:
            if (const VkSParameter* slot = typedSlot(entry, number, kParameterInt64)) {
                if (!parse()) return;
                if (conversion.conversion == 'p') {
                    appendPointer(out, conversion, slot->value.int64Value);
                } else {
                    appendInteger(out, conversion, slot->value.int64Value, true);
                }
            }
            return;
        case kClassDouble:
            if (const VkSParameter* slot = typedSlot(entry, number, kParameterDouble)) {
                if (parse()) appendDouble(out, conversion, slot->value.doubleValue);
            }
            return;
        default:
            return;
    }
}

}  // namespace

namespace VkNText {

void renderParameterText(VkCTextBuilder& out, const VkCErrorList& list, uint32_t index,
                         const char* messageText, const char* formatString) {
    if (messageText == nullptr || formatString == nullptr) return;
    if (*messageText == '\0') {
        out.append(kNoDescription, sizeof kNoDescription - 1);
        return;
    }
    if (*formatString == '\0') {
        out.appendCString(messageText);
        return;
    }
    VkSDescriptorView descriptors[kMaxDescriptors];
    const uint32_t count = findFormatDescriptors(formatString, descriptors);
    if (count == 0) {
        out.append(kNoDescriptors, sizeof kNoDescriptors - 1);
        return;
    }

    const VkErrorListAccess::Entry* entry = VkErrorListAccess::entryAt(list, index);

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
            out.push('%');
        } else {
            const uint32_t number = readPlaceholderNumber(p + 1);
            if (number == 0 || number > count) {
                out.append(kIndexOutOfRange, sizeof kIndexOutOfRange - 1);
                return;
            }
            appendParameter(out, entry, number, descriptors[number - 1]);
        }
        p += 2;  // a placeholder is the "%" and one character, whatever the number's length
        literal = p;
    }
    out.appendCString(literal);
}

}  // namespace VkNText

void VkCErrorList::printParameter(std::string& out, uint32_t index, const char* messageText,
                                  const char* formatString) const {
    VkCTextBuilder text;
    VkNText::renderParameterText(text, *this, index, messageText, formatString);
    text.appendTo(out);
}

std::string VkCErrorList::getAdditionalParameterAsString(uint32_t index, uint32_t parameter) const {
    char placeholder[16];
    std::snprintf(placeholder, sizeof placeholder, "%%%u", parameter);
    std::string out;
    printParameter(out, index, placeholder, getFormatString(index));
    return out;
}
