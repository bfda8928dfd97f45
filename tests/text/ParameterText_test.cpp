// Filling placeholders from an entry's typed parameters, and the rendering of
// hostile format strings.

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "text/FormattedPiece.h"

namespace {

const char kNoDescription[] = "< no error description or additional data available >";
const char kNoDescriptors[] =
    "< invalid message composition: format string and error text are present, but the format string "
    "contains no format descriptors! >";
const char kOutOfRange[] = "< invalid message template: parameter index is out of range! >";

// Entry 0 holds the parameters 42, -7, 2.5, "abc" and the 64-bit 255;
// entry 1 holds the 64-bit 0 and -1 and the 32-bit -1.
class ParameterTextTest : public ::testing::Test {
  protected:
    ParameterTextTest() : list(4, 10, 0, 0, nullptr) {
        list.setMessage(3, 0, 0, 0, nullptr, 5, 1, 0, uint64_t{0}, "fn", "");
        list.addAdditionalParameter(0, int32_t{42});
        list.addAdditionalParameter(0, int32_t{-7});
        list.addAdditionalParameter(0, 2.5);
        list.addAdditionalParameter(0, "abc");
        list.addAdditionalParameter(0, int64_t{255});
        list.setMessage(3, 0, 0, 0, nullptr, 6, 1, 0, uint64_t{0}, "fn", "");
        list.addAdditionalParameter(1, int64_t{0});
        list.addAdditionalParameter(1, int64_t{-1});
        list.addAdditionalParameter(1, int32_t{-1});
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
        {"%2 before %1", "%08X%d", "-7 before 0000002A"},  // each keeps its own descriptor
        {"%1/%1", "%d", "42/42"},
        {"[%3]", "%d%d%4.2f", "[2.50]"},
        {"[%4]", "%d%d%f%-20s", "[abc]"},  // no field width for strings
        {"[%4]", "%d%d%f%.1s", "[abc]"},
        {"100%% of %1", "%d", "100% of 42"},
        {"50%", "%d", "50%"},
        {"a % b %1", "%d", "a % b 42"},
        {"[%5]", "%d%d%f%s%p", "[0xff]"},
        {"[%5]", "%d%d%f%s%zu", "[255]"},  // z reads the 64-bit slot
        {"[%1]", "%o", "[52]"},
        {"[%2]", "%d%ld", "[-7]"},
        {"[%1][%2]", "%d,%d", "[][-7]"},  // "%d," has no class; the next one still counts
        // A parameter that doesn't match its descriptor's class shows nothing.
        {"[%1]", "%f", "[]"},
        {"[%3]", "%d%d%d", "[]"},
        {"[%5]", "%d%d%f%s%d", "[]"},
        {"[%4]", "%d%d%f%d", "[]"},
        {"[%1]", "%c", "[]"},
        // The number after "%" is read like scanf's %u; the placeholder is
        // still only the "%" and one character.
        {"[%+1]", "%d", "[421]"},
        {"[%\t1]", "%d", "[421]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render(c.text, c.format), c.expected) << c.text << " / " << c.format;

    EXPECT_EQ(render("%1 %2 %3", "%p%llx%lx", 1), "0x0 ffffffffffffffff ffffffff");
}

TEST_F(ParameterTextTest, BadPlaceholdersEndTheTextWithADiagnostic) {
    struct Case {
        const char* text;
        const char* format;
        std::string expected;
    };
    const std::string outOfRange = kOutOfRange;
    const std::vector<Case> cases = {
        {"x %1 y %6 z", "%d%d%d%d%d%d%d", "x 42 y " + outOfRange},  // only five descriptors count
        {"%7", "%d%d%d%d%d%d%d", outOfRange},
        {"%12", "%d%d", outOfRange},
        {"keep %s", "%d", "keep " + outOfRange},
        {"%0", "%d", outOfRange},
        {"%-1", "%d", outOfRange},
        {"%2", "%d", outOfRange},
        {"%99999999999999999999", "%d", outOfRange},
    };
    for (const Case& c : cases) EXPECT_EQ(render(c.text, c.format), c.expected) << c.text;
}

TEST_F(ParameterTextTest, MissingPiecesAndBadIndices) {
    EXPECT_EQ(render("", "%d"), kNoDescription);
    EXPECT_EQ(render("as is %1 100%%", ""), "as is %1 100%%");
    EXPECT_EQ(render("%1", "% d"), kNoDescriptors);
    EXPECT_EQ(render("%1", "abc"), kNoDescriptors);
    EXPECT_EQ(render(nullptr, "%d"), "");
    EXPECT_EQ(render("%1", nullptr), "");
    EXPECT_EQ(render("[%1]", "%d", 4), "[]");  // beyond the capacity
    EXPECT_EQ(render("[%1]", "%d", 3), "[]");  // a free entry has no parameters

    std::string out = "before ";
    list.printParameter(out, 0, "%1", "%d");
    EXPECT_EQ(out, "before 42");
}

TEST_F(ParameterTextTest, NumericPiecesAreCutAt1022Characters) {
    EXPECT_EQ(render("%1", "%2000d"), std::string(1022, ' '));
    EXPECT_EQ(render("%1|", "%-1100d"), "42" + std::string(1020, ' ') + "|");
    const std::string fixed = render("%3", "%d%d%.2147483647f");
    EXPECT_EQ(fixed, "2.5" + std::string(1019, '0'));
    // Strings and the text itself are not cut.
    VkCErrorList longList(1, 2, 0, 0, nullptr);
    longList.setMessage(0, 0, 0, 0, nullptr, 1, 1, 0, uint64_t{0}, "fn", "");
    const std::string text(3000, 'x');
    longList.addAdditionalParameter(0, text.c_str());
    std::string out;
    longList.printParameter(out, 0, (text + "%1").c_str(), "%s");
    EXPECT_EQ(out, text + text);
}

TEST_F(ParameterTextTest, OneParameterAlone) {
    VkCErrorList recorded(3, 5, 0, 0, nullptr);
    recorded.setError(7, 1, "fn", "%08X%d%s", 42, -3, "name");
    recorded.setMessage(0, 0, 0, 0, nullptr, 8, 1, 0, uint64_t{0}, "fn", "");
    recorded.addAdditionalParameter(1, int32_t{5});

    EXPECT_EQ(recorded.getAdditionalParameterAsString(0, 1), "0000002A");
    EXPECT_EQ(recorded.getAdditionalParameterAsString(0, 2), "-3");
    EXPECT_EQ(recorded.getAdditionalParameterAsString(0, 3), "name");
    EXPECT_EQ(recorded.getAdditionalParameterAsString(0, 0), kOutOfRange);
    EXPECT_EQ(recorded.getAdditionalParameterAsString(0, 4), kOutOfRange);
    EXPECT_EQ(recorded.getAdditionalParameterAsString(1, 1), "%1");  // no format string
    EXPECT_EQ(recorded.getAdditionalParameterAsString(3, 1), "");    // beyond the capacity
}

// Descriptors built from the pieces a hostile or careless sender might use.
// Those with a piece no safe conversion contains must render as nothing, and
// no piece may exceed the cut length; the sanitizer builds watch for the rest.
TEST_F(ParameterTextTest, HostileDescriptorsRenderSafely) {
    const std::vector<std::string> flags = {"", "-", "+", "#", "0", "-0+#"};
    const std::vector<std::string> widths = {"", "7", "*", "2147483647", "99999999999", "1$"};
    const std::vector<std::string> precisions = {"", ".", ".3", ".*", ".2147483647"};
    const std::vector<std::string> lengths = {"",  "h", "hh", "l", "ll", "lll",
                                              "z", "j", "t",  "L", "q",  "I64"};
    const std::vector<std::string> letters = {"d", "u", "x", "o", "f", "e", "g", "p", "s", "n", "c", "a"};
    const std::vector<std::string> tails = {"", "d", "n", "s", "$", "*"};

    std::mt19937 random(2024);
    auto pick = [&random](const std::vector<std::string>& pieces) -> const std::string& {
        return pieces[random() % pieces.size()];
    };
    std::vector<std::string> descriptors = {"%*d", "%1$d", "%n",  "%nd",   "%sd", "%ls",  "%Lf", "%.*f",
                                            "%jd", "%td",  "%qd", "%I64d", "%hn", "%lln", "%5$s"};
    for (int i = 0; i < 400; ++i) {
        descriptors.push_back("%" + pick(flags) + pick(widths) + pick(precisions) + pick(lengths) +
                              pick(letters) + pick(tails));
    }
    for (const std::string& descriptor : descriptors) {
        // Only the first 19 characters of a descriptor are kept.
        const std::string kept = descriptor.substr(0, 19);
        const bool hostile = kept.find_first_of("*$njtLqI", 1) != std::string::npos;
        for (uint32_t parameter = 1; parameter <= 5; ++parameter) {
            // Parameter `parameter` of entry 0 under this descriptor.
            std::string format;
            for (uint32_t k = 1; k < parameter; ++k) format += "%d";
            format += descriptor;
            const std::string text = "%" + std::to_string(parameter);
            const std::string out = render(text.c_str(), format.c_str());
            EXPECT_LE(out.size(), 1022u) << descriptor;
            const bool stringRendering = kept.back() == 's' && parameter == 4;
            if (hostile && !stringRendering) {
                EXPECT_EQ(out, "") << descriptor << " parameter " << parameter;
            }
        }
    }
}

std::string captureStdout(const std::function<void()>& action) {
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

int32_t appendFormatted(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int32_t result = VkNText::appendFormattedV(out, format, args);
    va_end(args);
    return result;
}

TEST(FormattedPieceTest, AppendsCutsAndReportsFailures) {
    std::string out = "x";
    EXPECT_EQ(appendFormatted(out, "%p", 255ULL), 4);
    EXPECT_EQ(appendFormatted(out, " [%p]", static_cast<void*>(nullptr)),
              8);  // only a lone "%p" is rewritten
    EXPECT_EQ(out, "x0xff [(nil)]");

    out.clear();
    EXPECT_EQ(appendFormatted(out, "%1500d", 1), 1500);
    EXPECT_EQ(out, std::string(1022, ' '));

    // A wide string that can't be encoded makes the formatter fail.
    const wchar_t unencodable[] = {static_cast<wchar_t>(0xD800), 0};
    out = "kept ";
    int32_t result = 0;
    const std::string notice = captureStdout([&] { result = appendFormatted(out, "%ls", unencodable); });
    EXPECT_LT(result, 0);
    EXPECT_EQ(out,
              "kept ERROR HANDLING: [ERROR] Print error list failed. Copy string to local buffer failed. See "
              "log file further informations.");
    EXPECT_EQ(notice.rfind("ERROR HANDLING: [ERROR] Print error list failed. Copy string to local buffer "
                           "(size: 1024) failed. Processed string: ",
                           0),
              0u);
    EXPECT_EQ(notice.back(), '\n');
}

}  // namespace
