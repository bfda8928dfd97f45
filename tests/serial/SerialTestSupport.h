// Helpers shared by the wire-format tests: byte images as vectors, the
// example message, entry comparison, and a master error list of the test's
// own that collects the readers' reports.
#ifndef VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_
#define VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "list/ErrorEntry.h"

namespace VkNSerialTest {

using Bytes = std::vector<unsigned char>;

// "00 10 20 00 ..." as bytes.
inline Bytes hexBytes(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    unsigned int value;
    while (in >> std::hex >> value) bytes.push_back(static_cast<unsigned char>(value));
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

// Every field, string and parameter of two entries, slot types included.
inline void expectSameEntry(const VkCErrorList& expected, uint32_t expectedIndex, const VkCErrorList& actual,
                            uint32_t actualIndex) {
    const auto& a = *VkErrorListAccess::entryAt(expected, expectedIndex);
    const auto& b = *VkErrorListAccess::entryAt(actual, actualIndex);
    EXPECT_EQ(a.messageType, b.messageType);
    EXPECT_EQ(a.errorCode, b.errorCode);
    EXPECT_EQ(a.lineNumber, b.lineNumber);
    EXPECT_EQ(a.timeStamp, b.timeStamp);
    EXPECT_EQ(a.displayMode, b.displayMode);
    EXPECT_EQ(a.mainModuleNumber, b.mainModuleNumber);
    EXPECT_EQ(a.subModuleNumber, b.subModuleNumber);
    EXPECT_EQ(a.originNode, b.originNode);
    EXPECT_STREQ(expected.getFunctionName(expectedIndex), actual.getFunctionName(actualIndex));
    EXPECT_STREQ(expected.getFormatString(expectedIndex), actual.getFormatString(actualIndex));
    EXPECT_STREQ(expected.getMessageTemplate(expectedIndex), actual.getMessageTemplate(actualIndex));
    ASSERT_EQ(a.additionalParametersCount, b.additionalParametersCount);
    for (uint32_t i = 0; i < a.additionalParametersCount; ++i) {
        const VkSParameter& p = a.additionalParameters[i];
        const VkSParameter& q = b.additionalParameters[i];
        ASSERT_EQ(p.type, q.type) << "parameter " << i + 1;
        switch (p.type) {
            case kParameterInt32:
                EXPECT_EQ(p.value.int32Value, q.value.int32Value) << "parameter " << i + 1;
                break;
            case kParameterInt64:
                EXPECT_EQ(p.value.int64Value, q.value.int64Value) << "parameter " << i + 1;
                break;
            case kParameterDouble:  // bit patterns, so NaNs compare too
                EXPECT_EQ(0, std::memcmp(&p.value.doubleValue, &q.value.doubleValue, 8))
                    << "parameter " << i + 1;
                break;
            case kParameterString:
                EXPECT_STREQ(p.value.stringValue ? p.value.stringValue : "",
                             q.value.stringValue ? q.value.stringValue : "")
                    << "parameter " << i + 1;
                break;
        }
    }
}

// Installs a fresh master error list for the calling thread, so each test
// sees exactly the reports it caused.
class ReportCapture : public ::testing::Test {
  protected:
    ReportCapture() : reports(50, 5, 0, 0, nullptr) {
        VkCErrorManager::getInstance().setMasterErrorList(reports, -1, false);
    }
    ~ReportCapture() override { VkCErrorManager::getInstance().clearMasterErrorList(-1); }

    struct Report {
        uint32_t code;
        std::string functionName;
        std::string formatString;
        std::string text;  // the message text as rendered
    };

    std::vector<Report> takeReports() {
        std::vector<Report> taken;
        for (uint32_t i = 0; i < reports.getNumberOfUsedEntries(); ++i) {
            taken.push_back({reports.getErrorCode(i), reports.getFunctionName(i), reports.getFormatString(i),
                             reports.getErrorText(i)});
        }
        reports.reset();
        return taken;
    }

    VkCErrorListPool reports;
};

}  // namespace VkNSerialTest

#endif  // VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_
