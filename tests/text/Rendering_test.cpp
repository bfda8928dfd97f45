// Rendering: placeholders filled from typed parameters, hostile format
// strings, the two-line layout held to the formatter piece by piece,
// tab-separated rows and whole lists written to streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"
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

TEST_F(ParameterTextTest, FillsPlaceholdersAndShowsOneParameterAlone) {
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

    // One parameter alone.
    list.setMessage(3, 0, 0, 0, nullptr, 7, 1, 0, uint64_t{0}, "fn", nullptr);
    const std::pair<uint32_t, uint32_t> indices[] = {{0, 1}, {0, 4}, {0, 0}, {1, 4}, {2, 1}, {4, 1}};
    const std::string expected[] = {"42", "abc", kOutOfRange, kOutOfRange, "%1" /* no format string */, ""};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(list.getAdditionalParameterAsString(indices[i].first, indices[i].second), expected[i]) << i;
    }
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

// Module 0x7FF has no row in the module table: its entries keep the module
// numbers they are given, and it has no texts.
constexpr uint32_t kModuleLessCode = 0x7FF00000;

std::string piece(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string piece(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof buffer - 1, format, args);
    va_end(args);
    return std::string(buffer, static_cast<size_t>(length < 1022 ? length : 1022));
}

std::string printed(VkCErrorList& list, uint32_t index) {
    std::string out;
    list.printError(out, index);
    return out;
}

class MessageTextTest : public ::testing::Test {
  protected:
    ~MessageTextTest() override { manager.setTimeStampTickDuration(savedTick); }
    VkCErrorManager& manager = VkCErrorManager::getInstance();
    const double savedTick = manager.getTimeStampTickDuration();
};

TEST_F(MessageTextTest, WorkedExamples) {
    manager.setTimeStampTickDuration(0.002);
    VkCErrorList list(4, 5, 0, 0, nullptr);
    list.setMessage(2, 0, 128, 2, "opened %1", 0x00100402, 57, 3, uint64_t{250}, "openChannel", "%d", 1);
    list.setMessage(1, 0, 0, 0, nullptr, 0, 0, 0, uint64_t{0}, nullptr, "%s", "hello");
    list.setMessage(3, 0, 0, 0, nullptr, 0x00102003, 1277, 0, uint64_t{0}, "VkCErrorList::deSerialize", "%d",
                    -4);
    EXPECT_EQ(printed(list, 0),
              "WARNING , 0x00100402, node 3, time 0.500 sec., module 128/2, in openChannel():57\nopened 1\n");
    EXPECT_EQ(printed(list, 1), "INFO (user) , module 128/1, fcn/line n/a\nhello\n");
    EXPECT_EQ(printed(list, 2),
              "ERROR , 0x00102003, module 128/2, in VkCErrorList::deSerialize():1277\n"
              "Internal error. Varnik Support information: Cannot deserialize buffer. Remaining header bytes "
              "count mismatch (expected 0, actual -4).\n");
    EXPECT_EQ(list.getSubModuleNumber(1), 1u);  // looked-up module numbers are kept
    EXPECT_EQ(list.getErrorText(0), "opened 1");
    EXPECT_EQ(list.getErrorText(3), "%1");  // a free entry renders what it holds: code 0
    EXPECT_EQ(printed(list, 4) + list.getErrorText(4), "");
}

TEST_F(MessageTextTest, HeaderMatchesTheFormatterPieceByPiece) {
    const char* const typeNames[] = {"LOG ",          "INFO ",  "WARNING ",     "ERROR ",
                                     "SEVERE ERROR ", "EVENT ", "UNKNOWN TYPE "};
    const double inf = std::numeric_limits<double>::infinity();
    const double ticks[] = {8.5e-9, 1e-4, -0.5, 1e6, 1e300, 0.0, inf};
    std::mt19937 random(2024);
    auto sometimes = [&random](uint32_t value) { return random() % 3 == 0 ? 0u : value; };
    VkCErrorList list(1, 0, 0, 0, nullptr);
    for (int round = 0; round < 3000 && !HasFailure(); ++round) {
        const uint32_t type = random() % 9 == 8 ? 0xFFFFFFFF : random() % 8;
        const uint32_t code = sometimes(kModuleLessCode | (random() & 0xFFFFF));
        const uint32_t node = sometimes(random());
        const uint64_t stamp = sometimes(random()) * static_cast<uint64_t>(1 + random() % 100000)
                               << (random() % 20);
        const uint32_t mainModule = sometimes(random() % 1000 + 1);
        const uint32_t subModule = random() % 400;
        const size_t nameLengths[] = {0, 1, 63, 64, 65, 200, 1030};
        const std::string name(nameLengths[random() % 7], static_cast<char>('a' + random() % 26));
        const uint32_t line = random();
        const double tick = ticks[random() % 7];
        manager.setTimeStampTickDuration(tick);

        list.reset();
        list.setMessage(type, 0, mainModule, subModule, "t", code, line, node, stamp, name.c_str(), nullptr);
        std::string expected = typeNames[type < 6 ? type : 6];
        expected += code != 0 ? piece(", 0x%08X", code) : "(user) ";
        if (node != 0) expected += piece(", node %u", node);
        if (stamp != 0) expected += piece(", time %4.3f sec.", static_cast<double>(stamp) * tick);
        if (code == 0 && mainModule == 0 && subModule == 0) expected += ", module 128/1";  // looked up
        if (mainModule != 0 || subModule != 0) expected += piece(", module %u/%u", mainModule, subModule);
        expected += name.empty() ? ", fcn/line n/a" : piece(", in %s():%u", name.c_str(), line);
        expected += "\nt\n";
        std::string out = "kept ";
        list.printError(out, 0);
        ASSERT_EQ(out, "kept " + expected) << "round " << round;
    }
}

std::string row(VkCErrorList& list, uint32_t index) {
    std::string out;
    list.getTabbedMessageData(out, index, nullptr);
    return out;
}

TEST(TabbedRowTest, Columns) {
    VkCMessageListPool list(5, 2, 0, 0, nullptr);
    list.setApplicationId(42);
    list.setMessage(3, 0, 128, 2, "sent %1", 0x00100402, 57, 3, uint64_t{250}, "openChannel", "%d", 9);
    EXPECT_EQ(row(list, 0), "Error\t3\t0x2A\t0x00100402\topenChannel:57\t\t250\tMain 128, Sub 2\tsent 9\n");

    list.setApplicationId(0);
    const uint32_t code = 0x7FF00005;  // module 0x7FF has no row: no module numbers
    list.setMessage(9, 0, 0, 0, "t", code, 0, 0, uint64_t{0}, "f", nullptr);
    list.setMessage(5, 0, 0, 0, "t", code, 12, 0, uint64_t{0}, nullptr, nullptr);
    list.setMessage(1, 0, 0, 0, nullptr, 0, 1, 0, uint64_t{0}, "f", "%s", "user text");
    EXPECT_EQ(row(list, 1), "Unknown Type\t\t0x0\t0x7FF00005\tf\t\t0\t\tt\n");
    EXPECT_EQ(row(list, 2), "Event\t\t0x0\t0x7FF00005\t\t\t0\t\tt\n");
    EXPECT_EQ(row(list, 3), "Info\t\t0x0\t(User)\tf:1\t\t0\tMain 128, Sub 1\tuser text\n");
    EXPECT_EQ(row(list, 5), "");

    // A row is one line: every line feed of the string becomes a carriage
    // return, also those of rows appended before.
    list.setMessage(0, 0, 1, 1, "one\ntwo %1\n", 0x5, 1, 0, uint64_t{7}, "f", "%s", "a\nb");
    std::string out = "earlier row\n";
    list.getTabbedMessageData(out, 4, nullptr);
    EXPECT_EQ(out, "earlier row\rLog\t\t0x0\t0x00000005\tf:1\t\t7\tMain 1, Sub 1\tone\rtwo a\rb\r\n");
}

// A stream whose device takes at most `takePerCall` bytes a write.
struct Device {
    size_t takePerCall = 1 << 20;
    int calls = 0;
    std::string received;
};

FILE* openDevice(Device& device, bool unbuffered) {
    cookie_io_functions_t functions{};
    functions.write = [](void* cookie, const char* data, size_t size) -> ssize_t {
        auto& device = *static_cast<Device*>(cookie);
        ++device.calls;
        const size_t taken = std::min(size, device.takePerCall);
        device.received.append(data, taken);
        return static_cast<ssize_t>(taken);
    };
    FILE* stream = fopencookie(&device, "w", functions);
    if (unbuffered) std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

// An empty list writes nothing and flushes nothing; a list reaches the
// stream in one block of exactly its rendered text.
TEST(ListPrintTest, OneBlockPerListAndNothingForAnEmptyOne) {
    VkCErrorList list(3, 2, 0, 0, nullptr);
    Device device;
    FILE* stream = openDevice(device, false);
    std::fputs("pending|", stream);  // a flush would hand this to the device
    list.print(stream, false);
    list.print(nullptr, false);
    EXPECT_EQ(device.calls, 0);

    list.setMessage(3, 0, 1, 1, "first %1\nsecond line", 0x5, 10, 0, uint64_t{0}, "f", "%d", 1);
    list.setMessage(2, 0, 1, 1, "other", 0x6, 11, 0, uint64_t{0}, "g", nullptr);
    std::string plain;
    list.printError(plain, 0);
    list.printError(plain, 1);
    list.print(stream, false);
    EXPECT_EQ(device.calls, 1);
    EXPECT_EQ(device.received, "pending|" + plain);
    device.received.clear();
    list.print(stream, true);
    EXPECT_EQ(device.received, row(list, 0) + row(list, 1));
    std::fclose(stream);
}

// An unbuffered stream hands each block write straight to its device: a
// short write is continued behind what was taken, five writes at most, and
// the rest is dropped.
TEST(ListPrintTest, ShortWritesAreRetriedAtMostFiveTimes) {
    VkCErrorList list(1, 0, 0, 0, nullptr);
    list.setMessage(3, 0, 1, 1, "a text longer than thirty characters", 0x5, 10, 0, uint64_t{0}, "f",
                    nullptr);
    std::string plain;
    list.printError(plain, 0);
    for (size_t takePerCall : {size_t{3}, size_t{0}, plain.size() / 4}) {
        Device device;
        device.takePerCall = takePerCall;
        FILE* stream = openDevice(device, true);
        list.print(stream, false);
        std::fclose(stream);
        EXPECT_EQ(device.calls, takePerCall == plain.size() / 4 && plain.size() % 4 == 0 ? 4 : 5)
            << takePerCall;
        EXPECT_EQ(device.received, plain.substr(0, 5 * takePerCall)) << takePerCall;
    }
}

}  // namespace
