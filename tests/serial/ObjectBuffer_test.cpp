// The object buffer in its three lives: an owned growable block, an owned
// copy of a received image, and caller memory.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "VkErrorHandling/VkCObjectBuffer.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes bytesAt(const void* block, size_t count) {
    return Bytes(static_cast<const unsigned char*>(block), static_cast<const unsigned char*>(block) + count);
}

// Hands the block out so its bytes can be checked, then releases it.
Bytes takeImage(VkCObjectBuffer& buffer) {
    const uint32_t occupied = buffer.getOccupiedSize();
    unsigned char* block = buffer.getStartPointer();
    const Bytes image = bytesAt(block, occupied);
    std::free(block);
    return image;
}

// Elements are swapped to big-endian by their size; a length that is no
// multiple of it, or a size the buffer does not know, is refused unwritten.
TEST(ObjectBuffer, WritesBigEndianBehindAKeptLengthPrefix) {
    VkCObjectBuffer buffer;
    EXPECT_EQ(buffer.getSize() + buffer.getFreeSize() + buffer.getWriteOffset(), 4100u + 4096u);
    const uint32_t words[2] = {0x11223344, 0x55667788};
    const uint64_t one = 1;
    const uint16_t pair[2] = {0x0102, 0x0304};
    const double half = 0.5;  // bit pattern 3FE0000000000000
    EXPECT_EQ(buffer.writeBuffer(words, 8, 4), 8);
    EXPECT_EQ(buffer.writeBuffer(&one, 8, 8), 8);
    EXPECT_EQ(buffer.writeBuffer(pair, 4, 2), 4);
    EXPECT_EQ(buffer.writeBuffer("ab", 2, 1), 2);
    EXPECT_EQ(buffer.writeBuffer(&half, 8, -1), 8);
    const std::pair<size_t, int32_t> refused[] = {{3, -1}, {2, 4}, {0, 1}, {0, -1}, {0, 4},
                                                  {6, 3},  {4, 0}, {6, 4}, {16, 16}};
    for (const auto& [length, elementSize] : refused) {
        EXPECT_EQ(buffer.writeBuffer(words, length, elementSize), -1) << length << " by " << elementSize;
    }
    unsigned char target[8];
    for (const auto& [length, elementSize] : {std::pair{3, -1}, {2, 4}, {4, -2}, {0, -1}}) {
        EXPECT_EQ(buffer.readBuffer(target, length, elementSize), -1);
    }
    EXPECT_EQ(buffer.readBuffer(target, 0, 1), 0);
    EXPECT_EQ(buffer.getReadOffset() + buffer.getSize(), 4100u);
    EXPECT_EQ(takeImage(buffer),
              (Bytes{0, 0, 0, 34, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0, 0, 0, 0, 0,
                     0, 0, 1, 1,  2,    3,    4,    'a',  'b',  0x3F, 0xE0, 0,    0, 0, 0, 0, 0}));
}

TEST(ObjectBuffer, ReaderConvertsBackWithinTheLengthPrefix) {
    VkCObjectBuffer writer;
    const uint32_t words[2] = {0xDEADBEEF, 7};
    const uint64_t wide = 0x0102030405060708ull;
    writer.writeBuffer(words, 8, 4);
    writer.writeBuffer(&wide, 8, -1);
    Bytes image = takeImage(writer);
    image.push_back(0xEE);  // beyond the prefix: not taken

    VkCObjectBuffer reader(image.data(), static_cast<uint32_t>(image.size()));
    uint32_t readWords[2] = {};
    uint64_t readWide = 0;
    ASSERT_EQ(reader.readBuffer(readWords, 8, 4) + reader.readBuffer(&readWide, 8, -1), 0);
    EXPECT_EQ(readWords[0], 0xDEADBEEFu);
    EXPECT_EQ(readWords[1], 7u);
    EXPECT_EQ(readWide, wide);
    EXPECT_EQ(reader.getReadOffset() + reader.getOccupiedSize(), 36u);
    unsigned char byte = 0;
    EXPECT_EQ(reader.readBuffer(&byte, 1, 1), -1);  // nothing left

    const Bytes malformed[] = {
        {0, 0, 0, 9, 1, 2, 3, 4},           // prefix beyond the data
        {0, 0, 0, 3, 1, 2, 3, 4},           // prefix below its own size
        {0x80, 0, 0, 8, 1, 2, 3, 4},        // negative as i32
        {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3},  // 4 GB claimed
        {0, 0, 0},                          // fewer than 4 bytes
    };
    for (const Bytes& data : malformed) {
        VkCObjectBuffer bad(data.data(), static_cast<uint32_t>(data.size()));
        EXPECT_EQ(bad.readBuffer(&byte, 1, 1), -1);
        EXPECT_EQ(bad.getSize(), 0u);
    }
    VkCObjectBuffer fromNull(nullptr, 100);
    EXPECT_EQ(fromNull.readBuffer(&byte, 1, 1), -1);
    EXPECT_EQ(fromNull.getStartPointer(), nullptr);
}

// Handing the block out leaves an owned buffer dead; over caller memory the
// pointer is the caller's, every time, and the memory never grows. Memory
// too small for the length prefix is never written.
TEST(ObjectBuffer, StartPointerAndCallerMemory) {
    VkCObjectBuffer owned;
    const uint32_t word = 5;
    owned.writeBuffer(&word, 4, -1);
    unsigned char* block = owned.getStartPointer();
    ASSERT_NE(block, nullptr);
    uint32_t target;
    EXPECT_EQ(owned.writeBuffer(&word, 4, -1) + owned.readBuffer(&target, 4, -1) + owned.setWriteOffset(0),
              -3);
    EXPECT_EQ(owned.getStartPointer(), nullptr);
    EXPECT_EQ(owned.getOccupiedSize(), 8u);
    owned.freeBuffer();
    std::free(block);

    char memory[12];
    VkCObjectBuffer caller(12, memory);
    const uint64_t value = 2;
    EXPECT_EQ(caller.writeBuffer(&value, 8, -1), 8);
    EXPECT_EQ(caller.writeBuffer("x", 1, 1), -1);
    EXPECT_EQ(caller.getSize(), 12u);
    EXPECT_EQ(bytesAt(memory, 4), (Bytes{0, 0, 0, 12}));
    for (int i = 0; i < 2; ++i) EXPECT_EQ(caller.getStartPointer(), reinterpret_cast<unsigned char*>(memory));
    caller.freeBuffer();
    caller.freeBuffer();

    char untouched[3] = {9, 9, 9};
    VkCObjectBuffer overTooLittle(3, untouched);
    EXPECT_EQ(overTooLittle.writeBuffer("x", 1, 1), -1);
    EXPECT_EQ(untouched[0], 9);
    EXPECT_EQ(overTooLittle.getStartPointer(), nullptr);
}

}  // namespace
