// JSON text for log shippers that ingest one object per line.
//
// Message strings come off the wire and may hold any bytes, so escaping is
// total: the output is always valid JSON in valid UTF-8, on one line.
#ifndef VKERRORHANDLING_DELIVERY_JSONWRITER_H_
#define VKERRORHANDLING_DELIVERY_JSONWRITER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "VkErrorHandling/Delivery/DeliveryExport.h"

namespace VkNDelivery {

// Appends `length` bytes of `text` as a JSON string literal, quotes included.
// Quote, backslash and control characters (and DEL) are escaped; well-formed
// UTF-8 is copied; every byte that does not belong to a well-formed UTF-8
// sequence (stray continuation bytes, overlong forms, surrogates, code points
// above U+10FFFF, sequences cut short) becomes U+FFFD, written as \ufffd.
VK_DELIVERY_EXPORT void appendJsonString(std::string& out, const char* text, size_t length);
// A null `text` is written as the empty string.
VK_DELIVERY_EXPORT void appendJsonString(std::string& out, const char* text);

// Builds one flat JSON object, member by member, in insertion order. Keys are
// the caller's literals and are escaped like any string.
//
// Thread safety: none; one writer per object being built.
class VK_DELIVERY_EXPORT JsonObject {
  public:
    JsonObject& add(const char* key, const char* text);
    JsonObject& add(const char* key, const std::string& text);
    JsonObject& addUnsigned(const char* key, uint64_t value);
    JsonObject& addSigned(const char* key, int64_t value);
    // A finite value as a number that reads back to the same double; NaN and
    // the infinities, which JSON numbers cannot hold, as the strings "NaN",
    // "Infinity" and "-Infinity".
    JsonObject& addDouble(const char* key, double value);
    // `json` must already be a complete JSON value (an array or object).
    JsonObject& addRaw(const char* key, const std::string& json);

    // The finished object, "{...}", without a line feed.
    std::string str() const { return body_ + "}"; }

  private:
    void appendKey(const char* key);

    std::string body_ = "{";
};

// Joins finished JSON values into an array: "[a,b,...]".
VK_DELIVERY_EXPORT std::string jsonArray(const std::vector<std::string>& values);

}  // namespace VkNDelivery

#endif  // VKERRORHANDLING_DELIVERY_JSONWRITER_H_
