// Helpers shared by the wire-format tests: byte images as vectors, the
// example message, reads that take every image both ways (the fast path for
// regular blocks and field by field) and compare, and a master error list of
// the test's own that collects the readers' reports.
#ifndef VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_
#define VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
#include "VkErrorHandling/VkCObjectBuffer.h"
#include "list/EntryRelease.h"
#include "serial/ListReader.h"
#include "serial/MessageReader.h"
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

// Everything a read can change in `list`, as bytes: counters, identity, and
// each entry from `first` up to `last` bit for bit, its strings (none apart
// from "") as text, no stale value past the parameter count.
inline std::string listState(const VkCErrorList& list, uint32_t first = 0, uint32_t last = UINT32_MAX) {
    const uint32_t counters[] = {list.getNumberOfUsedEntries(), list.getErrorCount(), list.getNodeId(),
                                 list.getApplicationId()};
    std::string state(reinterpret_cast<const char*>(counters), sizeof counters);
    auto text = [&state](char*& stored) {
        state.append(stored != nullptr ? stored : "(none)").push_back('|');
        stored = nullptr;
    };
    for (uint32_t i = first; i < std::min(last, list.getNumberOfEntries()); ++i) {
        VkErrorListAccess::Entry e;
        std::memcpy(&e, VkErrorListAccess::entryAt(list, i), sizeof e);
        text(e.functionName);
        text(e.formatString);
        text(e.messageTemplate);
        for (uint32_t k = 0; k < kMaxAdditionalParameters; ++k) {
            VkSParameter& slot = e.additionalParameters[k];
            if (k >= e.additionalParametersCount) slot.value.int64Value = 0;
            if (k < e.additionalParametersCount && slot.type == kParameterString)
                text(slot.value.stringValue);
        }
        state.append(reinterpret_cast<const char*>(&e), sizeof e);
    }
    return state;
}

// A deep copy of `list`, entries, strings and counters, in a fresh list.
inline std::unique_ptr<VkCErrorList> copyOf(const VkCErrorList& list) {
    using Access = VkErrorListAccess;
    std::unique_ptr<VkCErrorList> copy(
        new VkCErrorList(list.getNumberOfEntries(), list.getMaxAdditionalParameters(0), 0, 0, nullptr));
    for (uint32_t i = 0; i < list.getNumberOfEntries(); ++i) {
        Access::Entry& e = *Access::entryAt(*copy, i);
        std::memcpy(&e, Access::entryAt(list, i), sizeof e);
        for (char** text : {&e.functionName, &e.formatString, &e.messageTemplate}) {
            if (*text != nullptr) *text = ::strdup(*text);
        }
        for (uint32_t k = 0; k < e.additionalParametersCount && k < kMaxAdditionalParameters; ++k) {
            VkSParameter& slot = e.additionalParameters[k];
            if (slot.type == kParameterString && slot.value.stringValue != nullptr)
                slot.value.stringValue = ::strdup(slot.value.stringValue);
        }
    }
    Access::usedEntries(*copy) = list.getNumberOfUsedEntries();
    Access::entryForWrite(*copy, list.getNumberOfEntries() - 1);  // reset releases the free ones too
    Access::errorCount(*copy) = list.getErrorCount();
    Access::nodeId(*copy) = list.getNodeId();
    Access::applicationId(*copy) = list.getApplicationId();
    Access::setIsMessageList(*copy, Access::isMessageList(list));
    return copy;
}

// Reads by `read(list, path)` twice: field by field into a copy of `list`,
// then by the fast path into `list` itself, and expects the same result,
// list and reports. Only the second read's reports stay.
template <typename Read>
auto readBothWays(VkCErrorList& list, Read read) {
    VkCErrorList& master = VkCErrorManager::getInstance().getMasterErrorList();
    const uint32_t reported = master.getNumberOfUsedEntries(), counted = master.getErrorCount();
    const std::unique_ptr<VkCErrorList> copy = copyOf(list);
    const auto plain = read(*copy, VkNSerial::BlockPath::kFieldByField);
    const std::string plainReports = listState(master, reported, master.getNumberOfUsedEntries());
    for (uint32_t& used = VkErrorListAccess::usedEntries(master); used > reported;)
        VkNList::releaseEntry(*VkErrorListAccess::entryAt(master, --used));
    VkErrorListAccess::errorCount(master) = counted;
    const auto fast = read(list, VkNSerial::BlockPath::kRegularFirst);
    EXPECT_EQ(fast, plain);
    EXPECT_EQ(listState(list), listState(*copy));
    EXPECT_EQ(listState(master, reported, master.getNumberOfUsedEntries()), plainReports);
    return fast;
}

// The image's first `length` bytes read both ways: as a message into entry
// `index`, as a list, or as a message from a buffer (the result, then the
// read position).
inline int32_t readMessage(VkCErrorList& list, const Bytes& image, uint32_t index = 0, size_t length = ~0u) {
    return readBothWays(list, [&](VkCErrorList& into, VkNSerial::BlockPath path) {
        return VkNSerial::readMessageImage(into, index, image.data(), std::min<size_t>(length, image.size()),
                                           path);
    });
}
inline int32_t readList(VkCErrorList& list, const Bytes& image, size_t length = ~0u) {
    return readBothWays(list, [&](VkCErrorList& into, VkNSerial::BlockPath path) {
        return VkNSerial::readList(into, image.data(), std::min<size_t>(length, image.size()), path);
    });
}
inline std::vector<int64_t> readBuffered(VkCErrorList& list, const Bytes& image, uint32_t index,
                                         size_t length = ~0u) {
    return readBothWays(list, [&](VkCErrorList& into, VkNSerial::BlockPath path) {
        VkCObjectBuffer buffer(image.data(), std::min<size_t>(length, image.size()));
        const int32_t result = VkNSerial::readBufferedMessage(into, index, buffer, path);
        return std::vector<int64_t>{result, buffer.getReadOffset()};
    });
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
