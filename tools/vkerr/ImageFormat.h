// The identifiers, sizes and byte order of the library's two wire images, as
// far as vkerr needs them to tell the images apart and to annotate them.
//
// A list image is a length-prefixed list header, message blocks and three
// termination words; a message image is a length prefix and one message
// block. Every number is big-endian.
#ifndef VKERR_TOOLS_IMAGEFORMAT_H_
#define VKERR_TOOLS_IMAGEFORMAT_H_

#include <cstddef>
#include <cstdint>

namespace VkNTool {

constexpr uint32_t kListIdentifier = 0x00102000;
constexpr uint32_t kMessageIdentifier = 0x00101000;
constexpr uint32_t kListHeaderBytes = 20;
constexpr uint32_t kMessageHeaderBytes = 48;
// Header, three string lengths and three section counts of a message block.
constexpr uint32_t kMinimumMessageSize = 88;
// Length prefix, list header, termination words: a list image without messages.
constexpr uint32_t kEmptyListImageSize = 48;
constexpr uint32_t kListBytesBeforeTermination = 12;
constexpr uint32_t kTerminationWords[3] = {0xAAAABBBB, 0xCCCCDDDD, 0xEEEEFFFF};
// Stamps of a manager without a host clock travel unconverted.
constexpr uint64_t kDefaultTimeStamp = 0x1010;
constexpr double kWireTickSeconds = 8.5e-9;

enum class ImageKind {
    kList,      // identifier 0x00102000 behind the length prefix
    kMessage,   // identifier 0x00101000 behind the length prefix
    kUnknown,   // some other identifier
    kTooShort,  // fewer than 8 bytes: no identifier to look at
};

inline uint32_t loadBigEndian32(const unsigned char* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           uint32_t{bytes[3]};
}

inline uint64_t loadBigEndian64(const unsigned char* bytes) {
    return (uint64_t{loadBigEndian32(bytes)} << 32) | loadBigEndian32(bytes + 4);
}

// Looks only at the identifier behind the length prefix; validation is the
// readers' business.
inline ImageKind classifyImage(const unsigned char* data, size_t length) {
    if (data == nullptr || length < 8) return ImageKind::kTooShort;
    const uint32_t identifier = loadBigEndian32(data + 4);
    if (identifier == kListIdentifier) return ImageKind::kList;
    if (identifier == kMessageIdentifier) return ImageKind::kMessage;
    return ImageKind::kUnknown;
}

}  // namespace VkNTool

#endif  // VKERR_TOOLS_IMAGEFORMAT_H_
