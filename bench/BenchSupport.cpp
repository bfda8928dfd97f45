#include "BenchSupport.h"

#include <unistd.h>

#include <cstdio>

namespace VkNBench {

void fillWireMessages(VkCErrorList& list, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        // Codes change from message to message so that an error list would
        // not collapse them either.
        list.setMessage(3, 0, 0, 0, kWireTemplate, kCode + (i & 1), kLine + i, 5, 0x1010 + i, kFunction,
                        kWireFormat, kWireText, static_cast<int>(i), -17, kWireDouble);
    }
}

int formatReferenceLines(char* buffer, size_t size, uint32_t mainModule, uint32_t subModule, double seconds) {
    return std::snprintf(
        buffer, size,
        "ERROR , 0x%08X, time %4.3f sec., module %u/%u, in %s():%u\n"
        "Internal error. Varnik Support information: Invalid message data at %08X: Remaining "
        "header bytes mismatch (expected %d, actual %d).\n",
        kCode, seconds, mainModule, subModule, kFunction, kLine, kValue1, kValue2, kValue3);
}

StdoutToDevNull::StdoutToDevNull() : savedDescriptor_(-1) {
    std::fflush(stdout);
    savedDescriptor_ = ::dup(STDOUT_FILENO);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::perror("freopen /dev/null");
}

StdoutToDevNull::~StdoutToDevNull() {
    std::fflush(stdout);
    if (savedDescriptor_ < 0) return;
    ::dup2(savedDescriptor_, STDOUT_FILENO);
    ::close(savedDescriptor_);
}

}  // namespace VkNBench
