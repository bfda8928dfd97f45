#include "serial/RegularBlock.h"

#include "list/EntryRelease.h"
#include "serial/ByteOrder.h"
#include "serial/WireFormat.h"

namespace VkNSerial {

namespace {

// The fixed part of a block behind its identifier and size: the version, the
// header fields from the header-bytes field through the string bytes, and
// the fixed string count.
constexpr size_t kFixedBodyBytes = 4 + kMessageHeaderBytes + 4;

// A cursor that only ever moves within a block already known to be in
// the input, so each field needs one comparison with the block's end.
class BlockCursor {
  public:
    BlockCursor(const unsigned char* at, const unsigned char* end) : at_(at), end_(end) {}

    bool atEnd() const { return at_ == end_; }

    bool word(uint32_t& value) {
        if (left() < 4) return false;
        value = loadBig32(at_);
        at_ += 4;
        return true;
    }

    // A string that ends in its NUL, as every sender writes it; anything
    // else is left to the field-by-field reader.
    bool text(const char*& text, uint32_t& length) {
        if (!word(length) || length == 0 || length > left() || at_[length - 1] != '\0') return false;
        text = reinterpret_cast<const char*>(at_);
        at_ += length;
        return true;
    }

    // `count` values of `width` bytes, in place.
    bool values(uint32_t count, size_t width, const unsigned char*& values) {
        if (count > left() / width) return false;
        values = at_;
        at_ += count * width;
        return true;
    }

  private:
    size_t left() const { return static_cast<size_t>(end_ - at_); }

    const unsigned char* at_;
    const unsigned char* const end_;
};

// The parsed block: everything it stores, still in the image.
struct RegularBlock {
    const unsigned char* header;  // at the header-bytes field
    const char* format;
    uint32_t formatLength;  // its NUL included
    const char* function;
    const char* messageTemplate;
    uint32_t stringCount;
    uint32_t integerCount;
    uint32_t wideCount;
    // The first min(stringCount, kMaxAdditionalParameters) are set.
    const char* strings[kMaxAdditionalParameters];
    const unsigned char* integers;
    const unsigned char* wides;
};

bool parseRegularBlock(const unsigned char* body, size_t length, RegularBlock& block) {
    if (length < kFixedBodyBytes || loadBig32(body) != kWireVersion ||
        loadBig32(body + 4) != kMessageHeaderBytes || loadBig32(body + 52) != kFixedStringCount) {
        return false;
    }
    block.header = body + 4;
    BlockCursor cursor(body + kFixedBodyBytes, body + length);
    uint32_t textLength = 0;
    if (!cursor.text(block.format, block.formatLength) || !cursor.text(block.function, textLength) ||
        !cursor.text(block.messageTemplate, textLength) || !cursor.word(block.stringCount)) {
        return false;
    }
    for (uint32_t i = 0; i < block.stringCount; ++i) {
        const char* text = nullptr;
        if (!cursor.text(text, textLength)) return false;
        if (i < kMaxAdditionalParameters) block.strings[i] = text;
    }
    return cursor.word(block.integerCount) && cursor.values(block.integerCount, 4, block.integers) &&
           cursor.word(block.wideCount) && cursor.values(block.wideCount, 8, block.wides) && cursor.atEnd();
}

// The parameters of an entry whose old ones were just released, typed by
// `plan`: how many it takes is known before the walk, so the slots are
// written directly, without the per-value limit checks of appending.
void storeParameters(VkErrorListAccess::Entry& entry, uint32_t maxParameters, const FormatPlan& plan,
                     const RegularBlock& block) {
    const uint32_t count = plan.count < maxParameters ? plan.count : maxParameters;
    uint32_t nextString = 0;
    uint32_t nextInteger = 0;
    uint32_t nextWide = 0;
    for (uint32_t i = 0; i < count; ++i) {
        VkSParameter& slot = entry.additionalParameters[i];
        switch (plan.kinds[i]) {
            case FormatPlan::kString:
                slot.type = kParameterString;
                slot.value.stringValue =
                    VkNList::copyString(nextString < block.stringCount ? block.strings[nextString] : nullptr);
                ++nextString;
                break;
            case FormatPlan::kInteger:
                slot.type = kParameterInt32;
                slot.value.int64Value = 0;  // keep the unused half of the value defined
                slot.value.int32Value =
                    nextInteger < block.integerCount
                        ? static_cast<int32_t>(loadBig32(block.integers + 4 * nextInteger))
                        : 0;
                ++nextInteger;
                break;
            default:  // 64-bit integer or double: the same bits either way
                slot.type = plan.kinds[i] == FormatPlan::kDouble ? kParameterDouble : kParameterInt64;
                slot.value.int64Value = nextWide < block.wideCount
                                            ? static_cast<int64_t>(loadBig64(block.wides + 8 * nextWide))
                                            : 0;
                ++nextWide;
                break;
        }
    }
    entry.additionalParametersCount = count;
}

void storeRegularBlock(VkErrorListAccess::Entry& entry, uint32_t maxParameters, const RegularBlock& block,
                       double stampFactor, FormatPlans* plans) {
    storeHeaderFields(entry, block.header, stampFactor);
    VkNList::replaceString(entry.formatString, block.format);
    VkNList::replaceString(entry.functionName, block.function);
    VkNList::replaceString(entry.messageTemplate, block.messageTemplate);
    VkNList::releaseParameters(entry);
    const char* const format = VkNList::stringOrEmpty(entry.formatString);
    FormatPlan ownPlan;
    const FormatPlan* plan = &ownPlan;
    if (plans != nullptr) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(block.format);
        plan = &plans->planFor(bytes, block.formatLength, format);
    } else {
        ownPlan = planFormat(format);
    }
    storeParameters(entry, maxParameters, *plan, block);
}

}  // namespace

bool readRegularBlock(VkErrorListAccess::Entry& entry, uint32_t maxParameters, const unsigned char* body,
                      size_t length, double stampFactor, FormatPlans* plans) {
    RegularBlock block;
    if (!parseRegularBlock(body, length, block)) return false;
    storeRegularBlock(entry, maxParameters, block, stampFactor, plans);
    return true;
}

}  // namespace VkNSerial
