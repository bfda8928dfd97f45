// Checks shared by the list, serial and manager tests: the codes a list
// stored, and the comparison of two entries field by field.
#ifndef VKERRORHANDLING_TESTS_SUPPORT_ENTRYCHECKS_H_
#define VKERRORHANDLING_TESTS_SUPPORT_ENTRYCHECKS_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "list/ErrorEntry.h"

namespace VkNTest {

inline std::vector<uint32_t> storedCodes(const VkCErrorList& list) {
    std::vector<uint32_t> codes;
    for (uint32_t i = 0; i < list.getNumberOfUsedEntries(); ++i) codes.push_back(list.getErrorCode(i));
    return codes;
}

// An entry's parameters as "type:value" joined by blanks, the slot types
// written i (32-bit), w (64-bit), d (double) and s (string, a null one read
// as "" like the getter does).
inline std::string describeParameters(const VkCErrorList& list, uint32_t index) {
    const auto* entry = VkErrorListAccess::entryAt(list, index);
    std::ostringstream out;
    for (uint32_t i = 0; entry != nullptr && i < entry->additionalParametersCount; ++i) {
        const VkSParameter& p = entry->additionalParameters[i];
        out << (i == 0 ? "" : " ");
        switch (p.type) {
            case kParameterInt32:
                out << "i:" << p.value.int32Value;
                break;
            case kParameterInt64:
                out << "w:" << p.value.int64Value;
                break;
            case kParameterDouble:
                out << "d:" << p.value.doubleValue;
                break;
            case kParameterString:
                out << "s:" << (p.value.stringValue != nullptr ? p.value.stringValue : "");
                break;
            default:
                out << "?" << p.type;
        }
    }
    return out.str();
}

// Every field, string and parameter of two entries, slot types included.
// String parameters must be copies: two entries never share one.
inline void expectSameEntry(const VkCErrorList& expected, uint32_t expectedIndex, const VkCErrorList& actual,
                            uint32_t actualIndex) {
    const auto& a = *VkErrorListAccess::entryAt(expected, expectedIndex);
    const auto& b = *VkErrorListAccess::entryAt(actual, actualIndex);
    EXPECT_EQ(std::vector<uint64_t>({a.messageType, a.errorCode, a.lineNumber, a.timeStamp, a.displayMode,
                                     a.mainModuleNumber, a.subModuleNumber, a.originNode}),
              std::vector<uint64_t>({b.messageType, b.errorCode, b.lineNumber, b.timeStamp, b.displayMode,
                                     b.mainModuleNumber, b.subModuleNumber, b.originNode}));
    EXPECT_STREQ(expected.getFunctionName(expectedIndex), actual.getFunctionName(actualIndex));
    EXPECT_STREQ(expected.getFormatString(expectedIndex), actual.getFormatString(actualIndex));
    EXPECT_STREQ(expected.getMessageTemplate(expectedIndex), actual.getMessageTemplate(actualIndex));
    ASSERT_EQ(a.additionalParametersCount, b.additionalParametersCount);
    for (uint32_t i = 0; i < a.additionalParametersCount; ++i) {
        const VkSParameter& p = a.additionalParameters[i];
        const VkSParameter& q = b.additionalParameters[i];
        ASSERT_EQ(p.type, q.type) << "parameter " << i + 1;
        if (p.type == kParameterString) {
            EXPECT_STREQ(p.value.stringValue ? p.value.stringValue : "",
                         q.value.stringValue ? q.value.stringValue : "")
                << "parameter " << i + 1;
            if (p.value.stringValue != nullptr) {
                EXPECT_NE(p.value.stringValue, q.value.stringValue);
            }
        } else if (p.type == kParameterInt32) {
            EXPECT_EQ(p.value.int32Value, q.value.int32Value) << "parameter " << i + 1;
        } else {  // 64-bit values and doubles as bit patterns, so NaNs compare too
            EXPECT_EQ(0, std::memcmp(&p.value, &q.value, 8)) << "parameter " << i + 1;
        }
    }
}

}  // namespace VkNTest

#endif  // VKERRORHANDLING_TESTS_SUPPORT_ENTRYCHECKS_H_
