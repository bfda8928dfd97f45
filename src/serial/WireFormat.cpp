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

uint64_t toWireTicks(uint64_t stamp, double tickSeconds) {
    if (stamp == kDefaultTimeStamp) return stamp;
    return saturatingTicks((tickSeconds / kWireTickSeconds) * static_cast<double>(stamp));
}

uint64_t fromWireTicks(uint64_t wireStamp, double tickSeconds) {
    if (wireStamp == kDefaultTimeStamp) return wireStamp;
    return saturatingTicks((kWireTickSeconds / tickSeconds) * static_cast<double>(wireStamp));
}

}  // namespace VkNSerial
