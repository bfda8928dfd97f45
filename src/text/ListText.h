// The text of a whole list and its delivery to a stream, as two steps.
//
// VkCErrorList::print is compose-then-write; the manager calls the two steps
// apart so that only the write runs under its lock, while the composition,
// which takes most of the time, runs concurrently on each sending thread.
// Free functions without state; a list is used by one thread at a time.
#ifndef VKERRORHANDLING_SRC_TEXT_LISTTEXT_H_
#define VKERRORHANDLING_SRC_TEXT_LISTTEXT_H_

#include <cstdio>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "text/TextBuilder.h"

namespace VkNText {

// Every used entry of `list`, in the plain two-line layout or as
// tab-separated rows, appended to `text`. Looks the entries' module numbers
// up as rendering always does. Times are converted with `tickDuration` when
// given, else with the manager's.
void composeListText(VkCTextBuilder& text, VkCErrorList& list, bool tabbed,
                     const double* tickDuration = nullptr);

// Writes `text` to `stream` as one block (a short write is continued a few
// times) and flushes the stream.
void writeListText(FILE* stream, const VkCTextBuilder& text);

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_LISTTEXT_H_
