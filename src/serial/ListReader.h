// Reading a list image and appending its messages.
#ifndef VKERRORHANDLING_SRC_SERIAL_LISTREADER_H_
#define VKERRORHANDLING_SRC_SERIAL_LISTREADER_H_

#include <cstdint>

#include "VkErrorHandling/VkCErrorList.h"
#include "serial/MessageReader.h"

namespace VkNSerial {

// VkCErrorList::deSerialize, with its blocks read by `path`.
int32_t readList(VkCErrorList& list, const unsigned char* data, uint32_t length, BlockPath path);

}  // namespace VkNSerial

#endif  // VKERRORHANDLING_SRC_SERIAL_LISTREADER_H_
