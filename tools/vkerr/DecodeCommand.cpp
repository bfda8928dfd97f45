// vkerr decode: read a list image or a message image with the library's own
// readers and print the messages, or annotate the image field by field.
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
#include "ImageFormat.h"
#include "MessageLayouts.h"

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

// No more messages can be in an image than message blocks fit in its bytes,
// so a hostile message count cannot make the receiving list huge.
uint32_t listCapacity(const std::vector<unsigned char>& image) {
    const uint64_t fitting = image.size() / kMinimumMessageSize + 1;
    uint64_t declared = fitting;
    if (image.size() >= 32) declared = loadBigEndian32(image.data() + 28);
    const uint64_t capacity = declared < fitting ? declared : fitting;
    return capacity == 0 ? 1 : static_cast<uint32_t>(capacity);
}

// Says why the image was rejected: the reports the library's reader recorded
// into this thread's master error list, or, for faults the reader does not
// report (the data ends early, a wrong length prefix), the annotator's finding.
void reportRejection(VkCErrorListPool& master, const std::vector<unsigned char>& image) {
    if (master.getNumberOfUsedEntries() > 0) {
        master.print(stderr, false);
        return;
    }
    const ImageAnnotation annotation = annotateImage(image.data(), image.size());
    const AnnotatedField* fault = annotation.firstFault();
    if (fault != nullptr) {
        std::fprintf(stderr, "vkerr decode: malformed image: %s at offset 0x%zx: %s\n", fault->name.c_str(),
                     fault->offset, fault->note.c_str());
    } else {
        std::fprintf(stderr, "vkerr decode: the library's reader rejected the image\n");
    }
}

int decodeMessages(const std::vector<unsigned char>& image, Layout layout) {
    if (image.size() > UINT32_MAX) {
        std::fprintf(stderr, "vkerr decode: the input has %zu bytes; images hold at most 4294967295\n",
                     image.size());
        return kExitMalformed;
    }
    const auto length = static_cast<uint32_t>(image.size());
    VkCErrorListPool& master = VkCErrorManager::getInstance().getMasterErrorList();
    master.reset();

    std::unique_ptr<VkCErrorList> list;
    uint32_t decoded;
    bool accepted;
    if (classifyImage(image.data(), image.size()) == ImageKind::kMessage) {
        list.reset(new VkCErrorList(1, 10, 0, 0, nullptr));
        accepted = list->deSerializeMessage(0, image.data(), length) == 0;
        decoded = accepted ? 1 : 0;
    } else {
        // Anything that is not a message image goes to the list reader, which
        // reports a foreign identifier itself.
        list.reset(new VkCErrorList(listCapacity(image), 10, 0, 0, nullptr));
        accepted = list->deSerialize(image.data(), length) >= 0;
        decoded = list->getNumberOfUsedEntries();
    }
    for (uint32_t index = 0; index < decoded; ++index) {
        const std::string text = renderMessage(*list, index, layout);
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fflush(stdout);
    if (accepted) return kExitOk;
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
