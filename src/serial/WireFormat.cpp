#include "serial/WireFormat.h"

namespace VkNSerial {

namespace {

// Truncates toward zero without the undefined behaviour of casting a value
// outside the target range.
uint64_t saturatingTicks(double ticks) {
    if (!(ticks >= 0.0)) return 0;  // NaN or negative
    if (ticks >= 18446744073709551616.0) return UINT64_MAX;
    return static_cast<uint64_t>(ticks);
}

}  // namespace

uint64_t scaleStamp(uint64_t stamp, double factor) {
    if (stamp == kDefaultTimeStamp) return stamp;
    // The common case, equal tick lengths, skips the float round trip; below
    // 2^53 that round trip is exact, so the result is the same.
    if (factor == 1.0 && stamp < (uint64_t{1} << 53)) return stamp;
    return saturatingTicks(factor * static_cast<double>(stamp));
}

uint64_t toWireTicks(uint64_t stamp, double tickSeconds) {
    return scaleStamp(stamp, tickSeconds / kWireTickSeconds);
}

uint64_t fromWireTicks(uint64_t wireStamp, double tickSeconds) {
    return scaleStamp(wireStamp, kWireTickSeconds / tickSeconds);
}

}  // namespace VkNSerial
