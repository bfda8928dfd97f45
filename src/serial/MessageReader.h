// Reading message blocks into list entries, shared by the message and the
// list readers.
#ifndef VKERRORHANDLING_SRC_SERIAL_MESSAGEREADER_H_
#define VKERRORHANDLING_SRC_SERIAL_MESSAGEREADER_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"
#include "list/ErrorEntry.h"
#include "serial/ByteReader.h"

namespace VkNSerial {

// The reading thread's master error list, or null when the manager has none
// to give (its detached list); failures found in images are reported there.
VkCErrorList* reportList();

// Validates a buffer image's length prefix as VkCObjectBuffer's reading
// constructor does and returns a reader over its payload; a malformed image
// gives a reader over nothing, on which the first read fails.
ByteReader payloadReader(const unsigned char* data, uint32_t length);

// The factor that turns received wire ticks into local ticks, from the
// manager's tick duration; read once per image.
double receiveStampFactor();

// How a format string takes values from a block's parameter sections: the
// kind of each conversion, in order, at most kMaxAdditionalParameters.
struct FormatPlan {
    enum Kind : uint8_t { kString, kInteger, kWideInteger, kDouble };
    Kind kinds[kMaxAdditionalParameters];
    uint32_t count;
};

FormatPlan planFormat(const char* format);

// The plan of the last format string read from one image. The blocks of a
// list mostly share their format, so a block whose format bytes equal the
// last block's takes its plan unwalked. Points into the image: lives no
// longer than one read of it. Not thread-safe.
class FormatPlans {
  public:
    // The plan of `format`, received as `length` bytes at `bytes`.
    const FormatPlan& planFor(const unsigned char* bytes, uint32_t length, const char* format);

  private:
    bool valid_ = false;
    const unsigned char* lastBytes_ = nullptr;
    uint32_t lastLength_ = 0;
    FormatPlan last_;
};

// Reads one message block (skipping foreign blocks before it) from `reader`
// into entry `index` of `list` (-1 when it fails the index rule). Reports name
// positions as `reportBase` + bytes read. 0 on success, -1 on failure; the
// reader stops where reading stopped.
// `plans`, when given, is shared by the blocks of one image.
int32_t readMessage(VkCErrorList& list, uint32_t index, ByteReader& reader, uint32_t reportBase,
                    double stampFactor, FormatPlans* plans = nullptr);

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_MESSAGEREADER_H_
