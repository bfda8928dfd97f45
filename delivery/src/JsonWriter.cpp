#include "VkErrorHandling/Delivery/JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace VkNDelivery {
namespace {

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence starting at text[0], or 0 when
// the lead byte or any of its continuation bytes is not allowed there.
size_t wellFormedSequenceLength(const unsigned char* text, size_t available) {
    const unsigned char lead = text[0];
    size_t length;
    unsigned char secondLow = 0x80, secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) secondLow = 0xA0;   // overlong below U+0800
        if (lead == 0xED) secondHigh = 0x9F;  // UTF-16 surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) secondLow = 0x90;   // overlong below U+10000
        if (lead == 0xF4) secondHigh = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    if (available < length) return 0;
    if (text[1] < secondLow || text[1] > secondHigh) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (!isContinuation(text[i])) return 0;
    }
    return length;
}

void appendAsciiEscaped(std::string& out, unsigned char c) {
    switch (c) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (c < 0x20 || c == 0x7F) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
        out += escaped;
    } else {
        out += static_cast<char>(c);
    }
}

}  // namespace

void appendJsonString(std::string& out, const char* text, size_t length) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    out += '"';
    size_t i = 0;
    while (i < length) {
        if (bytes[i] < 0x80) {
            appendAsciiEscaped(out, bytes[i]);
            ++i;
            continue;
        }
        const size_t sequence = wellFormedSequenceLength(bytes + i, length - i);
        if (sequence == 0) {
            out += "\\ufffd";
            ++i;
        } else {
            out.append(text + i, sequence);
            i += sequence;
        }
    }
    out += '"';
}

void appendJsonString(std::string& out, const char* text) {
    appendJsonString(out, text == nullptr ? "" : text, text == nullptr ? 0 : std::strlen(text));
}

void JsonObject::appendKey(const char* key) {
    if (body_.size() > 1) body_ += ',';
    appendJsonString(body_, key);
    body_ += ':';
}

JsonObject& JsonObject::add(const char* key, const char* text) {
    appendKey(key);
    appendJsonString(body_, text);
    return *this;
}

JsonObject& JsonObject::add(const char* key, const std::string& text) {
    appendKey(key);
    appendJsonString(body_, text.data(), text.size());
    return *this;
}

JsonObject& JsonObject::addUnsigned(const char* key, uint64_t value) {
    appendKey(key);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::addSigned(const char* key, int64_t value) {
    appendKey(key);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::addDouble(const char* key, double value) {
    if (std::isnan(value)) return add(key, "NaN");
    if (std::isinf(value)) return add(key, value > 0 ? "Infinity" : "-Infinity");
    appendKey(key);
    char number[32];
    std::snprintf(number, sizeof number, "%.17g", value);
    body_ += number;
    return *this;
}

JsonObject& JsonObject::addRaw(const char* key, const std::string& json) {
    appendKey(key);
    body_ += json;
    return *this;
}

std::string jsonArray(const std::vector<std::string>& values) {
    std::string out = "[";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) out += ',';
        out += values[i];
    }
    out += ']';
    return out;
}

}  // namespace VkNDelivery
