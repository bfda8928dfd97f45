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

TEST(ObjectBuffer, WritesBigEndianBehindAKeptLengthPrefix) {
    VkCObjectBuffer fresh;
    EXPECT_EQ(fresh.getSize(), 4100u);
    EXPECT_EQ(fresh.getFreeSize(), 4096u);
    EXPECT_EQ(fresh.getWriteOffset(), 0u);
    EXPECT_EQ(takeImage(fresh), (Bytes{0, 0, 0, 4}));

    VkCObjectBuffer buffer;
    const uint32_t words[2] = {0x11223344, 0x55667788};
    const uint64_t one = 1;
    const uint16_t pair[2] = {0x0102, 0x0304};
    const double half = 0.5;  // bit pattern 3FE0000000000000
    EXPECT_EQ(buffer.writeBuffer(words, 8, 4), 8);
    EXPECT_EQ(buffer.getOccupiedSize(), 12u);
    EXPECT_EQ(buffer.writeBuffer(&one, 8, 8), 8);
    EXPECT_EQ(buffer.writeBuffer(pair, 4, 2), 4);
    EXPECT_EQ(buffer.writeBuffer("ab", 2, 1), 2);
    EXPECT_EQ(buffer.writeBuffer(&half, 8, -1), 8);
    EXPECT_EQ(takeImage(buffer),
              (Bytes{0, 0, 0, 34,   0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0, 0, 0, 0, 0,
                     0, 0, 1, 0x01, 0x02, 0x03, 0x04, 'a',  'b',  0x3F, 0xE0, 0,    0, 0, 0, 0, 0}));
}

TEST(ObjectBuffer, RejectsBadElementSizesWithoutSideEffects) {
    VkCObjectBuffer buffer;
    const unsigned char bytes[8] = {};
    const struct {
        size_t length;
        int32_t elementSize;
    } cases[] = {{3, -1}, {2, 4}, {0, 1}, {0, -1}, {0, 4}, {6, 3}, {4, 0}, {6, 4}, {16, 16}};
    for (const auto& c : cases) {
        EXPECT_EQ(buffer.writeBuffer(bytes, c.length, c.elementSize), -1)
            << c.length << " bytes, element size " << c.elementSize;
    }
    EXPECT_EQ(buffer.getOccupiedSize(), 4u);
    EXPECT_EQ(buffer.getSize(), 4100u);

    buffer.writeBuffer(bytes, 8, 1);
    unsigned char target[8];
    EXPECT_EQ(buffer.readBuffer(target, 3, -1), -1);
    EXPECT_EQ(buffer.readBuffer(target, 2, 4), -1);
    EXPECT_EQ(buffer.readBuffer(target, 4, -2), -1);
    EXPECT_EQ(buffer.readBuffer(target, 0, -1), -1);
    EXPECT_EQ(buffer.readBuffer(target, 0, 1), 0);
    EXPECT_EQ(buffer.getReadOffset(), 0u);
}

TEST(ObjectBuffer, GrowsLinearlyByTheRequestOrAtLeast512) {
    std::vector<unsigned char> bytes(5000, 0x5A);
    VkCObjectBuffer big;
    EXPECT_EQ(big.writeBuffer(bytes.data(), 5000, 1), 5000);
    EXPECT_EQ(big.getSize(), 9100u);
    EXPECT_EQ(big.getOccupiedSize(), 5004u);

    // The growth comes before the element size is checked, and stays.
    VkCObjectBuffer odd;
    EXPECT_EQ(odd.writeBuffer(bytes.data(), 4500, 3), -1);
    EXPECT_EQ(odd.getSize(), 8600u);
    EXPECT_EQ(odd.getOccupiedSize(), 4u);

    VkCObjectBuffer full;
    EXPECT_EQ(full.writeBuffer(bytes.data(), 4096, 1), 4096);
    EXPECT_EQ(full.getSize(), 4100u);
    EXPECT_EQ(full.writeBuffer(bytes.data(), 1, 1), 1);
    EXPECT_EQ(full.getSize(), 4612u);
    // Positions survive a move of the block.
    EXPECT_EQ(full.getWriteOffset(), 4097u);
    unsigned char first = 0;
    EXPECT_EQ(full.readBuffer(&first, 1, 1), 0);
    EXPECT_EQ(first, 0x5A);
}

TEST(ObjectBuffer, CallerMemoryNeverGrows) {
    char tiny[4] = {1, 1, 1, 1};
    VkCObjectBuffer overTiny(4, tiny);
    EXPECT_EQ(bytesAt(tiny, 4), (Bytes{0, 0, 0, 4}));
    EXPECT_EQ(overTiny.writeBuffer("x", 1, 1), -1);

    char small[12];
    VkCObjectBuffer overSmall(12, small);
    const uint64_t value = 2;
    EXPECT_EQ(overSmall.writeBuffer(&value, 8, -1), 8);
    EXPECT_EQ(overSmall.writeBuffer("x", 1, 1), -1);
    EXPECT_EQ(overSmall.getSize(), 12u);
    EXPECT_EQ(bytesAt(small, 4), (Bytes{0, 0, 0, 12}));
}

TEST(ObjectBuffer, WriteOffsetPatchesWithoutMovingTheEnd) {
    VkCObjectBuffer buffer;
    const unsigned char twelve[12] = {};
    buffer.writeBuffer(twelve, 12, 1);
    ASSERT_EQ(buffer.setWriteOffset(0), 0);
    const uint32_t patch = 0xA1B2C3D4;
    EXPECT_EQ(buffer.writeBuffer(&patch, 4, -1), 4);
    EXPECT_EQ(buffer.getOccupiedSize(), 16u);
    EXPECT_EQ(buffer.getWriteOffset(), 4u);
    EXPECT_EQ(buffer.setWriteOffset(4097), -1);  // beyond the end
    EXPECT_EQ(buffer.getWriteOffset(), 4u);
    EXPECT_EQ(buffer.setReadOffset(4096), 0);
    EXPECT_EQ(buffer.setReadOffset(4097), -1);
    EXPECT_EQ(takeImage(buffer), (Bytes{0, 0, 0, 16, 0xA1, 0xB2, 0xC3, 0xD4, 0, 0, 0, 0, 0, 0, 0, 0}));
}

// A received image is read back within its length prefix, converting each
// element; a prefix that doesn't fit the bytes given leaves no block.
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
    ASSERT_EQ(reader.readBuffer(readWords, 8, 4), 0);
    ASSERT_EQ(reader.readBuffer(&readWide, 8, -1), 0);
    EXPECT_EQ(readWords[0], 0xDEADBEEFu);
    EXPECT_EQ(readWords[1], 7u);
    EXPECT_EQ(readWide, wide);
    EXPECT_EQ(reader.getReadOffset(), 16u);
    EXPECT_EQ(reader.getOccupiedSize(), 20u);
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

TEST(ObjectBuffer, StartPointerLeavesADeadBuffer) {
    VkCObjectBuffer owned;
    const uint32_t word = 5;
    owned.writeBuffer(&word, 4, -1);
    unsigned char* block = owned.getStartPointer();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(owned.writeBuffer(&word, 4, -1), -1);
    uint32_t target;
    EXPECT_EQ(owned.readBuffer(&target, 4, -1), -1);
    EXPECT_EQ(owned.setWriteOffset(0), -1);
    EXPECT_EQ(owned.getStartPointer(), nullptr);
    EXPECT_EQ(owned.getOccupiedSize(), 8u);
    owned.freeBuffer();
    std::free(block);

    // Over caller memory the pointer is the caller's, every time.
    char memory[16];
    VkCObjectBuffer caller(16, memory);
    caller.writeBuffer(&word, 4, -1);
    EXPECT_EQ(caller.getStartPointer(), reinterpret_cast<unsigned char*>(memory));
    EXPECT_EQ(caller.writeBuffer(&word, 4, -1), -1);
    EXPECT_EQ(caller.getStartPointer(), reinterpret_cast<unsigned char*>(memory));
    caller.freeBuffer();
    caller.freeBuffer();

    // Memory too small for the length prefix is never written.
    char untouched[3] = {9, 9, 9};
    VkCObjectBuffer overTooLittle(3, untouched);
    EXPECT_EQ(overTooLittle.writeBuffer("x", 1, 1), -1);
    EXPECT_EQ(untouched[0], 9);
    EXPECT_EQ(overTooLittle.getStartPointer(), nullptr);
}

}  // namespace
