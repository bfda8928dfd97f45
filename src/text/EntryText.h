// The rendering cores behind the list's text operations, composing into a
// VkCTextBuilder. The public members (printParameter, printError,
// getTabbedMessageData) render through them and append the result to the
// caller's string once; printing a list composes the whole list with them.
//
// Free functions without state. They read the entry and may store its
// looked-up module numbers, so a list must not be changed meanwhile.
#ifndef VKERRORHANDLING_SRC_TEXT_ENTRYTEXT_H_
#define VKERRORHANDLING_SRC_TEXT_ENTRYTEXT_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"
#include "text/TextBuilder.h"

namespace VkNText {

// `messageText` with its placeholders filled from the parameters of entry
// `index` (printParameter).
void renderParameterText(VkCTextBuilder& out, const VkCErrorList& list, uint32_t index,
                         const char* messageText, const char* formatString);

// The header line and the message text of entry `index` (printError). The
// time is converted with `tickDuration` when given, else with the manager's.
void renderPlainEntry(VkCTextBuilder& out, VkCErrorList& list, uint32_t index,
                      const double* tickDuration = nullptr);

// The tab-separated row of entry `index` without its final line feed, and
// with the line feeds it holds left as they are (getTabbedMessageData).
void renderTabbedRow(VkCTextBuilder& out, VkCErrorList& list, uint32_t index);

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_ENTRYTEXT_H_
