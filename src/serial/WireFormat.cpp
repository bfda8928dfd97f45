#include "serial/WireFormat.h"

namespace VkNSerial {

uint64_t toWireTicks(uint64_t stamp, double tickSeconds) {
    return scaleStamp(stamp, tickSeconds / kWireTickSeconds);
}

uint64_t fromWireTicks(uint64_t wireStamp, double tickSeconds) {
    return scaleStamp(wireStamp, kWireTickSeconds / tickSeconds);
}

}  // namespace VkNSerial
