// What the benchmarks share: the message every hot-path benchmark records,
// the lists they are measured on, and standard output sent to /dev/null.
//
// Naming: each measured operation is registered as "<operation>/ours" next to
// one or more "<operation>/<reference>" runs; RatioTable.cpp pairs them up.
// Every benchmark reports items (messages) processed, so that a cost per
// message can be read off every run, threaded or not.
#ifndef VKERRORHANDLING_BENCH_BENCHSUPPORT_H_
#define VKERRORHANDLING_BENCH_BENCHSUPPORT_H_

#include <cstdint>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"

namespace VkNBench {

// The message of the record, render and send benchmarks: a library code
// whose text takes three values, recorded with the format the text expects.
constexpr uint32_t kCode = 0x102008;
constexpr uint32_t kLine = 4711;
constexpr const char* kFunction = "openChannel";
constexpr const char* kFormat = "%08X%d%d";
constexpr int kValue1 = 42;
constexpr int kValue2 = 7;
constexpr int kValue3 = 9;

// The serialized message: a string, two integers and a double.
constexpr const char* kWireFormat = "%s%d%d%f";
constexpr const char* kWireText = "channel A";
constexpr const char* kWireTemplate = "Channel %1 failed: %2/%3 after %4 s";
constexpr double kWireDouble = 3.25;

// Fills `list` with `count` messages of the serialized kind. The list must
// hold `count` entries and at least four parameters per entry.
void fillWireMessages(VkCErrorList& list, uint32_t count);

// The two lines printError gives for the benchmark message, composed with one
// snprintf call: the reference of the render and send benchmarks. Returns the
// length written to `buffer` (at most `size` - 1 characters).
int formatReferenceLines(char* buffer, size_t size, uint32_t mainModule, uint32_t subModule, double seconds);

// Redirects the process's standard output to /dev/null while alive, so the
// send benchmarks measure formatting and the stream, not a terminal; the
// benchmark report, written to the original descriptor, is unaffected.
class StdoutToDevNull {
  public:
    StdoutToDevNull();
    ~StdoutToDevNull();
    StdoutToDevNull(const StdoutToDevNull&) = delete;
    StdoutToDevNull& operator=(const StdoutToDevNull&) = delete;

  private:
    int savedDescriptor_;
};

}  // namespace VkNBench

#endif  // VKERRORHANDLING_BENCH_BENCHSUPPORT_H_
