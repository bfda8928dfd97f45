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

// The common start of the readers' report texts.
const std::string kSupport = "Internal error. Varnik Support information: ";

// "00 10 20 00 ..." as bytes.
inline Bytes hexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    for (unsigned int value; in >> std::hex >> value;) bytes.push_back(static_cast<unsigned char>(value));
    return bytes;
}

inline uint32_t wordAt(const Bytes& bytes, size_t offset) {
    return uint32_t{bytes[offset]} << 24 | uint32_t{bytes[offset + 1]} << 16 |
           uint32_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
}

inline void putWord(Bytes& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

inline void insertZeros(Bytes& bytes, size_t offset, size_t count) {
    bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(offset), count, 0);
}

// The message of the worked example: a warning with one 32-bit parameter.
inline void recordExampleMessage(VkCErrorList& list) {
    list.setMessage(2, 0, 128, 3, "Value %1", 0x00300005, 42, 2, 0x1010, "f", "%d", 7);
}

inline Bytes messageImage(VkCErrorList& list, uint32_t index) {
    uint32_t size = 0;
    unsigned char* image = list.getSerializedMessage(index, size);
    Bytes bytes = image != nullptr ? Bytes(image, image + size) : Bytes();
    std::free(image);
    return bytes;
}

inline Bytes listImage(VkCErrorList& list) {
    uint32_t size = 0;
    char* image = list.serialize(size);
    Bytes bytes = image != nullptr ? Bytes(image, image + size) : Bytes();
    list.freeSerializedBuffer(&image);
    return bytes;
}

inline int32_t readMessage(VkCErrorList& list, const Bytes& image, uint32_t index = 0) {
    return list.deSerializeMessage(index, image.data(), static_cast<uint32_t>(image.size()));
}

inline int32_t readList(VkCErrorList& list, const Bytes& image) {
    return list.deSerialize(image.data(), static_cast<uint32_t>(image.size()));
}

// One way to damage a valid image, and the one report the reader must make.
struct DamageRow {
    const char* name;
    void (*damage)(Bytes& image);
    uint32_t code;
    const char* formatString;
    std::string text;  // the rendered text without the common kSupport prefix
};

// Installs a fresh master error list for the calling thread, so each test
// sees exactly the reports it caused.
class ReportCapture : public ::testing::Test {
  protected:
    ReportCapture() { VkCErrorManager::getInstance().setMasterErrorList(reports, -1, false); }
    ~ReportCapture() override { VkCErrorManager::getInstance().clearMasterErrorList(-1); }

    // Code, function name, format string and rendered text of each report.
    std::vector<std::vector<std::string>> takeReports() {
        std::vector<std::vector<std::string>> taken;
        for (uint32_t i = 0; i < reports.getNumberOfUsedEntries(); ++i) {
            taken.push_back({std::to_string(reports.getErrorCode(i)), reports.getFunctionName(i),
                             reports.getFormatString(i), reports.getErrorText(i)});
        }
        reports.reset();
        return taken;
    }

    // Exactly one report was made: the one `row` expects, from `function`.
    void expectOnlyReport(const DamageRow& row, const char* function) {
        EXPECT_EQ(takeReports(),
                  (std::vector<std::vector<std::string>>{
                      {std::to_string(row.code), function, row.formatString, kSupport + row.text}}));
    }

    VkCErrorListPool reports{50, 5, 0, 0, nullptr};
};

}  // namespace VkNSerialTest

#endif  // VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_
