// How a received format string takes values from a message block's parameter
// sections, and the per-image cache of the last such plan.
#ifndef VKERRORHANDLING_SRC_SERIAL_FORMATPLAN_H_
#define VKERRORHANDLING_SRC_SERIAL_FORMATPLAN_H_

#include <cstdint>

#include "list/ErrorEntry.h"

namespace VkNSerial {

// The kind of each conversion of a format string, in order, at most
// kMaxAdditionalParameters.
struct FormatPlan {
    enum Kind : uint8_t { kString, kInteger, kWideInteger, kDouble };
    Kind kinds[kMaxAdditionalParameters];
    uint32_t count;
};

// The format walk, as recording types values: "ll" or "z" before an integer
// letter and "p" mean 64 bits.
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

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_FORMATPLAN_H_
