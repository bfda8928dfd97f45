// The fast formatting paths must print exactly what vsnprintf prints; each is
// compared with it over edge values and a few thousand random ones.

#include "text/NumberFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

// What a fast writer wrote, or "<declined>".
std::string written(char* (*write)(char*, const VkNText::VkSConversion&, int64_t, bool),
                    const VkNText::VkSConversion& conversion, int64_t value, bool is64) {
    char buffer[VkNText::kMaxIntegerFastLength];
    const char* end = write(buffer, conversion, value, is64);
    return end != nullptr ? std::string(buffer, static_cast<size_t>(end - buffer)) : "<declined>";
}

template <typename T>
std::string reference(const char* format, T value) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

TEST(NumberFormatTest, IntegerFastPathMatchesVsnprintf) {
    std::vector<int64_t> values = {0, 1, -1, 42, INT_MIN, INT_MAX, UINT_MAX, INT64_MIN, INT64_MAX, 1LL << 32};
    std::mt19937_64 random(12345);
    for (int i = 0; i < 2000; ++i) values.push_back(static_cast<int64_t>(random()) >> (random() % 64));
    for (int64_t power = 10; power < INT64_MAX / 10; power *= 10)
        values.insert(values.end(), {power - 1, power});

    struct Case {
        const char* descriptor;
        bool is64;
    };
    const Case cases[] = {{"%d", false},     {"%i", false},    {"%u", false},   {"%x", false},
                          {"%X", false},     {"%o", false},    {"%08X", false}, {"%-8X", false},
                          {"%05d", false},   {"%0-7i", false}, {"%64u", false}, {"%lld", true},
                          {"%llu", true},    {"%llx", true},   {"%llo", true},  {"%020lld", true},
                          {"%-24llu", true}, {"%016llX", true}};
    for (int64_t value : values) {
        char text[24];
        const auto bits = static_cast<uint64_t>(value);
        ASSERT_EQ(std::string(text, VkNText::writeDecimal(text, bits)), reference("%llu", bits));
        ASSERT_EQ(std::string(text, VkNText::writeHex(text, bits, false)), reference("%llx", bits));
        ASSERT_EQ(std::string(text, VkNText::writeHex8(text, static_cast<uint32_t>(bits))),
                  reference("%08X", static_cast<uint32_t>(bits)));
    }
    for (const Case& c : cases) {
        VkNText::VkSConversion conversion;
        ASSERT_TRUE(VkNText::parseConversion(c.descriptor, c.is64 ? 4 : 1, conversion)) << c.descriptor;
        const bool isSigned = conversion.conversion == 'd' || conversion.conversion == 'i';
        for (int64_t value : values) {
            const std::string fast = written(VkNText::writeIntegerFast, conversion, value, c.is64);
            const std::string expected =
                c.is64 ? (isSigned ? reference(c.descriptor, static_cast<long long>(value))
                                   : reference(c.descriptor, static_cast<unsigned long long>(value)))
                       : (isSigned ? reference(c.descriptor, static_cast<int32_t>(value))
                                   : reference(c.descriptor, static_cast<uint32_t>(value)));
            ASSERT_EQ(fast, expected) << c.descriptor << " of " << value;
        }
    }
    for (const char* declined : {"%+d", "%#x", "%.3d", "%hd", "%65d"}) {
        VkNText::VkSConversion conversion;
        ASSERT_TRUE(VkNText::parseConversion(declined, 1, conversion));
        EXPECT_EQ(written(VkNText::writeIntegerFast, conversion, 5, false), "<declined>") << declined;
    }
}

TEST(NumberFormatTest, FixedFastPathMatchesVsnprintf) {
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
    struct Case {
        uint32_t flags, width, precision;
        const char* format;
    };
    const Case cases[] = {{0, 4, 3, "%4.3f"},
                          {0, 0, 0, "%.0f"},
                          {0, 0, 2, "%.2f"},
                          {VkNText::kFlagMinus, 10, 1, "%-10.1f"},
                          {VkNText::kFlagZero, 10, 3, "%010.3f"}};
    for (const Case& c : cases) {
        for (double value : values) {
            char fast[VkNText::kMaxFixedFastLength];
            if (const char* end = VkNText::writeFixedFast(fast, value, c.flags, c.width, c.precision)) {
                ASSERT_EQ(std::string(fast, static_cast<size_t>(end - fast)), reference(c.format, value))
                    << c.format << " of " << value;
            } else {
                ASSERT_GE(std::fabs(value), 1e15) << c.format << " declined " << value;
            }
        }
    }
}

}  // namespace
