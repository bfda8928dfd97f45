// Splitting format strings into descriptors, and the check that lets only
// one safe conversion per descriptor reach the formatter.

#include "text/FormatDescriptor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <tuple>
#include <utility>

namespace {

// The descriptors found, as "descriptor:class" joined by blanks. The views
// left in place must find exactly what the copies hold.
std::string split(const char* format) {
    char descriptors[VkNText::kMaxDescriptors][VkNText::kDescriptorSize];
    uint32_t classes[VkNText::kMaxDescriptors];
    std::memset(descriptors, 'X', sizeof descriptors);  // left from an earlier use
    std::fill(std::begin(classes), std::end(classes), 9u);
    const uint32_t count = VkNText::parseFormatDescriptors(format, descriptors, classes);
    VkNText::VkSDescriptorView views[VkNText::kMaxDescriptors];
    EXPECT_EQ(VkNText::findFormatDescriptors(format, views), count) << format;
    std::string result;
    for (uint32_t i = 0; i < count; ++i) {
        result += (i == 0 ? "" : " ") + std::string(descriptors[i]) + ":" + std::to_string(classes[i]);
        EXPECT_EQ(std::string(views[i].start, views[i].length), descriptors[i]) << format;
        EXPECT_EQ(views[i].descriptorClass, classes[i]) << format;
        // Parsed in place, where the format string goes on behind it, as from its copy.
        for (uint32_t c = 1; c <= 4; ++c) {
            VkNText::VkSConversion a, b;
            const bool accepted = VkNText::parseConversion(views[i].start, views[i].length, c, a);
            EXPECT_EQ(accepted, VkNText::parseConversion(descriptors[i], c, b)) << format;
            EXPECT_TRUE(!accepted ||
                        std::tie(a.flags, a.hasWidth, a.width, a.hasPrecision, a.precision, a.length,
                                 a.conversion) == std::tie(b.flags, b.hasWidth, b.width, b.hasPrecision,
                                                           b.precision, b.length, b.conversion))
                << format;
        }
    }
    for (uint32_t i = count; format != nullptr && i < VkNText::kMaxDescriptors; ++i) {
        if (descriptors[i][0] != '\0' || classes[i] != 0) result += " <stale field>";
    }
    return result;
}

TEST(FormatDescriptorTest, SplitsAndClassifies) {
    const char* const cases[][2] = {
        {"%08X%d%d", "%08X:1 %d:1 %d:1"},
        {"%lld%zu%p%llx%o", "%lld:4 %zu:4 %p:4 %llx:4 %o:1"},
        {"%ld%hd%5.2f%-20s%c", "%ld:1 %hd:1 %5.2f:2 %-20s:3 %c:0"},
        {"%%d", "%d:1"},  // the first "%" is passed over
        {"% d", ""},
        {"%d,%s", "%d,:0 %s:3"},  // a descriptor runs to the next blank or "%"
        {"%d %s", "%d:1 %s:3"},
        {"%d%d%d%d%d%d%d", "%d:1 %d:1 %d:1 %d:1 %d:1"},
        {"%0000000000000000000012d%u", "%000000000000000000:0 %u:1"},  // 19 characters at most
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c[0]), c[1]) << c[0];
    EXPECT_EQ(split(nullptr), "");
    std::mt19937 random(99);
    for (int i = 0; i < 2000; ++i) {
        std::string format;
        for (size_t n = random() % 40; n > 0; --n) format += "%% 0-.9lhzdspfx,"[random() % 16];
        split(format.c_str());
    }
}

std::string rebuild(const char* descriptor, uint32_t descriptorClass) {
    VkNText::VkSConversion conversion;
    if (!VkNText::parseConversion(descriptor, descriptorClass, conversion)) return "<rejected>";
    char format[VkNText::kConversionFormatSize];
    VkNText::buildConversionFormat(conversion, format);
    return format;
}

TEST(FormatDescriptorTest, OnlyOneMatchingConversionPassesAndIsBounded) {
    struct Case {
        const char* descriptor;
        uint32_t descriptorClass;
        const char* rebuilt;
    };
    const Case accepted[] = {
        {"%0-5d", 1, "%-05d"},
        {"%+ #o", 1, "%+ #o"},
        {"%hhu", 1, "%hhu"},
        {"%-18p", 4, "%-18p"},
        // "l" named a 32-bit long where these texts come from: "%lx" of -1
        // must print eight digits. "z" is 64 bits here, like "ll".
        {"%lx", 1, "%x"},
        {"%zu", 4, "%llu"},
        {"%lf", 2, "%f"},
        {"%.f", 2, "%.0f"},
        // Clamped widths and precisions keep every piece's cost bounded.
        {"%99999999d", 1, "%1100d"},
        {"%.2147483647f", 2, "%.1100f"},
        {"%1101.1100e", 2, "%1100.1100e"},
    };
    for (const Case& c : accepted)
        EXPECT_EQ(rebuild(c.descriptor, c.descriptorClass), c.rebuilt) << c.descriptor;

    const std::pair<const char*, uint32_t> rejected[] = {
        {"%*d", 1},   {"%.*f", 2}, {"%1$d", 1}, {"%nd", 1},   {"%sd", 1},   {"%Lf", 2},
        {"%jd", 1},   {"%td", 1},  {"%qd", 1},  {"%I64d", 1}, {"%lllx", 4}, {"%lzd", 4},
        {"%5d5d", 1}, {"%hf", 2},  {"%lld", 1}, {"%ld", 4},   {"%s", 3},    {"%", 1},
        {"%#d", 1},   {"%05p", 4}, {"%.3p", 4}, {"%f", 1},    {"%d", 2},    {"d", 1},
    };
    for (const auto& [descriptor, descriptorClass] : rejected) {
        EXPECT_EQ(rebuild(descriptor, descriptorClass), "<rejected>") << descriptor;
    }
}

}  // namespace
