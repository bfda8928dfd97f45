// Filling placeholders from an entry's typed parameters, and the rendering of
// hostile format strings.

#include <gtest/gtest.h>

#include <cstdarg>
#include <random>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "text/FormattedPiece.h"

namespace {

const std::string kNoText = "< no error description or additional data available >";
const std::string kNoDescriptors =
    "< invalid message composition: format string and error text are present, but the format string "
    "contains no format descriptors! >";
const std::string kOutOfRange = "< invalid message template: parameter index is out of range! >";

// Entry 0 holds 42, -7, 2.5, "abc" and the 64-bit 255; entry 1 the 64-bit 0
// and -1 and the 32-bit -1.
class ParameterTextTest : public ::testing::Test {
  protected:
    ParameterTextTest() : list(4, 10, 0, 0, nullptr) {
        list.setMessage(3, 0, 0, 0, nullptr, 5, 1, 0, uint64_t{0}, "fn", "%d%d%f%s%lld", 42, -7, 2.5, "abc",
                        255LL);
        list.setMessage(3, 0, 0, 0, nullptr, 6, 1, 0, uint64_t{0}, "fn", "%lld%lld%d", 0LL, -1LL, -1);
    }
    std::string render(const char* text, const char* format, uint32_t index = 0) const {
        std::string out;
        list.printParameter(out, index, text, format);
        return out;
    }
    VkCErrorList list;
};

TEST_F(ParameterTextTest, FillsPlaceholders) {
    struct Case {
        const char* text;
        const char* format;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"a=%1 b=%2", "%08X%d", "a=0000002A b=-7"},
        {"%2 before %1, %1 again", "%08X%d", "-7 before 0000002A, 0000002A again"},
        {"[%3|%4|%5]", "%d%d%4.2f%-20s%p", "[2.50|abc|0xff]"},  // no field width for strings
        {"[%5|%1|%2]", "%o%ld%f%s%zu", "[255|52|-7]"},          // "z" reads 64 bits; "%o" octal
        {"100%% of %1, 50% and a % b%", "%d", "100% of 42, 50% and a % b%"},
        {"[%1][%2]", "%d,%d", "[][-7]"},  // "%d," has no class; the next one still counts
        // A parameter whose slot doesn't match its descriptor's class shows nothing.
        {"[%1|%3|%4|%5]", "%f%d%d%d%d", "[|||]"},
        // The number is read like scanf's %u, but the placeholder is the "%"
        // and one character.
        {"[%+1|%\t1]", "%d", "[421|421]"},
        {"x %1 y %6 z", "%d%d%d%d%d%d%d", "x 42 y " + kOutOfRange},  // only five descriptors count
        {"%12", "%d%d", kOutOfRange},
        {"keep %s", "%d", "keep " + kOutOfRange},
        {"%0", "%d", kOutOfRange},
        {"%-1", "%d", kOutOfRange},
        {"%99999999999999999999", "%d", kOutOfRange},
        {"", "%d", kNoText},
        {"as is %1 100%%", "", "as is %1 100%%"},
        {"%1", "% d", kNoDescriptors},
        {"%1", "%c%c", ""},
        // Pieces through the formatter are cut to 1022 characters; text isn't.
        {"%1|", "%2000d", std::string(1022, ' ') + "|"},
        {"%3", "%d%d%.2147483647f", "2.5" + std::string(1019, '0')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render(c.text, c.format), c.expected) << c.text << " / " << c.format;
    EXPECT_EQ(render("%1 %2 %3", "%p%llx%lx", 1), "0x0 ffffffffffffffff ffffffff");
    EXPECT_EQ(render("[%1]", "%d", 3), "[]");  // a free entry
    EXPECT_EQ(render("[%1]", "%d", 4), "[]");  // beyond the capacity
    EXPECT_EQ(render(nullptr, "%d") + render("%1", nullptr), "");

    std::string out = "kept ";
    list.printParameter(out, 0, std::string(3000, 'x').append("%4").c_str(), "%d%d%d%s");
    EXPECT_EQ(out, "kept " + std::string(3000, 'x') + "abc");
}

TEST_F(ParameterTextTest, OneParameterAlone) {
    list.setMessage(3, 0, 0, 0, nullptr, 7, 1, 0, uint64_t{0}, "fn", "");
    EXPECT_EQ(list.getAdditionalParameterAsString(0, 1), "42");
    EXPECT_EQ(list.getAdditionalParameterAsString(0, 4), "abc");
    EXPECT_EQ(list.getAdditionalParameterAsString(0, 0), kOutOfRange);
    EXPECT_EQ(list.getAdditionalParameterAsString(1, 4), kOutOfRange);
    EXPECT_EQ(list.getAdditionalParameterAsString(2, 1), "%1");  // no format string
    EXPECT_EQ(list.getAdditionalParameterAsString(4, 1), "");    // beyond the capacity
}

// Descriptors built from pieces a hostile or careless sender might use. One
// whose kept part (19 characters) holds a piece no safe conversion contains
// renders as nothing; none exceeds the cut. The sanitizer builds watch the rest.
TEST_F(ParameterTextTest, HostileDescriptorsRenderSafely) {
    const std::vector<std::vector<std::string>> pieces = {
        {"", "-", "+", "#", "0", "-0+#"},
        {"", "7", "*", "2147483647", "99999999999", "1$"},
        {"", ".", ".3", ".*", ".2147483647"},
        {"", "h", "hh", "l", "ll", "lll", "z", "j", "t", "L", "q", "I64"},
        {"d", "u", "x", "o", "f", "e", "g", "p", "s", "n", "c", "a"},
        {"", "d", "n", "s", "$", "*"}};
    std::vector<std::string> descriptors = {"%*d", "%1$d", "%n", "%nd", "%sd", "%ls", "%Lf", "%hn", "%5$s"};
    std::mt19937 random(2024);
    for (int i = 0; i < 400; ++i) {
        std::string descriptor = "%";
        for (const auto& choices : pieces) descriptor += choices[random() % choices.size()];
        descriptors.push_back(descriptor);
    }
    for (const std::string& descriptor : descriptors) {
        const std::string kept = descriptor.substr(0, 19);
        const bool hostile = kept.find_first_of("*$njtLqI", 1) != std::string::npos;
        std::string format;
        for (int parameter = 1; parameter <= 5; ++parameter) {
            const std::string out =
                render(("%" + std::to_string(parameter)).c_str(), (format + descriptor).c_str());
            EXPECT_LE(out.size(), 1022u) << descriptor;
            if (hostile && !(kept.back() == 's' && parameter == 4)) {
                EXPECT_EQ(out, "") << descriptor;
            }
            format += "%d";
        }
    }
}

TEST(FormattedPieceTest, AFormatterFailureIsReportedAndReplaced) {
    const wchar_t unencodable[] = {static_cast<wchar_t>(0xD800), 0};  // makes vsnprintf fail
    VkNText::VkCTextBuilder text;
    text.append("kept ", 5);
    testing::internal::CaptureStdout();
    EXPECT_LT(VkNText::appendFormatted(text, "%ls", unencodable), 0);
    const std::string notice = testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::string(text.data(), text.size()),
              "kept ERROR HANDLING: [ERROR] Print error list failed. Copy string to local buffer failed. See "
              "log file further informations.");
    EXPECT_EQ(notice.rfind("ERROR HANDLING: [ERROR] Print error list failed. Copy string to local buffer "
                           "(size: 1024) failed. Processed string: ",
                           0),
              0u);
    EXPECT_EQ(notice.back(), '\n');
}

}  // namespace
