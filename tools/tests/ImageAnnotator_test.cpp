#include "ImageAnnotator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace VkNTool {
namespace {

// One warning (code 0x00300005, format "%d", function "f", template
// "Value %1", integer parameter 7) as the only message of a list of node 1,
// application 0x10.
const std::vector<unsigned char> kListImage = {
    0x00, 0x00, 0x00, 0x9a, 0x00, 0x10, 0x20, 0x00, 0x00, 0x00, 0x00, 0x96, 0x00, 0x00, 0x00, 0x01,  //
    0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x01,  //
    0x00, 0x10, 0x10, 0x00, 0x00, 0x10, 0x10, 0x00, 0x00, 0x00, 0x00, 0x6a, 0x00, 0x00, 0x00, 0x01,  //
    0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x2a,  //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x10, 0x00, 0x30, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00,  //
    0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x0e,  //
    0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x03, 0x25, 0x64, 0x00, 0x00, 0x00, 0x00, 0x02, 0x66,  //
    0x00, 0x00, 0x00, 0x00, 0x09, 0x56, 0x61, 0x6c, 0x75, 0x65, 0x20, 0x25, 0x31, 0x00, 0x00, 0x00,  //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0xaa, 0xaa,  //
    0xbb, 0xbb, 0xcc, 0xcc, 0xdd, 0xdd, 0xee, 0xee, 0xff, 0xff};

// The same message alone, as a message image.
std::vector<unsigned char> messageImage() {
    // Built in one piece: g++ 12 at -O3 misreads an insert into a 4-byte
    // vector as an out-of-bounds copy (-Warray-bounds).
    std::vector<unsigned char> image(4 + 106);
    image[3] = 0x6e;
    std::copy(kListImage.begin() + 36, kListImage.begin() + 36 + 106, image.begin() + 4);
    return image;
}

const AnnotatedField* findField(const ImageAnnotation& annotation, const std::string& name) {
    for (const AnnotatedField& field : annotation.fields) {
        if (field.name == name) return &field;
    }
    return nullptr;
}

void putBigEndian32(std::vector<unsigned char>& image, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) image[offset + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// Every row lies inside the input, and the number of rows stays linear in its
// length: the properties that make the dump safe on any bytes.
void expectBounded(const ImageAnnotation& annotation, size_t length) {
    for (const AnnotatedField& field : annotation.fields) {
        ASSERT_LE(field.offset, length);
        ASSERT_LE(field.length, length - field.offset) << field.name;
    }
    ASSERT_LE(annotation.fields.size(), length + 8);
}

TEST(VkerrToolAnnotator, ValidImagesHaveNoFaultAndDecodedFields) {
    const ImageAnnotation list = annotateImage(kListImage.data(), kListImage.size());
    EXPECT_EQ(list.firstFault(), nullptr) << formatAnnotation(list, kListImage.data(), kListImage.size());
    const std::pair<const char*, const char*> expected[] = {
        {"list identifier", "0x00102000 (list image)"},
        {"application id", "0x10"},
        {"message[0] message type", "2 (Warning)"},
        {"message[0] error code", "0x00300005"},
        {"message[0] time stamp", "4112 (the default stamp, never converted)"},
        {"message[0] format string", "\"%d\\x00\""},
        {"message[0] message template", "\"Value %1\\x00\""},
        {"message[0] integer 1", "7"},
        {"list bytes left", "12"},
        {"termination word 3", "0xEEEEFFFF"},
    };
    for (const auto& pair : expected) {
        const AnnotatedField* field = findField(list, pair.first);
        ASSERT_NE(field, nullptr) << pair.first;
        EXPECT_EQ(field->value, pair.second) << pair.first;
    }

    const std::vector<unsigned char> message = messageImage();
    const ImageAnnotation single = annotateImage(message.data(), message.size());
    EXPECT_EQ(single.firstFault(), nullptr) << formatAnnotation(single, message.data(), message.size());
    ASSERT_NE(findField(single, "message identifier"), nullptr);
    EXPECT_EQ(findField(single, "end")->value, "106 bytes read");
}

TEST(VkerrToolAnnotator, NamesTheFieldAReaderFailsAt) {
    struct Damage {
        size_t offset;
        uint32_t value;
        const char* field;
    };
    const Damage damages[] = {
        {0, 0x00000003, "length prefix"},        {0, 0x00000100, "length prefix"},
        {4, 0x00103000, "identifier"},           {12, 2, "list version"},
        {16, 16, "list header bytes"},           {8, 0x9a, "list bytes left"},  // list size grown by 4
        {32, 0x00101001, "message identifier"},  {36, 0x00101001, "message[0] identifier"},
        {40, 0x01000000, "message[0] size"},     {44, 7, "message[0] version"},
        {48, 44, "message[0] header bytes"},     {96, 4, "message[0] string count"},
        {104, 9, "message[0] function name"},  // its length now reaches past the block
        {142, 0xAAAABBBC, "termination word 1"}, {150, 0, "termination word 3"},
    };
    for (const Damage& damage : damages) {
        std::vector<unsigned char> image = kListImage;
        putBigEndian32(image, damage.offset, damage.value);
        const ImageAnnotation annotation = annotateImage(image.data(), image.size());
        const AnnotatedField* fault = annotation.firstFault();
        ASSERT_NE(fault, nullptr) << "damage at " << damage.offset;
        EXPECT_EQ(fault->name.rfind(damage.field, 0), 0u)
            << "damage at " << damage.offset << "\n"
            << formatAnnotation(annotation, image.data(), image.size());
        expectBounded(annotation, image.size());
    }
}

TEST(VkerrToolAnnotator, SkippedHeaderBytesAreNoFault) {
    // Four extra list header bytes, announced by header bytes 24 and a list
    // size grown by 4, are read past like the reader does.
    std::vector<unsigned char> image(kListImage.begin(), kListImage.begin() + 36);
    image.insert(image.end(), {0xde, 0xad, 0xbe, 0xef});
    image.insert(image.end(), kListImage.begin() + 36, kListImage.end());
    putBigEndian32(image, 0, 158);
    putBigEndian32(image, 8, 154);
    putBigEndian32(image, 16, 24);
    const ImageAnnotation annotation = annotateImage(image.data(), image.size());
    EXPECT_EQ(annotation.firstFault(), nullptr) << formatAnnotation(annotation, image.data(), image.size());
    ASSERT_NE(findField(annotation, "extra list header bytes"), nullptr);
}

TEST(VkerrToolAnnotator, EveryTruncationIsAFault) {
    for (size_t length = 0; length < kListImage.size(); ++length) {
        // Once as cut off the wire, once with the prefix claiming the cut length.
        for (bool patchPrefix : {false, true}) {
            std::vector<unsigned char> image(kListImage.begin(), kListImage.begin() + length);
            if (patchPrefix && length >= 4) putBigEndian32(image, 0, static_cast<uint32_t>(length));
            const ImageAnnotation annotation = annotateImage(image.data(), image.size());
            ASSERT_NE(annotation.firstFault(), nullptr) << "length " << length;
            expectBounded(annotation, image.size());
        }
    }
}

TEST(VkerrToolAnnotator, HugeCountsEndWithTheData) {
    const size_t countOffsets[] = {28, 96, 126, 130, 138};  // messages, strings, S, N, M
    for (size_t offset : countOffsets) {
        std::vector<unsigned char> image = kListImage;
        putBigEndian32(image, offset, 0xFFFFFFFF);
        const ImageAnnotation annotation = annotateImage(image.data(), image.size());
        EXPECT_NE(annotation.firstFault(), nullptr) << "count at " << offset;
        expectBounded(annotation, image.size());
    }
}

TEST(VkerrToolAnnotator, SurvivesRandomDamage) {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    const auto next = [&state]() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int round = 0; round < 3000; ++round) {
        std::vector<unsigned char> image = round % 2 == 0 ? kListImage : messageImage();
        const int flips = 1 + static_cast<int>(next() % 6);
        for (int i = 0; i < flips; ++i) image[next() % image.size()] = static_cast<unsigned char>(next());
        image.resize(image.size() - next() % 16);
        const ImageAnnotation annotation = annotateImage(image.data(), image.size());
        expectBounded(annotation, image.size());
        formatAnnotation(annotation, image.data(), image.size());
    }
    const ImageAnnotation none = annotateImage(nullptr, 0);
    EXPECT_NE(none.firstFault(), nullptr);
}

}  // namespace
}  // namespace VkNTool
