// Identifiers, fixed sizes and time-stamp units of the message and list
// images, and the conversion of time stamps to and from wire ticks.
//
// A message block is 64 header bytes, three length-prefixed strings and three
// counted parameter sections; a list image is a 36-byte header (length prefix
// included), the message blocks and three termination words. All numbers are
// big-endian u32 unless noted.
#ifndef VKERRORHANDLING_SRC_SERIAL_WIREFORMAT_H_
#define VKERRORHANDLING_SRC_SERIAL_WIREFORMAT_H_

#include <cstdint>

namespace VkNSerial {

constexpr uint32_t kMessageIdentifier = 0x00101000;
constexpr uint32_t kListIdentifier = 0x00102000;
constexpr uint32_t kWireVersion = 1;

// Message block: header bytes counted from the header-bytes field through the
// string-bytes field; the fixed size adds the three string lengths and the
// three section counts to the 64 header bytes.
constexpr uint32_t kMessageHeaderBytes = 48;
constexpr uint32_t kMessageFixedSize = 88;
constexpr uint32_t kFixedStringCount = 3;

// List image: header bytes counted from the header-bytes field through the
// message identifier; the fixed size is the whole image of an empty list.
constexpr uint32_t kListHeaderBytes = 20;
constexpr uint32_t kListFixedSize = 48;
constexpr uint32_t kListTerminationSize = 12;
constexpr uint32_t kTerminationWords[3] = {0xAAAABBBB, 0xCCCCDDDD, 0xEEEEFFFF};

// The stamp of a manager without a host clock; never converted.
constexpr uint64_t kDefaultTimeStamp = 0x1010;
// Seconds per wire tick.
constexpr double kWireTickSeconds = 8.5e-9;

// Converts a stamp counted in ticks of `tickSeconds` into wire ticks and back.
// Results that are not finite numbers in the u64 range saturate: NaN and
// negative values give 0, values too large give UINT64_MAX.
uint64_t toWireTicks(uint64_t stamp, double tickSeconds);
uint64_t fromWireTicks(uint64_t wireStamp, double tickSeconds);

// Truncates toward zero without the undefined behaviour of casting a value
// outside the target range.
inline uint64_t saturatingTicks(double ticks) {
    if (!(ticks >= 0.0)) return 0;  // NaN or negative
    if (ticks >= 18446744073709551616.0) return UINT64_MAX;
    return static_cast<uint64_t>(ticks);
}

// The same conversions with the factor computed once for a whole image:
// `factor` is tickSeconds / kWireTickSeconds when sending and its inverse,
// kWireTickSeconds / tickSeconds, when receiving. Inline: every message block
// converts one stamp.
inline uint64_t scaleStamp(uint64_t stamp, double factor) {
    if (stamp == kDefaultTimeStamp) return stamp;
    // The common case, equal tick lengths, skips the float round trip; below
    // 2^53 that round trip is exact, so the result is the same.
    if (factor == 1.0 && stamp < (uint64_t{1} << 53)) return stamp;
    return saturatingTicks(factor * static_cast<double>(stamp));
}

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_WIREFORMAT_H_
