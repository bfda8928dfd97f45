// The header line of the plain layout is composed without the formatter; it
// must read exactly as the formatter would print it, piece by piece, for any
// combination of present and absent pieces and for names around the length
// where the composition changes its way.

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <random>
#include <string>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCErrorManager.h"

namespace {

// Module 0x7FF has no row in the module table, so its entries keep the module
// numbers they are given.
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

TEST(PlainHeaderTest, MatchesTheFormatterPieceByPiece) {
    const char* const typeNames[] = {"LOG ",          "INFO ",  "WARNING ",     "ERROR ",
                                     "SEVERE ERROR ", "EVENT ", "UNKNOWN TYPE "};
    const double tick = VkCErrorManager::getInstance().getTimeStampTickDuration();
    std::mt19937 random(2024);
    auto sometimes = [&random](uint32_t value) { return random() % 3 == 0 ? 0u : value; };
    VkCErrorList list(1, 0, 0, 0, nullptr);
    for (int round = 0; round < 3000; ++round) {
        const uint32_t type = random() % 8;
        const uint32_t code = sometimes(kModuleLessCode | (random() & 0xFFFFF));
        const uint32_t node = sometimes(random());
        const uint64_t stamp = sometimes(random()) * static_cast<uint64_t>(1 + random() % 100000);
        const uint32_t mainModule = sometimes(random() % 1000 + 1);
        const uint32_t subModule = random() % 400;
        const size_t nameLengths[] = {0, 1, 63, 64, 65, 200, 1030};
        const std::string name(nameLengths[random() % 7], static_cast<char>('a' + random() % 26));
        const uint32_t line = random();

        list.reset();
        list.setMessage(type, 0, mainModule, subModule, "t", code, line, node, stamp, name.c_str(), "");
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

}  // namespace
