// Writes the fuzz targets' seed corpus: small valid images of every kind
// their readers take, so fuzzing starts from deep inside the formats.
//
//   vkerr_make_corpus <corpus-dir>
//
// writes <corpus-dir>/<target>/<seed> files; the directories must exist.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "VkErrorHandling/VkCErrorList.h"
#include "VkErrorHandling/VkCObjectBuffer.h"

namespace {

using Bytes = std::vector<unsigned char>;

bool writeSeed(const std::string& path, const Bytes& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

void putWord(Bytes& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

Bytes listImage(VkCErrorList& list) {
    uint32_t size = 0;
    char* image = list.serialize(size);
    Bytes bytes(image, image + size);
    list.freeSerializedBuffer(&image);
    return bytes;
}

Bytes messageImage(VkCErrorList& list, uint32_t index) {
    uint32_t size = 0;
    unsigned char* image = list.getSerializedMessage(index, size);
    Bytes bytes(image, image + size);
    std::free(image);
    return bytes;
}

// One message of each kind of content the readers meet.
void recordMessages(VkCErrorList& list) {
    list.setMessage(2, 0, 128, 3, "Value %1", 0x00300005, 42, 2, 0x1010, "f", "%d", 7);
    list.setMessage(3, 1, 0, 0, nullptr, 0x00102002, 7, 0, 123456789, "VkCErrorList::deSerialize", "%08X%08X",
                    1, 2);
    list.setMessage(1, 0, 5, 6, "%1 %2 %3 %4 %5", 0, 9, 4, 0x1010, "g", "%s%lld%f%zu%o", "text", -5LL, 2.5,
                    size_t{1} << 40, 8);
    list.setMessage(5, 0, 1, 1, nullptr, 0x200001, 1, 1, 0x1010, nullptr, "%p%-8s%e",
                    reinterpret_cast<void*>(uintptr_t{0x1234}), "", -1e300);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus-dir>\n", argv[0]);
        return 2;
    }
    const std::string root = argv[1];
    VkCMessageListPool list(8, 10, 0, 1, nullptr);
    list.setApplicationId(0x10);
    recordMessages(list);
    bool ok = true;

    const Bytes all = listImage(list);
    ok &= writeSeed(root + "/fuzz_list_reader/four_messages", all);
    VkCMessageListPool one(1, 5, 0, 1, nullptr);
    one.setMessage(2, 0, 128, 3, "Value %1", 0x00300005, 42, 2, 0x1010, "f", "%d", 7);
    ok &= writeSeed(root + "/fuzz_list_reader/one_message", listImage(one));
    Bytes empty = listImage(one);
    empty.erase(empty.begin() + 36, empty.end() - 12);
    putWord(empty, 0, static_cast<uint32_t>(empty.size()));
    putWord(empty, 8, static_cast<uint32_t>(empty.size() - 4));
    putWord(empty, 28, 0);
    ok &= writeSeed(root + "/fuzz_list_reader/no_message", empty);

    for (uint32_t i = 0; i < list.getNumberOfUsedEntries(); ++i) {
        ok &= writeSeed(root + "/fuzz_message_reader/message_" + std::to_string(i), messageImage(list, i));
    }
    // A foreign block ahead of the message, and two messages in one buffer.
    Bytes foreign = messageImage(list, 0);
    const Bytes skipped = {0x12, 0x34, 0x56, 0x78, 0, 0, 0, 12, 0xDE, 0xAD, 0xBE, 0xEF};
    foreign.insert(foreign.begin() + 4, skipped.begin(), skipped.end());
    putWord(foreign, 0, static_cast<uint32_t>(foreign.size()));
    ok &= writeSeed(root + "/fuzz_message_reader/foreign_block", foreign);
    Bytes two = messageImage(list, 2);
    const Bytes second = messageImage(list, 1);
    two.insert(two.end(), second.begin() + 4, second.end());
    putWord(two, 0, static_cast<uint32_t>(two.size()));
    ok &= writeSeed(root + "/fuzz_message_reader/two_blocks", two);

    // Scripts of reads (see fuzz_object_buffer.cpp) ahead of small images.
    const Bytes script = {0x10, 0x11, 0x12, 0x13, 0x14, 0x20, 0x42, 0x43,
                          0xFF, 0x01, 0x08, 0xFE, 0x44, 0x25, 0x26, 0x27};
    Bytes withImage = script;
    const Bytes image = messageImage(list, 0);
    withImage.insert(withImage.end(), image.begin(), image.end());
    ok &= writeSeed(root + "/fuzz_object_buffer/message_image", withImage);
    Bytes small = script;
    const Bytes words = {0, 0, 0, 20, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    small.insert(small.end(), words.begin(), words.end());
    ok &= writeSeed(root + "/fuzz_object_buffer/words", small);

    if (!ok) std::fprintf(stderr, "could not write every seed under %s\n", root.c_str());
    return ok ? 0 : 1;
}
