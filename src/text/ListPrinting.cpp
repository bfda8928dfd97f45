// Writing a whole list to a stream, and the tab-separated row of one entry.

#include <algorithm>
#include <cstdio>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "list/ErrorEntry.h"
#include "text/BlockWrite.h"
#include "text/FormattedPiece.h"
#include "text/ListText.h"
#include "text/NumberFormat.h"
#include "text/TypeNames.h"

namespace {

// Room for a typical entry, so that printing a short list grows its text at
// most once or twice; a small first block also comes from the allocator's
// per-thread cache, where a page-sized one would not.
constexpr size_t kReservedPerEntry = 480;
constexpr size_t kMaxReservedText = 4096;

// Column 5: "%s:%u", or "%s" for line 0, cut like any formatted piece.
void appendPlaceColumn(std::string& out, const char* functionName, uint32_t lineNumber) {
    const size_t start = out.size();
    out += functionName;
    if (lineNumber != 0) {
        out += ':';
        VkNText::appendDecimal(out, lineNumber);
    }
    VkNText::limitPiece(out, start);
}

}  // namespace

namespace VkNText {

std::string composeListText(VkCErrorList& list, bool tabbed) {
    const uint32_t used = list.getNumberOfUsedEntries();
    std::string text;
    if (used == 0) return text;
    const size_t expected = static_cast<size_t>(used) * kReservedPerEntry;
    text.reserve(expected < kMaxReservedText ? expected : kMaxReservedText);
    if (tabbed) {
        // Each row needs a string of its own: a row turns every line feed of
        // the string it is appended to into a carriage return.
        std::string row;
        row.reserve(kReservedPerEntry);
        for (uint32_t index = 0; index < used; ++index) {
            row.clear();
            list.getTabbedMessageData(row, index, nullptr);
            text += row;
        }
    } else {
        for (uint32_t index = 0; index < used; ++index) list.printError(text, index);
    }
    return text;
}

void writeListText(FILE* stream, const std::string& text) {
    writeBlockAndFlush(stream, text.data(), text.size());
}

}  // namespace VkNText

void VkCErrorList::print(FILE* stream, bool tabbed) {
    if (stream == nullptr || entries == nullptr || numberOfUsedEntries == 0) return;
    VkNText::writeListText(stream, VkNText::composeListText(*this, tabbed));
}

void VkCErrorList::getTabbedMessageData(std::string& out, uint32_t index, const void* /*reserved*/) {
    const Entry* entry = entryAt(index);
    if (entry == nullptr) return;

    out += VkNText::tabbedTypeName(entry->messageType);
    out += '\t';
    if (entry->originNode != 0) VkNText::appendDecimal(out, entry->originNode);
    out += "\t0x";
    VkNText::appendHex(out, applicationId, true);
    out += '\t';
    if (entry->errorCode != 0) {
        out += "0x";
        VkNText::appendHex8(out, entry->errorCode);
    } else {
        out += "(User)";
    }
    out += '\t';
    const char* functionName = getString(entry->functionName);
    if (*functionName != '\0') appendPlaceColumn(out, functionName, entry->lineNumber);
    out += "\t\t";
    VkNText::appendDecimal(out, entry->timeStamp);
    out += '\t';
    setMainSubModule(index);
    if (entry->mainModuleNumber != 0 || entry->subModuleNumber != 0) {
        out += "Main ";
        VkNText::appendDecimal(out, entry->mainModuleNumber);
        out += ", Sub ";
        VkNText::appendDecimal(out, entry->subModuleNumber);
    }
    out += '\t';
    const char* text = getMessageTemplate(index);
    printParameter(out, index, text != nullptr ? text : "", getFormatString(index));

    // A row is one line: every line feed in the string, also those of rows
    // appended before, becomes a carriage return.
    std::replace(out.begin(), out.end(), '\n', '\r');
    out += '\n';
}
