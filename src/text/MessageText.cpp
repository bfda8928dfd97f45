// The human-readable form of one entry: a header line naming type, code,
// node, time, module numbers and place, then the message text.

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/TextCatalogue.h"
#include "list/EntryRelease.h"
#include "list/ErrorEntry.h"
#include "text/EntryText.h"
#include "text/FormattedPiece.h"
#include "text/NumberFormat.h"
#include "text/TextBuilder.h"
#include "text/TypeNames.h"

namespace {

using VkNText::VkCTextBuilder;

// The header line up to the place is short and bounded; it is composed in
// place. A function name up to this length joins it; a longer one is
// appended (and cut like any formatted piece) apart.
constexpr size_t kHeaderSize = 256;
constexpr size_t kMaxInlineFunctionName = 64;

// Fixed pieces are stores of known length, a few instructions each.
template <size_t kSize>
char* put(char* p, const char (&text)[kSize]) {
    std::memcpy(p, text, kSize - 1);
    return p + kSize - 1;
}
char* put(char* p, std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    return p + text.size();
}

// ", time %4.3f sec." with the time in seconds. Null when the fast path
// declines the value; nothing is written then.
char* writeTime(char* p, double seconds) {
    char* time = VkNText::writeFixedFast(put(p, ", time "), seconds, 0, 4, 3);
    return time != nullptr ? put(time, " sec.") : nullptr;
}

double secondsOf(uint64_t ticks, const double* tickDuration) {
    const double tick =
        tickDuration != nullptr ? *tickDuration : VkCErrorManager::getInstance().getTimeStampTickDuration();
    return static_cast<double>(ticks) * tick;
}

// ", in %s():%u", cut like any formatted piece.
void appendPlace(VkCTextBuilder& out, const char* functionName, uint32_t lineNumber) {
    const size_t start = out.size();
    out.append(", in ", 5);
    out.appendCString(functionName);
    char* p = put(out.reserve(24), "():");
    out.commit(VkNText::writeDecimal(p, lineNumber));
    VkNText::limitPiece(out, start);
}

}  // namespace

namespace VkNText {

void renderPlainEntry(VkCTextBuilder& out, VkCErrorList& list, uint32_t index, const double* tickDuration) {
    const VkErrorListAccess::Entry* entry = VkErrorListAccess::entryAt(list, index);
    if (entry == nullptr) return;

    // At most 13 + 12 + 17 + 76 + 30 + 82 characters go into the header.
    char* p = put(out.reserve(kHeaderSize), plainTypeName(entry->messageType));
    if (entry->errorCode != 0) {
        p = writeHex8(put(p, ", 0x"), entry->errorCode);
    } else {
        p = put(p, "(user) ");
    }
    if (entry->originNode != 0) p = writeDecimal(put(p, ", node "), entry->originNode);
    if (entry->timeStamp != 0) {
        const double seconds = secondsOf(entry->timeStamp, tickDuration);
        if (char* time = writeTime(p, seconds)) {
            p = time;
        } else {
            out.commit(p);
            appendFormatted(out, ", time %4.3f sec.", seconds);
            p = out.reserve(kHeaderSize);
        }
    }
    VkErrorListAccess::setMainSubModule(list, index);
    if (entry->mainModuleNumber != 0 || entry->subModuleNumber != 0) {
        p = writeDecimal(put(p, ", module "), entry->mainModuleNumber);
        p = writeDecimal(put(p, "/"), entry->subModuleNumber);
    }
    const char* functionName = VkNList::stringOrEmpty(entry->functionName);
    const size_t nameLength = std::strlen(functionName);
    if (nameLength == 0) {
        p = put(p, ", fcn/line n/a");
    } else if (nameLength <= kMaxInlineFunctionName) {
        p = put(put(p, ", in "), std::string_view(functionName, nameLength));
        p = writeDecimal(put(p, "():"), entry->lineNumber);
    } else {
        out.commit(p);
        appendPlace(out, functionName, entry->lineNumber);
        p = out.reserve(1);
    }
    *p++ = '\n';
    out.commit(p);
    const char* text = VkNCatalogue::renderedTemplate(VkNList::stringOrEmpty(entry->messageTemplate),
                                                      entry->messageType, entry->errorCode);
    renderParameterText(out, list, index, text, VkNList::stringOrEmpty(entry->formatString));
    out.push('\n');
}

}  // namespace VkNText

void VkCErrorList::printErrorText(std::string& out, uint32_t index) const {
    if (VkErrorListAccess::entryAt(*this, index) == nullptr) return;
    const char* text = getMessageTemplate(index);
    printParameter(out, index, text != nullptr ? text : "", getFormatString(index));
}

std::string VkCErrorList::getErrorText(uint32_t index) const {
    std::string out;
    printErrorText(out, index);
    return out;
}

void VkCErrorList::printError(std::string& out, uint32_t index) {
    VkCTextBuilder text;
    VkNText::renderPlainEntry(text, *this, index);
    text.appendTo(out);
}
