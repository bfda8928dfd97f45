// The fast formatting paths must print exactly what vsnprintf prints; each is
// compared with it over edge values and a few thousand random ones.

#include "text/NumberFormat.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using VkNText::VkSConversion;

std::string snprintfString(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string snprintfString(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::vector<int64_t> integerSamples() {
    std::vector<int64_t> values = {0,         1,         -1,       7,         -7,          9,
                                   10,        42,        INT_MIN,  INT_MAX,   UINT_MAX,    0x7FFFFFFF + 1LL,
                                   INT64_MIN, INT64_MAX, -1000000, 999999999, 4294967296LL};
    std::mt19937_64 random(12345);
    for (int i = 0; i < 2000; ++i) {
        const int shift = static_cast<int>(random() % 64);
        values.push_back(static_cast<int64_t>(random() >> shift));
        values.push_back(-static_cast<int64_t>(random() >> (shift | 1)));
    }
    return values;
}

// Prints `value` as the formatter would receive it from a 32-bit or 64-bit
// slot under `descriptor`.
std::string reference(const std::string& rebuilt, char letter, int64_t value, bool is64) {
    const bool isSigned = letter == 'd' || letter == 'i';
    if (is64) {
        if (isSigned) return snprintfString(rebuilt.c_str(), static_cast<long long>(value));
        return snprintfString(rebuilt.c_str(), static_cast<unsigned long long>(value));
    }
    if (isSigned) return snprintfString(rebuilt.c_str(), static_cast<int>(static_cast<int32_t>(value)));
    return snprintfString(rebuilt.c_str(), static_cast<unsigned>(static_cast<uint32_t>(value)));
}

TEST(NumberFormatTest, IntegerFastPathMatchesVsnprintf) {
    struct Case {
        const char* descriptor;
        uint32_t descriptorClass;
    };
    const Case cases[] = {{"%d", 1},   {"%i", 1},    {"%u", 1},     {"%x", 1},      {"%X", 1},
                          {"%o", 1},   {"%08X", 1},  {"%8X", 1},    {"%-8X", 1},    {"%05d", 1},
                          {"%-5d", 1}, {"%0-7i", 1}, {"%64u", 1},   {"%lld", 4},    {"%llu", 4},
                          {"%llx", 4}, {"%llX", 4},  {"%llo", 4},   {"%020lld", 4}, {"%-24llu", 4},
                          {"%zu", 4},  {"%zd", 4},   {"%016llx", 4}};
    const std::vector<int64_t> values = integerSamples();
    for (const Case& c : cases) {
        VkSConversion conversion;
        ASSERT_TRUE(VkNText::parseConversion(c.descriptor, c.descriptorClass, conversion)) << c.descriptor;
        char rebuilt[VkNText::kConversionFormatSize];
        VkNText::buildConversionFormat(conversion, rebuilt);
        const bool is64 = c.descriptorClass == 4;
        for (int64_t value : values) {
            std::string fast;
            ASSERT_TRUE(VkNText::appendIntegerFast(fast, conversion, value, is64)) << c.descriptor;
            ASSERT_EQ(fast, reference(rebuilt, conversion.conversion, value, is64))
                << c.descriptor << " value " << value;
        }
    }
}

TEST(NumberFormatTest, IntegerFastPathDeclinesWhatItDoesNotCover) {
    for (const char* descriptor : {"%+d", "% d", "%#x", "%.3d", "%hd", "%hhu", "%65d"}) {
        VkSConversion conversion;
        ASSERT_TRUE(VkNText::parseConversion(descriptor, 1, conversion)) << descriptor;
        std::string out = "kept";
        EXPECT_FALSE(VkNText::appendIntegerFast(out, conversion, 5, false)) << descriptor;
        EXPECT_EQ(out, "kept");
    }
}

TEST(NumberFormatTest, PlainHelpersMatchVsnprintf) {
    for (int64_t value : integerSamples()) {
        const uint64_t bits = static_cast<uint64_t>(value);
        const uint32_t low = static_cast<uint32_t>(bits);
        std::string out;
        VkNText::appendDecimal(out, bits);
        ASSERT_EQ(out, snprintfString("%" PRIu64, bits));
        out.clear();
        VkNText::appendHex(out, bits, true);
        ASSERT_EQ(out, snprintfString("%" PRIX64, bits));
        out.clear();
        VkNText::appendHex(out, bits, false);
        ASSERT_EQ(out, snprintfString("%" PRIx64, bits));
        out.clear();
        VkNText::appendHex8(out, low);
        ASSERT_EQ(out, snprintfString("%08X", low));
    }
}

std::vector<double> doubleSamples() {
    std::vector<double> values = {0.0,           -0.0,          0.5,
                                  1.5,           2.5,           0.0625,
                                  -0.0625,       0.0005,        0.0015,
                                  0.0025,        1.0005,        2.0005,
                                  0.1235,        0.1245,        -0.0001,
                                  -0.0005,       999.9995,      1e-300,
                                  -1e-300,       5e-324,        123456.7895,
                                  1e14 + 0.5,    9.99999999e14, -9.99999999e14,
                                  0.250 * 0.002, 250 * 0.002,   4294967295 * 8.5e-9};
    // Values one ulp either side of every k/1000 and (2k+1)/2000 up to 3:
    // the rounding boundaries of three decimals.
    for (int k = 0; k <= 6000; ++k) {
        const double boundary = k / 2000.0;
        values.push_back(boundary);
        values.push_back(std::nextafter(boundary, 10.0));
        values.push_back(std::nextafter(boundary, -10.0));
        values.push_back(-boundary);
    }
    std::mt19937_64 random(777);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 3000; ++i) {
        const double magnitude = std::pow(10.0, static_cast<double>(random() % 30) - 15.0);
        values.push_back((unit(random) - 0.3) * magnitude);
    }
    // Time stamps as the header shows them: ticks times the default tick.
    for (int i = 0; i < 1000; ++i)
        values.push_back(static_cast<double>(random() >> (random() % 64)) * 8.5e-9);
    return values;
}

TEST(NumberFormatTest, FixedFastPathMatchesVsnprintf) {
    struct Case {
        uint32_t flags;
        uint32_t width;
        uint32_t precision;
        const char* format;
    };
    const Case cases[] = {{0, 4, 3, "%4.3f"},
                          {0, 0, 0, "%.0f"},
                          {0, 0, 1, "%.1f"},
                          {0, 0, 2, "%.2f"},
                          {0, 12, 3, "%12.3f"},
                          {VkNText::kFlagMinus, 10, 2, "%-10.2f"},
                          {VkNText::kFlagZero, 10, 3, "%010.3f"},
                          {VkNText::kFlagZero, 3, 0, "%03.0f"}};
    for (const Case& c : cases) {
        for (double value : doubleSamples()) {
            std::string fast;
            if (!VkNText::appendFixedFast(fast, value, c.flags, c.width, c.precision)) {
                ASSERT_GE(std::fabs(value), 1e15) << c.format << " declined " << value;
                continue;
            }
            ASSERT_EQ(fast, snprintfString(c.format, value)) << c.format << " value " << value;
        }
    }
}

TEST(NumberFormatTest, FixedFastPathDeclinesWhatItDoesNotCover) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {nan, -nan, inf, -inf, 1e15, -2e300}) {
        std::string out;
        EXPECT_FALSE(VkNText::appendFixedFast(out, value, 0, 4, 3)) << value;
        EXPECT_TRUE(out.empty());
    }
    std::string out;
    EXPECT_FALSE(VkNText::appendFixedFast(out, 1.0, 0, 4, 4));  // precision beyond exact scaling
    EXPECT_FALSE(VkNText::appendFixedFast(out, 1.0, VkNText::kFlagPlus, 4, 3));
    EXPECT_FALSE(VkNText::appendFixedFast(out, 1.0, 0, 65, 3));
    EXPECT_TRUE(out.empty());
}

}  // namespace
