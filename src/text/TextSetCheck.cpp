// Checking a text set: every mistake that would make one of its messages
// render wrongly, found by reading the set as the catalogue looks texts up,
// as recording stores values and as rendering fills placeholders, through
// the same functions.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "VkErrorHandling/VkTextCheck.h"
#include "catalogue/MessageCodes.h"
#include "catalogue/ModuleTable.h"
#include "text/FormatDescriptor.h"
#include "text/Placeholder.h"
#include "text/RecordedKinds.h"

namespace VkNTextCheck {
namespace {

using VkNList::VkEDescriptorKind;

constexpr uint32_t kModuleKeyMask = 0xFFF00000;
// Groups and texts beyond these no code can address; they are never read.
constexpr uint32_t kAddressableGroups = (VkNCatalogue::kTextGroupMask >> VkNCatalogue::kTextGroupShift) + 1;
constexpr uint32_t kAddressableTexts = VkNCatalogue::kTextIndexMask + 1;

std::string printed(const char* format, ...) VK_PRINTF_FORMAT(1, 2);
std::string printed(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);
    return text;
}

// `text` in double quotes on one line: control characters and quotes escaped.
std::string quoted(const char* text, size_t length) {
    std::string out = "\"";
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F) {
            out += printed("\\x%02X", c);
        } else {
            if (c == '"' || c == '\\') out += '\\';
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
std::string quoted(const char* text) { return quoted(text, std::strlen(text)); }

// The placeholder at `p` as written: the "%" and what its number is read
// from, or the one character after the "%" when no number follows.
std::string placeholderAt(const char* p) {
    const char* end = p + 1;
    while (VkNText::isScanSpace(*end) || *end == '+' || *end == '-') ++end;
    if (!VkNText::isPlaceholderDigit(*end)) return quoted(p, 2);
    while (VkNText::isPlaceholderDigit(*end) && end - p < 12) ++end;
    return quoted(p, static_cast<size_t>(end - p));
}

// Calls visit(p, number) for each "%" at p that rendering takes for a
// placeholder, with the number it reads there (0 when there is none).
template <typename Visit>
void forEachPlaceholder(const char* text, Visit&& visit) {
    for (const char* p = text; (p = std::strchr(p, '%')) != nullptr;) {
        if (p[1] == ' ' || p[1] == '\0') {  // a lone "%" stays as it is
            ++p;
            continue;
        }
        if (p[1] != '%') visit(p, VkNText::readPlaceholderNumber(p + 1));
        p += 2;
    }
}

const char* kindName(VkEDescriptorKind kind) {
    switch (kind) {
        case VkEDescriptorKind::kDouble:
            return "a double";
        case VkEDescriptorKind::kInt32:
            return "a 32-bit integer";
        case VkEDescriptorKind::kInt64:
            return "a 64-bit integer";
        case VkEDescriptorKind::kString:
            return "a string";
        default:
            return "nothing";
    }
}

// The kind of stored value a descriptor class reads; kUnknown for none.
VkEDescriptorKind kindShownBy(uint32_t descriptorClass) {
    switch (descriptorClass) {
        case VkNText::kClassInt32:
            return VkEDescriptorKind::kInt32;
        case VkNText::kClassDouble:
            return VkEDescriptorKind::kDouble;
        case VkNText::kClassString:
            return VkEDescriptorKind::kString;
        case VkNText::kClassInt64:
            return VkEDescriptorKind::kInt64;
        default:
            return VkEDescriptorKind::kUnknown;
    }
}

// Why a placeholder rendered by `descriptor` can't show the value recording
// stores for it (null: none is stored), or "" when it can.
std::string whyNotShown(const VkNText::VkSDescriptorView& descriptor, const VkEDescriptorKind* stored,
                        const char* format) {
    const VkEDescriptorKind shown = kindShownBy(descriptor.descriptorClass);
    const std::string written = quoted(descriptor.start, descriptor.length);
    VkNText::VkSConversion conversion;
    if (shown == VkEDescriptorKind::kUnknown ||
        (shown != VkEDescriptorKind::kString &&
         !VkNText::parseConversion(descriptor.start, descriptor.length, descriptor.descriptorClass,
                                   conversion))) {
        return "descriptor " + written + " is not one this library renders";
    }
    if (stored == nullptr) return "recording stores no value for it from " + quoted(format);
    if (*stored == shown) return "";
    return "descriptor " + written + " shows " + kindName(shown) + ", recording stores " + kindName(*stored);
}

// One check of one set; collects the problems in the order found.
class SetChecker {
public:
    SetChecker(const VkResText& set, size_t textCount)
        : set_(set),
          textCount_(textCount),
          groups_(set.groupCount < kAddressableGroups ? set.groupCount : kAddressableGroups) {}

    std::vector<VkTextProblem> run(const std::vector<VkCodeFormat>& formats) {
        if (VkNCatalogue::findModuleRow(set_.moduleCode) < 0) {
            add(ModuleNotInTable, set_.moduleCode, "",
                printed("module code 0x%08X has no row in the module table, so the set can't be registered",
                        set_.moduleCode));
        }
        if (set_.groupStarts == nullptr) {
            add(NullText, set_.moduleCode, "", "the group start array is null");
            return std::move(problems_);
        }
        if (set_.texts == nullptr) add(NullText, set_.moduleCode, "", "the text array is null");
        checkGroupStarts();
        if (set_.texts != nullptr) {
            checkTexts();
            for (const VkCodeFormat& format : formats) checkAgainstFormat(format);
        }
        return std::move(problems_);
    }

private:
    uint32_t groupCode(uint32_t group) const {
        return set_.moduleCode | (group << VkNCatalogue::kTextGroupShift);
    }

    // One past the last text of `group` that exists: a descending group is
    // empty, as the lookup treats it, and a known text count bounds the rest.
    uint32_t readableEnd(uint32_t group) const {
        const uint32_t start = set_.groupStarts[group];
        uint32_t end = set_.groupStarts[group + 1];
        if (textCount_ != 0 && end > textCount_) end = static_cast<uint32_t>(textCount_);
        return end > start ? end : start;
    }

    void add(VkETextProblem kind, uint32_t code, const char* text, std::string reason) {
        problems_.push_back(VkTextProblem{kind, code, text, std::move(reason)});
    }

    void checkGroupStarts() {
        bool pastReported = false;
        for (uint32_t group = 0; group < groups_; ++group) {
            const uint32_t start = set_.groupStarts[group];
            const uint32_t end = set_.groupStarts[group + 1];
            if (end < start) {
                add(GroupStartsInvalid, groupCode(group), "",
                    printed("group %u starts at text %u but the next group at %u: group starts must ascend",
                            group, start, end));
            } else if (textCount_ != 0 && end > textCount_ && !pastReported) {
                pastReported = true;  // the groups after it end there or later too
                add(GroupStartsInvalid, groupCode(group), "",
                    printed("group %u ends at text %u, past the %zu texts", group, end, textCount_));
            }
        }
    }

    void checkTexts() {
        for (uint32_t group = 0; group < groups_; ++group) {
            const uint32_t start = set_.groupStarts[group];
            uint32_t end = readableEnd(group);
            if (end - start > kAddressableTexts) end = start + kAddressableTexts;
            for (uint32_t position = start; position < end; ++position) {
                const uint32_t code = groupCode(group) | (position - start);
                const char* text = set_.texts[position];
                if (text == nullptr) {
                    add(NullText, code, "", "the text is null");
                } else {
                    checkPlaceholders(code, text);
                }
            }
        }
    }

    // What rendering shows as its out-of-range diagnostic, whatever the format.
    void checkPlaceholders(uint32_t code, const char* text) {
        forEachPlaceholder(text, [&](const char* p, uint32_t number) {
            if (number == 0 && !VkNText::isPlaceholderDigit(p[1])) {
                add(NotAPlaceholder, code, text,
                    placeholderAt(p) +
                        " renders the out-of-range diagnostic; a percent sign is written \"%%\"");
            } else if (number == 0 || number > VkNText::kMaxDescriptors) {
                add(PlaceholderNumber, code, text, placeholderAt(p) + ": placeholders run from %1 to %5");
            }
        });
    }

    // The text the catalogue finds for `code` in this set, or null.
    const char* textOf(uint32_t code) const {
        const uint32_t key = code & kModuleKeyMask;
        if (key != set_.moduleCode || (key == 0 && (code & VkNCatalogue::kBuiltInFlag) != 0)) return nullptr;
        const uint32_t group = (code & VkNCatalogue::kTextGroupMask) >> VkNCatalogue::kTextGroupShift;
        if (group >= groups_) return nullptr;
        const uint32_t start = set_.groupStarts[group];
        const uint32_t index = code & VkNCatalogue::kTextIndexMask;
        return index < readableEnd(group) - start ? set_.texts[start + index] : nullptr;
    }

    // Placeholders 1 to 5 against the descriptors of the format string the
    // code is sent with and the values recording stores from it.
    void checkAgainstFormat(const VkCodeFormat& sent) {
        const char* text = textOf(sent.code);
        if (text == nullptr) return;
        const char* format = sent.formatString != nullptr ? sent.formatString : "";
        VkNText::VkSDescriptorView descriptors[VkNText::kMaxDescriptors];
        const uint32_t count = VkNText::findFormatDescriptors(format, descriptors);
        VkEDescriptorKind kinds[kMaxAdditionalParameters];
        const uint32_t stored = VkNText::recordedKinds(format, kinds);
        uint32_t seen = 0;  // bit n: placeholder n already checked
        forEachPlaceholder(text, [&](const char* p, uint32_t number) {
            if (number == 0 || number > VkNText::kMaxDescriptors || (seen & (1u << number)) != 0) return;
            seen |= 1u << number;
            if (number > count) {
                add(PlaceholderAboveFormat, sent.code, text,
                    printed("%s but the format string %s has %u descriptor%s", placeholderAt(p).c_str(),
                            quoted(format).c_str(), count, count == 1 ? "" : "s"));
                return;
            }
            const std::string why =
                whyNotShown(descriptors[number - 1], number <= stored ? &kinds[number - 1] : nullptr, format);
            if (!why.empty())
                add(DescriptorMismatch, sent.code, text, placeholderAt(p) + " renders nothing: " + why);
        });
    }

    const VkResText& set_;
    const size_t textCount_;
    const uint32_t groups_;  // the groups codes can address
    std::vector<VkTextProblem> problems_;
};

}  // namespace

std::vector<VkTextProblem> checkTextSet(const VkResText& set, size_t textCount,
                                        const std::vector<VkCodeFormat>& formats) {
    return SetChecker(set, textCount).run(formats);
}

}  // namespace VkNTextCheck
