// The human-readable form of one entry: a header line naming type, code,
// node, time, module numbers and place, then the message text.

#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"
#include "text/FormattedPiece.h"
#include "text/NumberFormat.h"
#include "text/TypeNames.h"

namespace {

// ", time %4.3f sec." with the time in seconds.
void appendTime(std::string& out, uint64_t ticks) {
    const double seconds =
        static_cast<double>(ticks) * VkCErrorManager::getInstance().getTimeStampTickDuration();
    const size_t start = out.size();
    out += ", time ";
    if (VkNText::appendFixedFast(out, seconds, 0, 4, 3)) {
        out += " sec.";
        return;
    }
    out.resize(start);
    VkNText::appendFormatted(out, ", time %4.3f sec.", seconds);
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

    out += VkNText::plainTypeName(entry->messageType);
    if (entry->errorCode != 0) {
        out += ", 0x";
        VkNText::appendHex8(out, entry->errorCode);
    } else {
        out += "(user) ";
    }
    if (entry->originNode != 0) {
        out += ", node ";
        VkNText::appendDecimal(out, entry->originNode);
    }
    if (entry->timeStamp != 0) appendTime(out, entry->timeStamp);
    setMainSubModule(index);
    if (entry->mainModuleNumber != 0 || entry->subModuleNumber != 0) {
        out += ", module ";
        VkNText::appendDecimal(out, entry->mainModuleNumber);
        out += '/';
        VkNText::appendDecimal(out, entry->subModuleNumber);
    }
    const char* functionName = getString(entry->functionName);
    if (*functionName != '\0') {
        appendPlace(out, functionName, entry->lineNumber);
    } else {
        out += ", fcn/line n/a";
    }
    out += '\n';
    printErrorText(out, index);
    out += '\n';
}
