// Splitting format strings into descriptors, and the check that lets only
// one safe conversion per descriptor reach the formatter.

#include "text/FormatDescriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using VkNText::kClassDouble;
using VkNText::kClassInt32;
using VkNText::kClassInt64;
using VkNText::kClassString;
using VkNText::kClassUnrecognised;

struct Parsed {
    std::vector<std::string> descriptors;
    std::vector<uint32_t> classes;
};

Parsed parse(const char* format) {
    char descriptors[VkNText::kMaxDescriptors][VkNText::kDescriptorSize];
    uint32_t classes[VkNText::kMaxDescriptors];
    const uint32_t count = VkNText::parseFormatDescriptors(format, descriptors, classes);
    Parsed parsed;
    for (uint32_t i = 0; i < count; ++i) {
        parsed.descriptors.emplace_back(descriptors[i]);
        parsed.classes.push_back(classes[i]);
    }
    for (uint32_t i = count; i < VkNText::kMaxDescriptors; ++i) {
        EXPECT_STREQ(descriptors[i], "") << format;
        EXPECT_EQ(classes[i], kClassUnrecognised) << format;
    }
    return parsed;
}

TEST(FormatDescriptorTest, SplitsAndClassifies) {
    struct Case {
        const char* format;
        std::vector<std::string> descriptors;
        std::vector<uint32_t> classes;
    };
    const std::vector<Case> cases = {
        {"%08X%d%d", {"%08X", "%d", "%d"}, {kClassInt32, kClassInt32, kClassInt32}},
        {"%d%08X%08X", {"%d", "%08X", "%08X"}, {kClassInt32, kClassInt32, kClassInt32}},
        {"%lld%zu%p%llx",
         {"%lld", "%zu", "%p", "%llx"},
         {kClassInt64, kClassInt64, kClassInt64, kClassInt64}},
        {"%ld%hd%o%5.2f%-20s",
         {"%ld", "%hd", "%o", "%5.2f", "%-20s"},
         {kClassInt32, kClassInt32, kClassInt32, kClassDouble, kClassString}},
        // "%%" passes over the first "%"; a "%" before a blank starts nothing.
        {"%%d", {"%d"}, {kClassInt32}},
        {"% d", {}, {}},
        {"%", {}, {}},
        // A descriptor runs to the next blank or "%", not to its letter.
        {"%d,%s", {"%d,", "%s"}, {kClassUnrecognised, kClassString}},
        {"%d %s", {"%d", "%s"}, {kClassInt32, kClassString}},
        {"%d%d%d%d%d%d%d", {"%d", "%d", "%d", "%d", "%d"}, std::vector<uint32_t>(5, kClassInt32)},
        // 19 characters at most; the scan goes on where the copy stopped.
        {"%0000000000000000000012d%u", {"%000000000000000000", "%u"}, {kClassUnrecognised, kClassInt32}},
        {"%c%n%a", {"%c", "%n", "%a"}, {kClassUnrecognised, kClassUnrecognised, kClassUnrecognised}},
        {"", {}, {}},
    };
    for (const Case& c : cases) {
        const Parsed parsed = parse(c.format);
        EXPECT_EQ(parsed.descriptors, c.descriptors) << c.format;
        EXPECT_EQ(parsed.classes, c.classes) << c.format;
    }
}

TEST(FormatDescriptorTest, NullArgumentsFindNothing) {
    char descriptors[VkNText::kMaxDescriptors][VkNText::kDescriptorSize];
    uint32_t classes[VkNText::kMaxDescriptors];
    EXPECT_EQ(VkNText::parseFormatDescriptors(nullptr, descriptors, classes), 0u);
    EXPECT_EQ(VkNText::parseFormatDescriptors("%d", nullptr, classes), 0u);
    EXPECT_EQ(VkNText::parseFormatDescriptors("%d", descriptors, nullptr), 0u);
}

std::string rebuild(const char* descriptor, uint32_t descriptorClass) {
    VkNText::VkSConversion conversion;
    if (!VkNText::parseConversion(descriptor, descriptorClass, conversion)) return "<rejected>";
    char format[VkNText::kConversionFormatSize];
    VkNText::buildConversionFormat(conversion, format);
    return format;
}

TEST(FormatDescriptorTest, AcceptedConversionsAreRebuiltSafely) {
    struct Case {
        const char* descriptor;
        uint32_t descriptorClass;
        const char* rebuilt;
    };
    const Case cases[] = {
        {"%08X", kClassInt32, "%08X"},
        {"%0-5d", kClassInt32, "%-05d"},
        {"%+ #o", kClassInt32, "%+ #o"},
        // A single "l" names the 32-bit long these texts were written for:
        // "%lx" of -1 must print eight digits, not sixteen.
        {"%ld", kClassInt32, "%d"},
        {"%lx", kClassInt32, "%x"},
        {"%hd", kClassInt32, "%hd"},
        {"%hhu", kClassInt32, "%hhu"},
        {"%zu", kClassInt64, "%llu"},
        {"%lld", kClassInt64, "%lld"},
        {"%-18p", kClassInt64, "%-18p"},
        {"%lf", kClassDouble, "%f"},
        {"%.f", kClassDouble, "%.0f"},
        {"%#.3g", kClassDouble, "%#.3g"},
        // Widths and precisions are clamped so that no piece costs more than
        // its cut length.
        {"%99999999d", kClassInt32, "%1100d"},
        {"%.2147483647f", kClassDouble, "%.1100f"},
        {"%1101.1100e", kClassDouble, "%1100.1100e"},
        {"%00000000000000001d", kClassInt32, "%01d"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rebuild(c.descriptor, c.descriptorClass), c.rebuilt) << c.descriptor;
}

TEST(FormatDescriptorTest, RejectsEverythingButOneMatchingConversion) {
    struct Case {
        const char* descriptor;
        uint32_t descriptorClass;
    };
    const Case cases[] = {
        {"%*d", kClassInt32},  {"%.*f", kClassDouble}, {"%1$d", kClassInt32},  {"%nd", kClassInt32},
        {"%sd", kClassInt32},  {"%Lf", kClassDouble},  {"%jd", kClassInt32},   {"%td", kClassInt32},
        {"%qd", kClassInt32},  {"%I64d", kClassInt32}, {"%lllx", kClassInt64}, {"%hlld", kClassInt64},
        {"%lzd", kClassInt64}, {"%dd", kClassInt32},   {"%5d5d", kClassInt32}, {"%hf", kClassDouble},
        {"%lld", kClassInt32}, {"%d", kClassInt64},    {"%ld", kClassInt64},   {"%s", kClassString},
        {"d", kClassInt32},    {"%", kClassInt32},     {"", kClassInt32},      {"%#d", kClassInt32},
        {"%#u", kClassInt32},  {"%05p", kClassInt64},  {"%.3p", kClassInt64},  {"%#p", kClassInt64},
        {"%llp", kClassInt64}, {"%f", kClassInt32},    {"%d", kClassDouble},   {"%c", kClassUnrecognised},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rebuild(c.descriptor, c.descriptorClass), "<rejected>") << c.descriptor;
    VkNText::VkSConversion conversion;
    EXPECT_FALSE(VkNText::parseConversion(nullptr, kClassInt32, conversion));
}

}  // namespace
