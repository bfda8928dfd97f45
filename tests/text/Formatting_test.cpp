// Format descriptors and the fast number writers: splitting format strings,
// the check that lets only one safe conversion per descriptor reach the
// formatter, and the writers held to vsnprintf over edge and random values.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "text/FormatDescriptor.h"
#include "text/NumberFormat.h"

namespace {

// The descriptor rebuilt after the check, or "<rejected>".
std::string rebuild(const char* descriptor, size_t length, uint32_t descriptorClass) {
    VkNText::VkSConversion conversion;
    if (!VkNText::parseConversion(descriptor, length, descriptorClass, conversion)) return "<rejected>";
    char format[VkNText::kConversionFormatSize];
    VkNText::buildConversionFormat(conversion, format);
    return format;
}
std::string rebuild(const char* descriptor, uint32_t descriptorClass) {
    return rebuild(descriptor, std::strlen(descriptor), descriptorClass);
}

// The descriptors found, as "descriptor:class" joined by blanks. The views
// left in place must find and parse, where the format string goes on behind
// them, exactly what the copies hold.
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
        EXPECT_EQ(
            std::string(views[i].start, views[i].length) + ":" + std::to_string(views[i].descriptorClass),
            std::string(descriptors[i]) + ":" + std::to_string(classes[i]));
        for (uint32_t c = 1; c <= 4; ++c) {
            EXPECT_EQ(rebuild(views[i].start, views[i].length, c), rebuild(descriptors[i], c)) << format;
        }
    }
    for (uint32_t i = count; format != nullptr && i < VkNText::kMaxDescriptors; ++i) {
        if (descriptors[i][0] != '\0' || classes[i] != 0) result += " <stale field>";
    }
    return result;
}

TEST(Formatting, SplitsAndClassifies) {
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

// "l" named a 32-bit long where these texts come from ("%lx" of -1 prints
// eight digits), "z" is 64 bits here; clamped widths and precisions keep
// every piece's cost bounded.
TEST(Formatting, OnlyOneMatchingConversionPassesAndIsBounded) {
    const char* const rows[][3] = {{"%0-5d", "1", "%-05d"},
                                   {"%+ #o", "1", "%+ #o"},
                                   {"%hhu", "1", "%hhu"},
                                   {"%-18p", "4", "%-18p"},
                                   {"%lx", "1", "%x"},
                                   {"%zu", "4", "%llu"},
                                   {"%lf", "2", "%f"},
                                   {"%.f", "2", "%.0f"},
                                   {"%99999999d", "1", "%1100d"},
                                   {"%.2147483647f", "2", "%.1100f"},
                                   {"%1101.1100e", "2", "%1100.1100e"}};
    for (const auto& row : rows) EXPECT_EQ(rebuild(row[0], std::stoul(row[1])), row[2]) << row[0];
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

// What the fast integer writer wrote, or "<declined>".
std::string written(const VkNText::VkSConversion& conversion, int64_t value, bool is64) {
    char buffer[VkNText::kMaxIntegerFastLength];
    const char* end = VkNText::writeIntegerFast(buffer, conversion, value, is64);
    return end != nullptr ? std::string(buffer, static_cast<size_t>(end - buffer)) : "<declined>";
}

#pragma GCC diagnostic push  // the formats under comparison come from tables
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <typename T>
std::string reference(const char* format, T value) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}
#pragma GCC diagnostic pop

TEST(Formatting, IntegerFastPathMatchesVsnprintf) {
    std::vector<int64_t> values = {0, 1, -1, 42, INT_MIN, INT_MAX, UINT_MAX, INT64_MIN, INT64_MAX, 1LL << 32};
    std::mt19937_64 random(12345);
    for (int i = 0; i < 2000; ++i) values.push_back(static_cast<int64_t>(random()) >> (random() % 64));
    for (int64_t power = 10; power < INT64_MAX / 10; power *= 10)
        values.insert(values.end(), {power - 1, power});

    const char* const cases[] = {"%d",   "%i",   "%u",   "%x",      "%X",      "%o",
                                 "%08X", "%-8X", "%05d", "%0-7i",   "%64u",    "%lld",
                                 "%llu", "%llx", "%llo", "%020lld", "%-24llu", "%016llX"};
    for (int64_t value : values) {
        char text[24];
        const auto bits = static_cast<uint64_t>(value);
        ASSERT_EQ(std::string(text, VkNText::writeDecimal(text, bits)), reference("%llu", bits));
        ASSERT_EQ(std::string(text, VkNText::writeHex(text, bits, false)), reference("%llx", bits));
        ASSERT_EQ(std::string(text, VkNText::writeHex8(text, static_cast<uint32_t>(bits))),
                  reference("%08X", static_cast<uint32_t>(bits)));
    }
    for (const char* descriptor : cases) {
        const bool is64 = std::strstr(descriptor, "ll") != nullptr;
        VkNText::VkSConversion conversion;
        ASSERT_TRUE(VkNText::parseConversion(descriptor, is64 ? 4 : 1, conversion)) << descriptor;
        const bool isSigned = conversion.conversion == 'd' || conversion.conversion == 'i';
        for (int64_t value : values) {
            const std::string expected =
                is64 ? (isSigned ? reference(descriptor, static_cast<long long>(value))
                                 : reference(descriptor, static_cast<unsigned long long>(value)))
                     : (isSigned ? reference(descriptor, static_cast<int32_t>(value))
                                 : reference(descriptor, static_cast<uint32_t>(value)));
            ASSERT_EQ(written(conversion, value, is64), expected) << descriptor << " of " << value;
        }
    }
    for (const char* declined : {"%+d", "%#x", "%.3d", "%hd", "%65d"}) {
        VkNText::VkSConversion conversion;
        ASSERT_TRUE(VkNText::parseConversion(declined, 1, conversion));
        EXPECT_EQ(written(conversion, 5, false), "<declined>") << declined;
    }
}

TEST(Formatting, FixedFastPathMatchesVsnprintf) {
    // Every rounding boundary of three decimals up to 3, one ulp either side,
    // exact halves, random magnitudes, and times as ticks of 8.5 ns.
    std::vector<double> values = {-0.0, 0.0625, -0.0625, 2.5, -0.0001, 5e-324, 1e14 + 0.5, -9.99999999e14};
    std::mt19937_64 random(777);
    for (int k = 0; k <= 6000; ++k) {
        const double boundary = k / 2000.0;
        for (double v : {boundary, std::nextafter(boundary, 10.0), std::nextafter(boundary, -10.0)}) {
            values.push_back(v);
            values.push_back(-v);
        }
    }
    for (int i = 0; i < 3000; ++i) {
        values.push_back((std::ldexp(static_cast<double>(random() >> 11), -53) - 0.3) *
                         std::pow(10.0, static_cast<double>(random() % 30) - 15.0));
        values.push_back(static_cast<double>(random() >> (random() % 64)) * 8.5e-9);
    }
    for (const char* format : {"%4.3f", "%.0f", "%.2f", "%-10.1f", "%010.3f"}) {
        VkNText::VkSConversion c;
        ASSERT_TRUE(VkNText::parseConversion(format, 2, c));
        for (double value : values) {
            char fast[VkNText::kMaxFixedFastLength];
            const char* end = VkNText::writeFixedFast(fast, value, c.flags, c.width, c.precision);
            ASSERT_TRUE(end != nullptr || std::fabs(value) >= 1e15) << format << " declined " << value;
            if (end != nullptr) {
                ASSERT_EQ(std::string(static_cast<const char*>(fast), end), reference(format, value))
                    << format;
            }
        }
    }
}

}  // namespace
