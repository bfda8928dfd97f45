// Writing a whole list to a stream, and the tab-separated row of one entry.

#include <algorithm>
#include <cstdio>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/TextCatalogue.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"
#include "text/BlockWrite.h"
#include "text/EntryText.h"
#include "text/FormattedPiece.h"
#include "text/ListText.h"
#include "text/NumberFormat.h"
#include "text/TextBuilder.h"
#include "text/TypeNames.h"

namespace {

using VkNText::VkCTextBuilder;

void appendDecimal(VkCTextBuilder& out, uint64_t value) {
    out.commit(VkNText::writeDecimal(out.reserve(20), value));
}

// Column 5: "%s:%u", or "%s" for line 0, cut like any formatted piece.
void appendPlaceColumn(VkCTextBuilder& out, const char* functionName, uint32_t lineNumber) {
    const size_t start = out.size();
    out.appendCString(functionName);
    if (lineNumber != 0) {
        out.push(':');
        appendDecimal(out, lineNumber);
    }
    VkNText::limitPiece(out, start);
}

}  // namespace

namespace VkNText {

void renderTabbedRow(VkCTextBuilder& out, VkCErrorList& list, uint32_t index) {
    const VkErrorListAccess::Entry* entry = VkErrorListAccess::entryAt(list, index);
    if (entry == nullptr) return;

    out.append(tabbedTypeName(entry->messageType));
    out.push('\t');
    if (entry->originNode != 0) appendDecimal(out, entry->originNode);
    out.append("\t0x", 3);
    out.commit(writeHex(out.reserve(16), list.getApplicationId(), true));
    out.push('\t');
    if (entry->errorCode != 0) {
        out.append("0x", 2);
        out.commit(writeHex8(out.reserve(8), entry->errorCode));
    } else {
        out.append("(User)", 6);
    }
    out.push('\t');
    const char* functionName = VkNList::stringOrEmpty(entry->functionName);
    if (*functionName != '\0') appendPlaceColumn(out, functionName, entry->lineNumber);
    out.append("\t\t", 2);
    appendDecimal(out, entry->timeStamp);
    out.push('\t');
    VkErrorListAccess::setMainSubModule(list, index);
    if (entry->mainModuleNumber != 0 || entry->subModuleNumber != 0) {
        out.append("Main ", 5);
        appendDecimal(out, entry->mainModuleNumber);
        out.append(", Sub ", 6);
        appendDecimal(out, entry->subModuleNumber);
    }
    out.push('\t');
    const char* text = VkNCatalogue::renderedTemplate(VkNList::stringOrEmpty(entry->messageTemplate),
                                                      entry->messageType, entry->errorCode);
    renderParameterText(out, list, index, text, VkNList::stringOrEmpty(entry->formatString));
}

void composeListText(VkCTextBuilder& text, VkCErrorList& list, bool tabbed, const double* tickDuration) {
    const uint32_t used = VkErrorListAccess::numberOfUsedEntries(list);
    for (uint32_t index = 0; index < used; ++index) {
        if (!tabbed) {
            renderPlainEntry(text, list, index, tickDuration);
            continue;
        }
        // A row is one line: its line feeds become carriage returns. Each
        // row is printed as if it had a string of its own, so the rows
        // before it keep their line feeds.
        const size_t start = text.size();
        renderTabbedRow(text, list, index);
        std::replace(text.data() + start, text.data() + text.size(), '\n', '\r');
        text.push('\n');
    }
}

void writeListText(FILE* stream, const VkCTextBuilder& text) {
    writeBlockAndFlush(stream, text.data(), text.size());
}

}  // namespace VkNText

void VkCErrorList::print(FILE* stream, bool tabbed) {
    if (stream == nullptr || entries == nullptr || numberOfUsedEntries == 0) return;
    VkCTextBuilder text;
    VkNText::composeListText(text, *this, tabbed);
    VkNText::writeListText(stream, text);
}

void VkCErrorList::getTabbedMessageData(std::string& out, uint32_t index, const void* /*reserved*/) {
    if (VkErrorListAccess::entryAt(*this, index) == nullptr) return;
    VkCTextBuilder row;
    VkNText::renderTabbedRow(row, *this, index);
    row.appendTo(out);
    // A row is one line: every line feed in the string, also those of rows
    // appended before, becomes a carriage return.
    std::replace(out.begin(), out.end(), '\n', '\r');
    out += '\n';
}
