// The human-readable form of one entry: a header line naming type, code,
// node, time, module numbers and place, then the message text.

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"
#include "text/FormattedPiece.h"
#include "text/NumberFormat.h"
#include "text/TypeNames.h"

namespace {

// The header line up to the place is short and bounded; it is composed on the
// stack and appended in one piece. A function name up to this length joins
// it; a longer one is appended (and cut like any formatted piece) apart.
constexpr size_t kHeaderSize = 256;
constexpr size_t kMaxInlineFunctionName = 64;

char* put(char* p, std::string_view text) { return std::copy(text.begin(), text.end(), p); }

// ", time %4.3f sec." with the time in seconds. Null when the fast path
// declines the value; nothing is written then.
char* writeTime(char* p, double seconds) {
    char* time = VkNText::writeFixedFast(put(p, ", time "), seconds, 0, 4, 3);
    return time != nullptr ? put(time, " sec.") : nullptr;
}

double secondsOf(uint64_t ticks) {
    return static_cast<double>(ticks) * VkCErrorManager::getInstance().getTimeStampTickDuration();
}

// ", in %s():%u", cut like any formatted piece.
void appendPlace(std::string& out, const char* functionName, uint32_t lineNumber) {
    const size_t start = out.size();
    out += ", in ";
    out += functionName;
    out += "():";
    VkNText::appendDecimal(out, lineNumber);
    VkNText::limitPiece(out, start);
}

}  // namespace

void VkCErrorList::printErrorText(std::string& out, uint32_t index) const {
    if (entryAt(index) == nullptr) return;
    const char* text = getMessageTemplate(index);
    printParameter(out, index, text != nullptr ? text : "", getFormatString(index));
}

std::string VkCErrorList::getErrorText(uint32_t index) const {
    std::string out;
    printErrorText(out, index);
    return out;
}

void VkCErrorList::printError(std::string& out, uint32_t index) {
    const Entry* entry = entryAt(index);
    if (entry == nullptr) return;

    // At most 13 + 12 + 17 + 76 + 30 + 82 characters go into `header`.
    char header[kHeaderSize];
    char* p = put(header, VkNText::plainTypeName(entry->messageType));
    if (entry->errorCode != 0) {
        p = VkNText::writeHex8(put(p, ", 0x"), entry->errorCode);
    } else {
        p = put(p, "(user) ");
    }
    if (entry->originNode != 0) p = VkNText::writeDecimal(put(p, ", node "), entry->originNode);
    if (entry->timeStamp != 0) {
        const double seconds = secondsOf(entry->timeStamp);
        if (char* time = writeTime(p, seconds)) {
            p = time;
        } else {
            out.append(header, static_cast<size_t>(p - header));
            p = header;
            VkNText::appendFormatted(out, ", time %4.3f sec.", seconds);
        }
    }
    setMainSubModule(index);
    if (entry->mainModuleNumber != 0 || entry->subModuleNumber != 0) {
        p = VkNText::writeDecimal(put(p, ", module "), entry->mainModuleNumber);
        p = VkNText::writeDecimal(put(p, "/"), entry->subModuleNumber);
    }
    const char* functionName = getString(entry->functionName);
    const size_t nameLength = std::strlen(functionName);
    if (nameLength == 0) {
        p = put(p, ", fcn/line n/a");
    } else if (nameLength <= kMaxInlineFunctionName) {
        p = put(put(p, ", in "), std::string_view(functionName, nameLength));
        p = VkNText::writeDecimal(put(p, "():"), entry->lineNumber);
    } else {
        out.append(header, static_cast<size_t>(p - header));
        p = header;
        appendPlace(out, functionName, entry->lineNumber);
    }
    *p++ = '\n';
    out.append(header, static_cast<size_t>(p - header));
    printErrorText(out, index);
    out += '\n';
}
