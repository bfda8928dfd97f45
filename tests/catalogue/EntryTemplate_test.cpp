#include <gtest/gtest.h>

#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/MessageCodes.h"
#include "list/ErrorEntry.h"

namespace VkNCatalogue {
namespace {

// An entry renders with its stored template, else (unless it is an EVENT)
// with the catalogue text of its code; a zeroed entry (code 0, type LOG)
// reads as a user message, and an index at the capacity has none.
TEST(EntryTemplateTest, StoredTemplateFirstThenTheCatalogueExceptForEvents) {
    const char* overflow =
        "Message buffer overflow. Messages were dropped because there is no space in the message buffer.";
    const struct {
        uint32_t type;
        const char* stored;
        const char* expected;
    } rows[] = {{kTypeError, nullptr, overflow},
                {kTypeError, "own %1", "own %1"},
                {kTypeEvent, nullptr, ""},
                {kTypeEvent, "event %1", "event %1"}};
    VkCErrorList list(5, 2, 0, 0, nullptr);
    for (uint32_t i = 0; i < 4; ++i) {
        list.setErrorCode(i, kCodeListOverflow);
        list.setMessageType(i, rows[i].type);
        list.setMessageTemplate(i, rows[i].stored);
        EXPECT_STREQ(list.getMessageTemplate(i), rows[i].expected) << i;
        EXPECT_STREQ(VkErrorListAccess::getMessageTemplateInt(list, i), rows[i].stored ? rows[i].stored : "");
    }
    EXPECT_STREQ(list.getMessageTemplate(4), "%1");
    EXPECT_STREQ(VkErrorListAccess::getMessageTemplateInt(list, 4), "");
    EXPECT_EQ(list.getMessageTemplate(5), nullptr);
    EXPECT_EQ(VkErrorListAccess::getMessageTemplateInt(list, 5), nullptr);
}

}  // namespace
}  // namespace VkNCatalogue
