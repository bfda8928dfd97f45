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
#include "VkErrorHandling/VkCObjectBuffer.h"
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

inline int32_t readMessage(VkCErrorList& list, const Bytes& image, uint32_t index = 0) {
    return list.deSerializeMessage(index, image.data(), static_cast<uint32_t>(image.size()));
}

inline int32_t readList(VkCErrorList& list, const Bytes& image) {
    return list.deSerialize(image.data(), static_cast<uint32_t>(image.size()));
}

// Everything a read can change in `list`: counters, identity, and every
// entry's fields, strings (none apart from "") and typed parameters, bit for
// bit, numbers as their raw bytes: the damage tests take this state a
// million times.
inline std::string listState(const VkCErrorList& list) {
    std::string state;
    auto number = [&state](uint64_t value) {
        state.append(reinterpret_cast<const char*>(&value), sizeof value);
    };
    auto text = [&state](const char* stored) {
        state.append(stored != nullptr ? stored : "(none)").push_back('|');
    };
    for (uint64_t value :
         {list.getNumberOfUsedEntries(), list.getErrorCount(), list.getNodeId(), list.getApplicationId()}) {
        number(value);
    }
    for (uint32_t i = 0; i < list.getNumberOfEntries(); ++i) {
        const auto& e = *VkErrorListAccess::entryAt(list, i);
        for (uint64_t value :
             {uint64_t{e.messageType}, uint64_t{e.errorCode}, uint64_t{e.lineNumber}, e.timeStamp,
              uint64_t{e.displayMode}, uint64_t{e.mainModuleNumber}, uint64_t{e.subModuleNumber},
              uint64_t{e.originNode}, uint64_t{e.additionalParametersCount}}) {
            number(value);
        }
        text(e.functionName);
        text(e.formatString);
        text(e.messageTemplate);
        for (uint32_t k = 0; k < kMaxAdditionalParameters; ++k) {
            const VkSParameter& slot = e.additionalParameters[k];
            number(slot.type);  // and no value for a slot past the count
            if (k < e.additionalParametersCount && slot.type == kParameterString)
                text(slot.value.stringValue);
            if (k < e.additionalParametersCount && slot.type != kParameterString)
                number(slot.value.int64Value);
        }
        state.push_back('\n');
    }
    return state;
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

    // What the reads of one image gave: their results (and read positions)
    // and the reports they made.
    struct ReadOutcome {
        std::vector<int64_t> results;
        std::vector<std::vector<std::string>> reports;
    };

    // Reads by both block paths, each into a receiver of `entries` entries
    // and `limit` parameters whose entry 0 is used and entry 1 was written
    // while free, and expects the same results, reports and list state.
    // Both receivers live at once, so that stale bits differ between them.
    // Returns what the fast path gave.
    template <typename Read>
    ReadOutcome expectPathsAgree(uint32_t entries, uint32_t limit, Read read) {
        using VkNSerial::BlockPath;
        VkCErrorList lists[2] = {{entries, limit, 0, 0, nullptr}, {entries, limit, 0, 0, nullptr}};
        ReadOutcome outcomes[2];
        for (BlockPath path : {BlockPath::kRegularFirst, BlockPath::kFieldByField}) {
            VkCErrorList& list = lists[static_cast<size_t>(path)];
            list.setMessage(1, 0, 1, 1, "old template", 6, 1, 1, 0x1010, "old", "%lld%s%f", -1LL, "a", 3.0);
            list.setFormatString(1, "%s");
            list.addAdditionalParameter(1, "free");
            outcomes[static_cast<size_t>(path)] = {read(list, path), takeReports()};
        }
        EXPECT_EQ(outcomes[0].results, outcomes[1].results);
        EXPECT_EQ(outcomes[0].reports, outcomes[1].reports);
        EXPECT_EQ(listState(lists[0]), listState(lists[1]));
        return outcomes[0];
    }

    // A list image into a receiver of `roomy` entries, and into a full one.
    ReadOutcome expectListPathsAgree(const Bytes& image, size_t length, uint32_t roomy = 3) {
        ReadOutcome outcome;
        for (uint32_t entries : {roomy, 1u}) {
            ReadOutcome one =
                expectPathsAgree(entries, 10, [&](VkCErrorList& list, VkNSerial::BlockPath path) {
                    return std::vector<int64_t>{
                        VkNSerial::readList(list, image.data(), static_cast<uint32_t>(length), path)};
                });
            outcome.results.push_back(one.results[0]);
            outcome.reports.insert(outcome.reports.end(), one.reports.begin(), one.reports.end());
        }
        return outcome;
    }

    // A message image into the used entry, then twice from a buffer into
    // free ones (results and read positions), with room for two parameters.
    ReadOutcome expectMessagePathsAgree(const Bytes& image, size_t length) {
        return expectPathsAgree(3, 2, [&](VkCErrorList& list, VkNSerial::BlockPath path) {
            const auto size = static_cast<uint32_t>(length);
            VkCObjectBuffer buffer(image.data(), size);
            std::vector<int64_t> results{VkNSerial::readMessageImage(list, 0, image.data(), size, path)};
            for (uint32_t index : {1u, 2u}) {
                results.push_back(VkNSerial::readBufferedMessage(list, index, buffer, path));
                results.push_back(buffer.getReadOffset());
            }
            return results;
        });
    }

    VkCErrorListPool reports{50, 5, 0, 0, nullptr};
};

}  // namespace VkNSerialTest

#endif  // VKERRORHANDLING_TESTS_SERIAL_SERIALTESTSUPPORT_H_
