#include <gtest/gtest.h>

#include "VkErrorHandling/VkCErrorList.h"
#include "catalogue/MessageCodes.h"
#include "list/ErrorEntry.h"

namespace VkNCatalogue {
namespace {

constexpr const char* kOverflowText =
    "Message buffer overflow. Messages were dropped because there is no space in the message buffer.";

class EntryTemplateTest : public ::testing::Test {
  protected:
    EntryTemplateTest() : list_(3, 2, 0, 0, nullptr) {}
    VkCErrorList list_;
};

TEST_F(EntryTemplateTest, IndexAtCapacityGivesNullAndAFreshEntryReadsAsUserMessage) {
    EXPECT_EQ(list_.getMessageTemplate(3), nullptr);
    EXPECT_EQ(VkErrorListAccess::getMessageTemplateInt(list_, 3), nullptr);
    // A zeroed entry has code 0 and type LOG: the user-message text.
    EXPECT_STREQ(list_.getMessageTemplate(2), "%1");
    EXPECT_STREQ(VkErrorListAccess::getMessageTemplateInt(list_, 2), "");
}

TEST_F(EntryTemplateTest, StoredTemplateWinsOverTheCatalogue) {
    list_.setErrorCode(0, kCodeListOverflow);
    EXPECT_STREQ(list_.getMessageTemplate(0), kOverflowText);
    list_.setMessageTemplate(0, "own %1");
    EXPECT_STREQ(list_.getMessageTemplate(0), "own %1");
    EXPECT_STREQ(VkErrorListAccess::getMessageTemplateInt(list_, 0), "own %1");
}

TEST_F(EntryTemplateTest, EventNeverTakesACatalogueText) {
    list_.setErrorCode(0, kCodeListOverflow);
    list_.setMessageType(0, kTypeEvent);
    EXPECT_STREQ(list_.getMessageTemplate(0), "");
    list_.setMessageTemplate(0, "event %1");
    EXPECT_STREQ(list_.getMessageTemplate(0), "event %1");

    list_.setMessageTemplate(0, nullptr);
    list_.setMessageType(0, kTypeError);
    EXPECT_STREQ(list_.getMessageTemplate(0), kOverflowText);
}

}  // namespace
}  // namespace VkNCatalogue
