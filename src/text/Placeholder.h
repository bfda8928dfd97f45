// Placeholders of message texts: a "%" and the number of the parameter that
// takes its place. Rendering and the text set checker read them alike.
// Free functions without state; safe to call from any thread.
#ifndef VKERRORHANDLING_SRC_TEXT_PLACEHOLDER_H_
#define VKERRORHANDLING_SRC_TEXT_PLACEHOLDER_H_

#include <cstdint>

namespace VkNText {

inline bool isScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline bool isPlaceholderDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the parameter number behind a placeholder's "%" as scanf's "%u"
// would (white space, an optional sign, digits), but only as far as the
// digits go, so a long text costs no more than its length. Returns 0 when no
// number can be read or when it is negative: scanf would wrap a negative
// number to a huge one, which is out of range just the same.
inline uint32_t readPlaceholderNumber(const char* p) {
    while (isScanSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!isPlaceholderDigit(*p)) return 0;
    uint32_t value = 0;
    for (; isPlaceholderDigit(*p); ++p) {
        if (value < 100000) value = value * 10 + static_cast<uint32_t>(*p - '0');  // saturates
    }
    return negative ? 0 : value;
}

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_PLACEHOLDER_H_
