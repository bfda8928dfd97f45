// Helpers shared by the wire-format tests: byte images as vectors, the
// example message, and a master error list of the test's own that collects
// the readers' reports.
#ifndef VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_
#define VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "support/EntryChecks.h"

namespace VkNSerialTest {

using Bytes = std::vector<unsigned char>;
using VkNTest::expectSameEntry;

// "00 10 20 00 ..." as bytes.
inline Bytes hexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    for (unsigned int value; in >> std::hex >> value;) bytes.push_back(static_cast<unsigned char>(value));
    return bytes;
}

inline uint32_t wordAt(const Bytes& bytes, size_t at) {
    return uint32_t{bytes[at]} << 24 | uint32_t{bytes[at + 1]} << 16 | uint32_t{bytes[at + 2]} << 8 |
           bytes[at + 3];
}

inline void putWord(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// The message of the worked example: a warning with one 32-bit parameter.
inline void recordExampleMessage(VkCErrorList& list) {
    list.setMessage(2, 0, 128, 3, "Value %1", 0x00300005, 42, 2, 0x1010, "f", "%d", 7);
}

// An image as bytes, released; empty when there is none.
inline Bytes taken(void* image, uint32_t size) {
    const auto* bytes = static_cast<const unsigned char*>(image);
    Bytes copy = image != nullptr ? Bytes(bytes, bytes + size) : Bytes();
    std::free(image);
    return copy;
}

inline Bytes messageImage(VkCErrorList& list, uint32_t index) {
    uint32_t size = 0;
    unsigned char* image = list.getSerializedMessage(index, size);
    return taken(image, size);
}

inline Bytes listImage(VkCErrorList& list) {
    uint32_t size = 0;
    char* image = list.serialize(size);
    return taken(image, size);
}

inline int32_t readMessage(VkCErrorList& list, const Bytes& image, uint32_t index = 0) {
    return list.deSerializeMessage(index, image.data(), static_cast<uint32_t>(image.size()));
}

inline int32_t readList(VkCErrorList& list, const Bytes& image) {
    return list.deSerialize(image.data(), static_cast<uint32_t>(image.size()));
}

// One way to damage a valid image, and the one report the reader must make:
// its code, format string and parameters (as describeParameters has them).
struct DamageRow {
    const char* name;
    void (*damage)(Bytes& image);
    uint32_t code;
    const char* formatString;
    const char* parameters;
};

// Installs a fresh master error list for the calling thread, so each test
// sees exactly the reports it caused.
class ReportCapture : public ::testing::Test {
  protected:
    ReportCapture() { VkCErrorManager::getInstance().setMasterErrorList(reports, -1, false); }
    ~ReportCapture() override { VkCErrorManager::getInstance().clearMasterErrorList(-1); }

    // Code, function name, format string and parameters of each report.
    std::vector<std::vector<std::string>> takeReports() {
        std::vector<std::vector<std::string>> taken;
        for (uint32_t i = 0; i < reports.getNumberOfUsedEntries(); ++i) {
            taken.push_back({std::to_string(reports.getErrorCode(i)), reports.getFunctionName(i),
                             reports.getFormatString(i), VkNTest::describeParameters(reports, i)});
        }
        reports.reset();
        return taken;
    }

    void expectOnlyReport(const DamageRow& row, const char* function) {
        EXPECT_EQ(takeReports(), (std::vector<std::vector<std::string>>{{std::to_string(row.code), function,
                                                                         row.formatString, row.parameters}}));
    }

    VkCErrorListPool reports{50, 5, 0, 0, nullptr};
};

}  // namespace VkNSerialTest

#endif  // VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_
