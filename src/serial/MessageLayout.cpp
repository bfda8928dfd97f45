#include "serial/MessageLayout.h"

#include <cstring>

#include "list/ErrorEntry.h"
#include "serial/WireFormat.h"

namespace VkNSerial {

namespace {

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

uint32_t lengthWithNul(const char* text) { return static_cast<uint32_t>(std::strlen(text) + 1); }

}  // namespace

MessageLayout measureMessage(const VkCErrorList& list, uint32_t index) {
    MessageLayout layout;
    // The public template, with its catalogue fallback, so the receiver can
    // render the message without this node's text sets.
    measureEntry(*VkErrorListAccess::entryAt(list, index), orEmpty(list.getMessageTemplate(index)), layout);
    return layout;
}

void measureEntry(const VkErrorListAccess::Entry& entry, const char* messageTemplate, MessageLayout& layout) {
    layout.formatString = orEmpty(entry.formatString);
    layout.functionName = orEmpty(entry.functionName);
    layout.messageTemplate = messageTemplate;
    layout.formatLength = lengthWithNul(layout.formatString);
    layout.functionLength = lengthWithNul(layout.functionName);
    layout.templateLength = lengthWithNul(layout.messageTemplate);

    uint32_t strings = 0;
    uint32_t integers = 0;
    uint32_t wides = 0;
    uint64_t stringBytes = 0;
    uint32_t count = entry.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    for (uint32_t i = 0; i < count; ++i) {
        const VkSParameter& slot = entry.additionalParameters[i];
        switch (slot.type) {
            case kParameterInt32:
                ++integers;
                break;
            case kParameterString: {
                const uint32_t length = lengthWithNul(orEmpty(slot.value.stringValue));
                layout.stringLengths[strings++] = length;
                stringBytes += length;
                break;
            }
            case kParameterDouble:
            case kParameterInt64:
                ++wides;
                break;
            default:  // an empty slot travels nowhere
                break;
        }
    }
    layout.stringCount = strings;
    layout.integerCount = integers;
    layout.wideCount = wides;
    layout.stringParameterBytes = stringBytes;
    layout.messageSize = uint64_t{kMessageFixedSize} + layout.formatLength + layout.functionLength +
                         layout.templateLength + 4ull * strings + stringBytes + 4ull * integers +
                         8ull * wides;
}

uint64_t fieldByFieldGrowth(const MessageLayout& layout, uint64_t freeSize) {
    if (freeSize >= layout.messageSize) return 0;  // the common case: everything fits
    constexpr uint64_t kMinimumGrowth = 512;
    uint64_t growth = 0;
    auto write = [&](uint64_t length, uint64_t times = 1) {
        for (; times > 0; --times) {
            if (freeSize < length) {
                const uint64_t step = length > kMinimumGrowth ? length : kMinimumGrowth;
                growth += step;
                freeSize += step;
            }
            freeSize -= length;
        }
    };
    write(4, 7);  // identifier, size, version, header bytes, node, type, line
    write(8);     // time stamp
    write(4, 7);  // code, display mode, modules, parameter limit, string bytes, string count
    for (uint32_t length : {layout.formatLength, layout.functionLength, layout.templateLength}) {
        write(4);
        write(length);
    }
    write(4);
    for (uint32_t i = 0; i < layout.stringCount; ++i) {
        write(4);
        write(layout.stringLengths[i]);
    }
    write(4);
    write(4, layout.integerCount);
    write(4);
    write(8, layout.wideCount);
    return growth;
}

}  // namespace VkNSerial
