// vkerr decode: read a list image or a message image with the library's own
// readers and print the messages, or annotate the image field by field.
#include <VkErrorHandling/Delivery/MessageLayouts.h>
#include <VkErrorHandling/VkCErrorList.h>
#include <VkErrorHandling/VkCErrorManager.h>

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Cli.h"
#include "ImageAnnotator.h"
#include "ImageReader.h"

namespace VkNTool {
namespace {

const char kHelp[] =
    "usage: vkerr decode [--plain|--tabbed|--json] [FILE|-]\n"
    "       vkerr decode --annotate [FILE|-]\n"
    "\n"
    "Read a list image or a single-message image (told apart by the identifier behind\n"
    "the length prefix) from FILE or standard input and print its messages:\n"
    "  --plain     header line and message text per message (the default)\n"
    "  --tabbed    one tab-separated row per message\n"
    "  --json      one JSON object per message per line: every field, the typed\n"
    "              parameters and the rendered text\n"
    "  --annotate  one row per field of the image: offset, raw bytes, field, value,\n"
    "              and a note where the library's reader would fail\n"
    "\n"
    "A malformed image: the messages read before the fault are printed, the reports\n"
    "of the library's reader go to standard error, and the exit status is 2.\n";

struct DecodeOptions {
    bool plain = false;
    bool tabbed = false;
    bool json = false;
    bool annotate = false;
    std::string path = "-";
};

// Says why the image was rejected: the reports the library's reader recorded
// into this thread's master error list, in full, or the annotator's finding.
void reportRejection(VkCErrorListPool& master, const std::vector<unsigned char>& image) {
    if (master.getNumberOfUsedEntries() > 0) {
        master.print(stderr, false);
        return;
    }
    std::fprintf(stderr, "vkerr decode: malformed image: %s\n",
                 rejectionReason(master, image.data(), image.size()).c_str());
}

int decodeMessages(const std::vector<unsigned char>& image, VkNDelivery::Layout layout) {
    if (image.size() > UINT32_MAX) {
        std::fprintf(stderr, "vkerr decode: the input has %zu bytes; images hold at most 4294967295\n",
                     image.size());
        return kExitMalformed;
    }
    VkCErrorListPool& master = VkCErrorManager::getInstance().getMasterErrorList();
    master.reset();
    const ReadImage read = readImage(image.data(), image.size());
    std::string text;
    for (uint32_t index = 0; index < read.list->getNumberOfUsedEntries(); ++index) {
        text.clear();
        VkNDelivery::appendMessage(text, *read.list, index, layout);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fflush(stdout);
    if (read.accepted) return kExitOk;
    reportRejection(master, image);
    return kExitMalformed;
}

int runDecode(const DecodeOptions& options) {
    if (options.plain + options.tabbed + options.json + options.annotate > 1)
        return usageError("decode", "choose one of --plain, --tabbed, --json and --annotate");
    std::vector<unsigned char> image;
    if (!readInput("decode", options.path, image)) return kExitNoInput;
    if (options.annotate) {
        const ImageAnnotation annotation = annotateImage(image.data(), image.size());
        std::fputs(formatAnnotation(annotation, image.data(), image.size()).c_str(), stdout);
        return annotation.firstFault() == nullptr ? kExitOk : kExitMalformed;
    }
    using VkNDelivery::Layout;
    const Layout layout = options.json ? Layout::kJson : options.tabbed ? Layout::kTabbed : Layout::kPlain;
    return decodeMessages(image, layout);
}

}  // namespace

void addDecodeCommand(CLI::App& vkerr) {
    CLI::App& command = addCommand(vkerr, "decode", "print the messages of a list or message image", kHelp);
    auto options = std::make_shared<DecodeOptions>();
    command.add_flag("--plain", options->plain);
    command.add_flag("--tabbed", options->tabbed);
    command.add_flag("--json", options->json);
    command.add_flag("--annotate", options->annotate);
    command.add_option("FILE", options->path);
    setAction(command, [options] { return runDecode(*options); });
}

}  // namespace VkNTool
