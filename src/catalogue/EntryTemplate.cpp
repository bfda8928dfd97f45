// The template an entry is rendered with: the one stored in the entry, else
// the catalogue's text for the entry's code.
#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/MessageCodes.h"
#include "catalogue/TextCatalogue.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"

const char* VkCErrorList::getMessageTemplateInt(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    return entry != nullptr ? VkNList::stringOrEmpty(entry->messageTemplate) : nullptr;
}

const char* VkCErrorList::getMessageTemplate(uint32_t index) const {
    const Entry* entry = VkErrorListAccess::entryAt(*this, index);
    if (entry == nullptr) return nullptr;
    return VkNCatalogue::renderedTemplate(VkNList::stringOrEmpty(entry->messageTemplate), entry->messageType,
                                          entry->errorCode);
}
