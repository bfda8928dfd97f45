#include "catalogue/TextCatalogue.h"

#include <gtest/gtest.h>

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/LibraryTexts.h"

namespace VkNCatalogue {
namespace {

struct CodeText {
    uint32_t code;
    const char* text;
};

// Every text the library carries, each written out in one piece so that a
// slip in how the library's own table splits its long strings shows up here,
// and the codes that find none.
constexpr CodeText kTexts[] = {
    {0x400, "Internal error. Varnik Support information: NULL pointer error."},
    {0x401, "Memory allocation failed. Probably not enough memory available for requested operation."},
    {0x402, "Internal error. Varnik Support information: Mutex initialization failed."},
    {0x403, "Internal error. Varnik Support information: Mutex lock operation failed."},
    {0x404, "Internal error. Varnik Support information: Mutex unlock operation failed."},
    {0x405, "Internal error. Varnik Support information: Parameter '%1' has the invalid value '%2'."},
    {0x406, "Internal error. Varnik Support information: Could not read memory position \"%1\"."},
    {0x407, "Internal error. Varnik Support information: Could not write memory position '%1'."},
    {0x408, "Internal error. Varnik Support information: Parameter \"%1\" could not be set."},
    {0x409, "Internal error. Varnik Support information: Parameter \"%1\" could not be read."},
    // Built-in texts ignore the group bits.
    {0xC01, "Memory allocation failed. Probably not enough memory available for requested operation."},
    {0xFFC09, "Internal error. Varnik Support information: Parameter \"%1\" could not be read."},
    {0x000000, "%1"},
    // clang-format off
    {0x100000, "Message buffer overflow. All %1 message(s) are already in use. Cannot send message."},
    {0x100001, "Internal error. Varnik Support information: Cannot create log file."},
    {0x100002, "Internal error. Varnik Support information: Cannot create message buffer."},
    {0x100003, "Internal error. Varnik Support information: Master message list contains errors."},
    {0x100004, "Message buffer overflow. Messages were dropped because there is no space in the message buffer."},
    {0x100005, "Internal error. Varnik Support information: An error list can only hold messages of type 'error'. An attempt was made to store a message of different type."},
    {0x100800, "%3 (%1/%2)"},
    {0x102000, "Internal error. Varnik Support information: Cannot serialize message at index %1, list %2: the message pointer is NULL."},
    {0x102001, "Internal error. Varnik Support information: Cannot deserialize buffer. Identifier mismatch (expected %1, actual %2)."},
    {0x102002, "Internal error. Varnik Support information: Cannot deserialize buffer. Version mismatch (expected %1, actual %2)."},
    {0x102003, "Internal error. Varnik Support information: Cannot deserialize buffer. Remaining header bytes count mismatch (expected 0, actual %1)."},
    {0x102004, "Internal error. Varnik Support information: Cannot deserialize error %1 from buffer. Identifier mismatch (expected %2, actual %3)."},
    {0x102005, "Internal error. Varnik Support information: Error while deserializing buffer. Remaining byte count mismatch (expected %1, actual %2)."},
    {0x102006, "Internal error. Varnik Support information: Error while deserializing buffer. Termination bytes mismatch."},
    {0x102007, "Internal error. Varnik Support information: Invalid message data at %1: Version mismatch (expected %2, actual %3)."},
    {0x102008, "Internal error. Varnik Support information: Invalid message data at %1: Remaining header bytes mismatch (expected %2, actual %3)."},
    {0x102009, "Internal error. Varnik Support information: Invalid message data at %1: Cannot create parameter array."},
    {0x10200A, "Internal error. Varnik Support information: Invalid message data at %1: Detected superfluous string at index %2."},
    {0x10200B, "Internal error. Varnik Support information: Invalid message data at %1: Remaining bytes mismatch (expected %2, actual %3)."},
    {0x105800, "Internal error. Varnik Support information: Cannot send message. Buffer overflow."},
    {0x105801, "Internal error. Varnik Support information: Cannot send message. Buffer access violation."},
    {0x105802, "Internal error. Varnik Support information: Cannot send message. No message list available. Current list is reset."},
    {0x105803, "Internal error. Varnik Support information: Cannot create message list."},
    // The null-release and failed-allocation reports read as the built-in
    // texts that describe them; the next code of the group stays in module 1.
    {0x100400, "Internal error. Varnik Support information: NULL pointer error."},
    {0x100401, "Memory allocation failed. Probably not enough memory available for requested operation."},
    {0x100402, "Internal error. Varnik Support information: Cannot create message buffer."},
    // Outside module 0 the built-in flag plays no part.
    {0x100C00, "%3 (%1/%2)"},
    // Misses: past the built-in texts, past module 0's one text and group,
    // past the 6 texts of group 0, the 12 of group 4 and the 12 groups of
    // module 1, an empty group, modules without a set or a row, bit 31.
    {0x40A, ""}, {0x7FF, ""}, {0x000001, ""}, {0x000800, ""}, {0x100006, ""}, {0x10200C, ""}, {0x106000, ""},
    {0x1FF800, ""}, {0x101000, ""}, {0x200000, ""}, {0x1A00000, ""}, {0x80100004, ""}, {0x80000400, ""},
    // clang-format on
};

TEST(TextCatalogueTest, EveryCodeFindsItsTextOrNone) {
    for (const CodeText& entry : kTexts) {
        EXPECT_STREQ(lookupMessageTemplate(entry.code), entry.text) << std::hex << entry.code;
    }
}

// Text sets of a host; each test restores module 1's own set.
class TextSetRegistrationTest : public ::testing::Test {
protected:
    void TearDown() override {
        VkCErrorManager::_unregisterMessages(&kHostSet);
        VkCErrorManager::_registerMessages(&libraryTextSet());
    }
    static constexpr const char* kHostTexts[] = {"host %1", "host second", "group one %2"};
    static constexpr uint32_t kHostGroupStarts[] = {0, 2, 3};
    static constexpr VkResText kHostSet = {kHostTexts, kHostGroupStarts, 2, 0x200000};
};

TEST_F(TextSetRegistrationTest, ASetServesItsModuleWhileRegistered) {
    ASSERT_TRUE(VkCErrorManager::_registerMessages(&kHostSet));
    const CodeText served[] = {{0x200000, "host %1"},
                               {0x200001, "host second"},
                               {0x200800, "group one %2"},
                               {0x200002, ""},
                               {0x201000, ""}};
    for (const CodeText& entry : served) EXPECT_STREQ(lookupMessageTemplate(entry.code), entry.text);
    ASSERT_TRUE(VkCErrorManager::_unregisterMessages(&kHostSet));
    EXPECT_STREQ(lookupMessageTemplate(0x200000), "");

    // Replacing module 1's set, then unregistering whichever set is there.
    const VkResText replacement = {kHostTexts, kHostGroupStarts, 2, 0x100000};
    ASSERT_TRUE(VkCErrorManager::_registerMessages(&replacement));
    EXPECT_STREQ(lookupMessageTemplate(0x100000), "host %1");
    ASSERT_TRUE(VkCErrorManager::_unregisterMessages(&libraryTextSet()));
    EXPECT_STREQ(lookupMessageTemplate(0x100000), "");
    // The two reports keep their built-in texts even without module 1's set.
    EXPECT_STREQ(lookupMessageTemplate(0x100401), lookupMessageTemplate(0x401));
}

// Sets without a module row are refused; null texts, a null text and
// descending group starts read as no text.
TEST_F(TextSetRegistrationTest, RefusedAndMalformedSets) {
    const VkResText module26 = {kHostTexts, kHostGroupStarts, 2, 0x1A00000};
    const VkResText withIndexBit = {kHostTexts, kHostGroupStarts, 2, 0x100001};
    for (const VkResText* set : {static_cast<const VkResText*>(nullptr), &module26, &withIndexBit}) {
        EXPECT_FALSE(VkCErrorManager::_registerMessages(set));
        EXPECT_FALSE(VkCErrorManager::_unregisterMessages(set));
    }
    EXPECT_STREQ(lookupMessageTemplate(0x100800), "%3 (%1/%2)");  // module 1 untouched

    static constexpr const char* kWithNull[] = {nullptr};
    static constexpr uint32_t kOneText[] = {0, 1};
    static constexpr uint32_t kDescending[] = {1, 0};
    const VkResText sets[] = {{nullptr, kHostGroupStarts, 2, 0x200000},
                              {kWithNull, kOneText, 1, 0x200000},
                              {kHostTexts, kDescending, 1, 0x200000}};
    for (const VkResText& set : sets) {
        ASSERT_TRUE(VkCErrorManager::_registerMessages(&set));
        EXPECT_STREQ(lookupMessageTemplate(0x200000), "");
        EXPECT_STREQ(lookupMessageTemplate(0x200005), "");
    }
}

}  // namespace
}  // namespace VkNCatalogue
