// Checks shared by the list, serial and manager tests: the codes a list
// stored, an entry's parameters as text, and two entries compared.
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

// An entry's parameters as "type:value" joined by blanks: i (32-bit), w
// (64-bit), d (double; with `exact` its bit pattern) and s (string, none
// read as ""), or "?" and the type of a slot of no type.
inline std::string describeParameters(const VkCErrorList& list, uint32_t index, bool exact = false) {
    const auto* entry = VkErrorListAccess::entryAt(list, index);
    std::string out;
    for (uint32_t i = 0; entry != nullptr && i < entry->additionalParametersCount; ++i) {
        const VkSParameter& p = entry->additionalParameters[i];
        out += i == 0 ? "" : " ";
        if (p.type == kParameterInt32) out += "i:" + std::to_string(p.value.int32Value);
        if (p.type == kParameterInt64 || (p.type == kParameterDouble && exact))
            out += (p.type == kParameterInt64 ? "w:" : "d:") + std::to_string(p.value.int64Value);
        if (p.type == kParameterDouble && !exact)
            out += "d:" + (std::ostringstream() << p.value.doubleValue).str();
        if (p.type == kParameterString)
            out += std::string("s:") + (p.value.stringValue ? p.value.stringValue : "");
        if (p.type == kParameterEmpty || p.type > kParameterInt64) out += "?" + std::to_string(p.type);
    }
    return out;
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
    EXPECT_EQ(describeParameters(expected, expectedIndex, true),
              describeParameters(actual, actualIndex, true));
    for (uint32_t i = 0; i < a.additionalParametersCount && i < b.additionalParametersCount; ++i) {
        const VkSParameter& p = a.additionalParameters[i];
        EXPECT_TRUE(p.type != kParameterString || p.value.stringValue == nullptr ||
                    p.value.stringValue != b.additionalParameters[i].value.stringValue)
            << "parameter " << i + 1 << " is shared";
    }
}

// Two lists alike: counters, identity and every entry, free ones too.
inline void expectSameList(const VkCErrorList& expected, const VkCErrorList& actual) {
    EXPECT_EQ(std::vector<uint32_t>({expected.getNumberOfUsedEntries(), expected.getErrorCount(),
                                     expected.getNodeId(), expected.getApplicationId()}),
              std::vector<uint32_t>({actual.getNumberOfUsedEntries(), actual.getErrorCount(),
                                     actual.getNodeId(), actual.getApplicationId()}));
    for (uint32_t i = 0; i < expected.getNumberOfEntries(); ++i) expectSameEntry(expected, i, actual, i);
}

}  // namespace VkNTest

#endif  // VKERRORHANDLING_TESTS_SUPPORT_ENTRYCHECKS_H_
