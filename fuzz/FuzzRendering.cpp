#include "FuzzRendering.h"

#include <cstdio>
#include <string>

namespace {

FILE* nullStream() {
    static FILE* stream = std::fopen("/dev/null", "w");
    return stream;
}

}  // namespace

void renderEntries(VkCErrorList& list, uint32_t count) {
    if (FILE* stream = nullStream()) {
        list.print(stream, false);
        list.print(stream, true);
    }
    std::string out;
    for (uint32_t index = 0; index < count; ++index) {
        out.clear();
        list.getTabbedMessageData(out, index, nullptr);
        list.printError(out, index);
        out += list.getErrorText(index);
    }
}
