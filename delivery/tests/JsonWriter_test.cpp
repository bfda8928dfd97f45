#include <VkErrorHandling/Delivery/JsonWriter.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace VkNDelivery {
namespace {

std::string escape(const std::string& bytes) {
    std::string out;
    appendJsonString(out, bytes.data(), bytes.size());
    return out;
}

TEST(DeliveryJsonString, EscapesWhatJsonRequiresAndCopiesValidUtf8) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case cases[] = {
        {"plain text", "\"plain text\""},
        {"say \"hi\" \\ bye", "\"say \\\"hi\\\" \\\\ bye\""},
        {"a\nb\tc\rd\be\ff", "\"a\\nb\\tc\\rd\\be\\ff\""},
        {std::string("nul\0x", 5), "\"nul\\u0000x\""},
        {"\x01\x1f\x7f", "\"\\u0001\\u001f\\u007f\""},
        {"caf\xc3\xa9", "\"caf\xc3\xa9\""},            // U+00E9
        {"\xe2\x82\xac", "\"\xe2\x82\xac\""},          // U+20AC
        {"\xef\xbf\xbf", "\"\xef\xbf\xbf\""},          // U+FFFF
        {"\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},  // U+1F600
        {"\xf4\x8f\xbf\xbf", "\"\xf4\x8f\xbf\xbf\""},  // U+10FFFF, the last code point
    };
    for (const Case& c : cases) EXPECT_EQ(escape(c.input), c.expected) << c.input;
}

TEST(DeliveryJsonString, ReplacesEveryByteOutsideWellFormedUtf8) {
    struct Case {
        const char* what;
        std::string input;
        std::string expected;
    };
    const std::string bad = "\\ufffd";
    const Case cases[] = {
        {"stray continuation", "a\x80z", "\"a" + bad + "z\""},
        {"overlong slash", "\xc0\xaf", "\"" + bad + bad + "\""},
        {"overlong three-byte", "\xe0\x80\xaf", "\"" + bad + bad + bad + "\""},
        {"surrogate", "\xed\xa0\x80", "\"" + bad + bad + bad + "\""},
        {"above U+10FFFF", "\xf4\x90\x80\x80", "\"" + bad + bad + bad + bad + "\""},
        {"no lead F5", "\xf5", "\"" + bad + "\""},
        {"cut short at the end", "ok\xe2\x82", "\"ok" + bad + bad + "\""},
        {"cut short before ASCII", "\xe2\x82x", "\"" + bad + bad + "x\""},
        {"Latin-1 byte", "caf\xe9!", "\"caf" + bad + "!\""},
    };
    for (const Case& c : cases) EXPECT_EQ(escape(c.input), c.expected) << c.what;
}

TEST(DeliveryJsonString, NullIsEmpty) {
    std::string out;
    appendJsonString(out, nullptr);
    EXPECT_EQ(out, "\"\"");
}

TEST(DeliveryJsonObject, BuildsOneLineObjectInOrder) {
    JsonObject inner;
    inner.add("type", "int32").addSigned("value", -7);
    JsonObject object;
    object.addUnsigned("code", 0x102008)
        .add("text", std::string("line1\nline2"))
        .addDouble("half", 0.5)
        .addUnsigned("big", UINT64_MAX)
        .addRaw("params", jsonArray({inner.str(), inner.str()}))
        .addRaw("none", jsonArray({}));
    EXPECT_EQ(
        object.str(),
        "{\"code\":1056776,\"text\":\"line1\\nline2\",\"half\":0.5,\"big\":18446744073709551615,"
        "\"params\":[{\"type\":\"int32\",\"value\":-7},{\"type\":\"int32\",\"value\":-7}],\"none\":[]}");
}

TEST(DeliveryJsonObject, DoublesReadBackExactlyAndNonFiniteBecomeStrings) {
    JsonObject object;
    object.addDouble("third", 1.0 / 3.0)
        .addDouble("nan", std::nan(""))
        .addDouble("up", std::numeric_limits<double>::infinity())
        .addDouble("down", -std::numeric_limits<double>::infinity());
    const std::string json = object.str();
    const size_t start = json.find(':') + 1;
    EXPECT_EQ(std::stod(json.substr(start)), 1.0 / 3.0);
    EXPECT_NE(json.find("\"nan\":\"NaN\",\"up\":\"Infinity\",\"down\":\"-Infinity\""), std::string::npos)
        << json;
}

}  // namespace
}  // namespace VkNDelivery
