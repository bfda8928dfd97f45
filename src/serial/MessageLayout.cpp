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

}  // namespace VkNSerial
