// The template an entry is rendered with: the one stored in the entry, else
// the catalogue's text for the entry's code.
#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/MessageCodes.h"
#include "catalogue/TextCatalogue.h"
#include "list/ErrorEntry.h"

const char* VkCErrorList::getMessageTemplateInt(uint32_t index) const {
    const Entry* entry = entryAt(index);
    return entry != nullptr ? getString(entry->messageTemplate) : nullptr;
}

const char* VkCErrorList::getMessageTemplate(uint32_t index) const {
    const Entry* entry = entryAt(index);
    if (entry == nullptr) return nullptr;
    return VkNCatalogue::renderedTemplate(getString(entry->messageTemplate), entry->messageType,
                                          entry->errorCode);
}
