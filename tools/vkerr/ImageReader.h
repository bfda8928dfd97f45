// Reading a list image or a single-message image with the library's own
// readers, as decode and collect do.
#ifndef VKERR_TOOLS_IMAGEREADER_H_
#define VKERR_TOOLS_IMAGEREADER_H_

#include <VkErrorHandling/VkCErrorList.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace VkNTool {

struct ReadImage {
    // Its used entries are the messages read, also those before a fault.
    std::unique_ptr<VkCErrorList> list;
    bool accepted = false;  // the reader took the whole image
};

// Reads `image`, told apart by its identifier. The reader's reports about a
// malformed image go to the calling thread's master error list.
ReadImage readImage(const unsigned char* image, size_t size);

// One line saying why the image was rejected: the first report of `reports`
// (the reader's master error list), or for faults the reader does not
// report (data ending early, a wrong length prefix) the annotator's finding.
std::string rejectionReason(VkCErrorList& reports, const unsigned char* image, size_t size);

}  // namespace VkNTool

#endif  // VKERR_TOOLS_IMAGEREADER_H_
