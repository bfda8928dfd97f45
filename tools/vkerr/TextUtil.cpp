#include "TextUtil.h"

#include <cstdarg>
#include <cstdio>

namespace VkNTool {

std::string stringPrintf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int needed = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(&out[0], out.size(), format, args);
        out.resize(static_cast<size_t>(needed));
    }
    va_end(args);
    return out;
}

std::string quoteBytes(const unsigned char* bytes, size_t length, size_t maxBytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    const size_t shown = length < maxBytes ? length : maxBytes;
    for (size_t i = 0; i < shown; ++i) {
        const unsigned char c = bytes[i];
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    out += '"';
    if (shown < length) out += "...";
    return out;
}

std::string hexBytes(const unsigned char* bytes, size_t length, size_t maxBytes) {
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    const size_t shown = length < maxBytes ? length : maxBytes;
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0) out += ' ';
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 0xF];
    }
    if (shown < length) out += " ..";
    return out;
}

}  // namespace VkNTool
