#include "text/FormattedPiece.h"

#include <cstdio>
#include <cstring>

#include "VkErrorHandling/VkCErrorList.h"

namespace VkNText {
namespace {

constexpr char kFailureNotice[] =
    "ERROR HANDLING: [ERROR] Print error list failed. Copy string to local buffer (size: %u) failed. "
    "Processed string: ";
constexpr char kFailureReplacement[] =
    "ERROR HANDLING: [ERROR] Print error list failed. Copy string to local buffer failed. See log file "
    "further informations.";

void reportFailure(const char* format, va_list args) {
    std::printf(kFailureNotice, static_cast<unsigned>(kPieceBufferSize));
    std::vprintf(format, args);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

}  // namespace

int32_t appendFormattedV(VkCTextBuilder& out, const char* format, va_list args) {
    if (format == nullptr) return -1;
    // A lone "%p" gets the same spelling on every platform: 0x and lower-case
    // digits without leading zeros. The value passed is then a 64-bit integer.
    if (std::strcmp(format, "%p") == 0) format = "0x%llx";

    // Formatted straight behind the text when a whole piece fits there, else
    // on the stack: reserving the room would move a short text to the heap.
    char local[kPieceBufferSize];
    const bool inPlace = out.capacityLeft() >= kPieceBufferSize;
    char* buffer = inPlace ? out.reserve(kPieceBufferSize) : local;
    va_list retry;
    va_copy(retry, args);
    const int result = std::vsnprintf(buffer, kPieceBufferSize - 1, format, args);
    if (result < 0) {
        reportFailure(format, retry);
        out.append(kFailureReplacement, sizeof kFailureReplacement - 1);
    } else {
        const size_t length = static_cast<size_t>(result) < kMaxPieceLength ? result : kMaxPieceLength;
        if (inPlace) {
            out.commit(buffer + length);
        } else {
            out.append(buffer, length);
        }
    }
    va_end(retry);
    return result;
}

int32_t appendFormatted(VkCTextBuilder& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t result = appendFormattedV(out, format, args);
    va_end(args);
    return result;
}

}  // namespace VkNText

int32_t VkCErrorList::appendFormattedString(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    VkNText::VkCTextBuilder piece;
    const int32_t result = VkNText::appendFormattedV(piece, format, args);
    va_end(args);
    piece.appendTo(out);
    return result;
}
