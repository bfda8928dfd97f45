#include "catalogue/TextCatalogue.h"

#include <gtest/gtest.h>

#include <string>

#include "VkErrorHandling/VkCErrorManager.h"
#include "catalogue/LibraryTexts.h"

namespace VkNCatalogue {
namespace {

struct CodeText {
    uint32_t code;
    const char* text;
};

// Every text the library carries, each written out in one piece so that a
// slip in how the library's own table splits its long strings shows up here.
constexpr CodeText kOwnTexts[] = {
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
    // clang-format on
    // The null-release and failed-allocation reports read as the built-in
    // texts that describe them; the next code of the group stays in module 1.
    {0x100400, "Internal error. Varnik Support information: NULL pointer error."},
    {0x100401, "Memory allocation failed. Probably not enough memory available for requested operation."},
    {0x100402, "Internal error. Varnik Support information: Cannot create message buffer."},
    // Outside module 0 the built-in flag plays no part.
    {0x100403, "Internal error. Varnik Support information: Master message list contains errors."},
    {0x100C00, "%3 (%1/%2)"},
};

TEST(TextCatalogueTest, EveryOwnTextMatchesItsCode) {
    for (const CodeText& entry : kOwnTexts) {
        EXPECT_STREQ(lookupMessageTemplate(entry.code), entry.text) << std::hex << entry.code;
    }
}

TEST(TextCatalogueTest, MissesGiveEmptyText) {
    const uint32_t misses[] = {
        0x40A,       // past the last built-in text
        0x7FF,       // highest built-in index
        0x000001,    // module 0 has a single text
        0x000800,    // and a single group
        0x100006,    // group 0 of module 1 holds 6 texts
        0x101000,    // group 2 is empty
        0x10200C,    // group 4 holds 12 texts
        0x106000,    // module 1 has 12 groups
        0x1FF800,    // highest group
        0x200000,    // module 2 has no set registered
        0x1A00000,   // module 26 has no row
        0x80100004,  // bit 31 set: no module
        0x80000400,  // not a built-in text either
    };
    for (uint32_t code : misses) EXPECT_STREQ(lookupMessageTemplate(code), "") << std::hex << code;
}

// Text set of a host module; restores whatever the tests replaced.
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

TEST_F(TextSetRegistrationTest, HostSetServesItsCodesWhileRegistered) {
    ASSERT_TRUE(VkCErrorManager::_registerMessages(&kHostSet));
    EXPECT_STREQ(lookupMessageTemplate(0x200000), "host %1");
    EXPECT_STREQ(lookupMessageTemplate(0x200001), "host second");
    EXPECT_STREQ(lookupMessageTemplate(0x200800), "group one %2");
    EXPECT_STREQ(lookupMessageTemplate(0x200002), "");
    EXPECT_STREQ(lookupMessageTemplate(0x201000), "");

    ASSERT_TRUE(VkCErrorManager::_unregisterMessages(&kHostSet));
    EXPECT_STREQ(lookupMessageTemplate(0x200000), "");
}

TEST_F(TextSetRegistrationTest, RegistrationNeedsAModuleRowKey) {
    const VkResText module26 = {kHostTexts, kHostGroupStarts, 2, 0x1A00000};
    const VkResText withIndexBit = {kHostTexts, kHostGroupStarts, 2, 0x100001};
    for (const VkResText* set : {static_cast<const VkResText*>(nullptr), &module26, &withIndexBit}) {
        EXPECT_FALSE(VkCErrorManager::_registerMessages(set));
        EXPECT_FALSE(VkCErrorManager::_unregisterMessages(set));
    }
    // A refused registration must not have touched module 1's texts.
    EXPECT_STREQ(lookupMessageTemplate(0x100800), "%3 (%1/%2)");
}

TEST_F(TextSetRegistrationTest, ReplacingAndUnregisteringModuleOne) {
    const VkResText replacement = {kHostTexts, kHostGroupStarts, 2, 0x100000};
    ASSERT_TRUE(VkCErrorManager::_registerMessages(&replacement));
    EXPECT_STREQ(lookupMessageTemplate(0x100000), "host %1");
    // Unregistering clears the row whichever set is registered there.
    ASSERT_TRUE(VkCErrorManager::_unregisterMessages(&libraryTextSet()));
    EXPECT_STREQ(lookupMessageTemplate(0x100000), "");
    // The two reports keep their built-in texts even without module 1's set.
    EXPECT_STREQ(lookupMessageTemplate(0x100401), lookupMessageTemplate(0x401));
}

TEST_F(TextSetRegistrationTest, MalformedSetsGiveEmptyText) {
    static constexpr const char* kWithNull[] = {nullptr};
    static constexpr uint32_t kDescending[] = {1, 0};
    const VkResText nullTexts = {nullptr, kHostGroupStarts, 2, 0x200000};
    static constexpr uint32_t kOneText[] = {0, 1};
    const VkResText nullText = {kWithNull, kOneText, 1, 0x200000};
    const VkResText descending = {kHostTexts, kDescending, 1, 0x200000};
    for (const VkResText* set : {&nullTexts, &nullText, &descending}) {
        ASSERT_TRUE(VkCErrorManager::_registerMessages(set));
        EXPECT_STREQ(lookupMessageTemplate(0x200000), "");
        EXPECT_STREQ(lookupMessageTemplate(0x200005), "");
    }
}

}  // namespace
}  // namespace VkNCatalogue
