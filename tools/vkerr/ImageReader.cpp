#include "ImageReader.h"

#include <cstdio>

#include "ImageAnnotator.h"
#include "ImageFormat.h"

namespace VkNTool {
namespace {

// No more messages can be in an image than message blocks fit in its bytes,
// so a hostile message count cannot make the receiving list huge.
uint32_t listCapacity(const unsigned char* image, size_t size) {
    const uint64_t fitting = size / kMinimumMessageSize + 1;
    uint64_t declared = fitting;
    if (size >= 32) declared = loadBigEndian32(image + 28);
    const uint64_t capacity = declared < fitting ? declared : fitting;
    return capacity == 0 ? 1 : static_cast<uint32_t>(capacity);
}

}  // namespace

ReadImage readImage(const unsigned char* image, size_t size) {
    ReadImage result;
    if (size > UINT32_MAX) return result;
    const auto length = static_cast<uint32_t>(size);
    if (classifyImage(image, size) == ImageKind::kMessage) {
        // Entry 0 is taken first, so that the list counts the message read
        // into it; the reader then replaces every field.
        result.list.reset(new VkCErrorList(1, 10, 0, 0, nullptr));
        result.list->setMessage(0, 0, 0, nullptr, nullptr);
        result.accepted = result.list->deSerializeMessage(0, image, length) == 0;
        if (!result.accepted) result.list->reset();
    } else {
        // Anything that is not a message image goes to the list reader, which
        // reports a foreign identifier itself.
        result.list.reset(new VkCErrorList(listCapacity(image, size), 10, 0, 0, nullptr));
        result.accepted = result.list->deSerialize(image, length) >= 0;
    }
    return result;
}

std::string rejectionReason(VkCErrorList& reports, const unsigned char* image, size_t size) {
    if (size > UINT32_MAX) return "the image has more than 4294967295 bytes";
    if (reports.getNumberOfUsedEntries() > 0) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08X ", reports.getErrorCode(0));
        return code + reports.getErrorText(0);
    }
    const ImageAnnotation annotation = annotateImage(image, size);
    const AnnotatedField* fault = annotation.firstFault();
    if (fault == nullptr) return "the library's reader rejected the image";
    char offset[32];
    std::snprintf(offset, sizeof offset, " at offset 0x%zx: ", fault->offset);
    return fault->name + offset + fault->note;
}

}  // namespace VkNTool
