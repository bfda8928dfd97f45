// The template text each message block of one list image carries.
#ifndef VKERRORHANDLING_SRC_SERIAL_BLOCKTEMPLATES_H_
#define VKERRORHANDLING_SRC_SERIAL_BLOCKTEMPLATES_H_

#include <cstdint>

#include "catalogue/MessageCodes.h"
#include "catalogue/TextCatalogue.h"
#include "list/ErrorEntry.h"

namespace VkNSerial {

// Gives the text getMessageTemplate gives for an entry: its own template,
// else (but for an event, whose code names no text) the catalogue's text for
// its code. Lists usually hold runs of one code, so the last catalogue text
// is kept for the next block. An object serves one image only: texts
// registered after it is made are not seen. Not thread-safe.
class BlockTemplates {
  public:
    const char* templateOf(const VkErrorListAccess::Entry& entry) {
        const char* stored = entry.messageTemplate;
        if (stored != nullptr && stored[0] != '\0') return stored;
        if (entry.messageType == VkNCatalogue::kTypeEvent) return "";
        if (!looked_ || entry.errorCode != code_) {
            const char* text = VkNCatalogue::lookupMessageTemplate(entry.errorCode);
            text_ = text != nullptr ? text : "";
            code_ = entry.errorCode;
            looked_ = true;
        }
        return text_;
    }

  private:
    bool looked_ = false;
    uint32_t code_ = 0;
    const char* text_ = "";
};

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_BLOCKTEMPLATES_H_
