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
    const VkErrorListAccess::Entry& entry = *VkErrorListAccess::entryAt(list, index);
    MessageLayout layout{};
    layout.formatString = orEmpty(entry.formatString);
    layout.functionName = orEmpty(entry.functionName);
    // The public template, with its catalogue fallback, so the receiver can
    // render the message without this node's text sets.
    layout.messageTemplate = orEmpty(list.getMessageTemplate(index));
    layout.formatLength = lengthWithNul(layout.formatString);
    layout.functionLength = lengthWithNul(layout.functionName);
    layout.templateLength = lengthWithNul(layout.messageTemplate);

    uint32_t count = entry.additionalParametersCount;
    if (count > kMaxAdditionalParameters) count = kMaxAdditionalParameters;
    for (uint32_t i = 0; i < count; ++i) {
        const VkSParameter& slot = entry.additionalParameters[i];
        switch (slot.type) {
            case kParameterInt32:
                ++layout.integerCount;
                break;
            case kParameterString: {
                const uint32_t length = lengthWithNul(orEmpty(slot.value.stringValue));
                layout.stringLengths[layout.stringCount++] = length;
                layout.stringParameterBytes += length;
                break;
            }
            case kParameterDouble:
            case kParameterInt64:
                ++layout.wideCount;
                break;
            default:  // an empty slot travels nowhere
                break;
        }
    }
    layout.messageSize = uint64_t{kMessageFixedSize} + layout.formatLength + layout.functionLength +
                         layout.templateLength + 4ull * layout.stringCount + layout.stringParameterBytes +
                         4ull * layout.integerCount + 8ull * layout.wideCount;
    return layout;
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
