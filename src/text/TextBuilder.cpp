#include "text/TextBuilder.h"

namespace VkNText {

void VkCTextBuilder::grow(size_t length) {
    const size_t used = size();
    size_t capacity = static_cast<size_t>(limit_ - begin_) * 2;
    if (capacity < used + length) capacity = used + length;
    char* block = new char[capacity];
    std::memcpy(block, begin_, used);
    if (begin_ != inline_) delete[] begin_;
    begin_ = block;
    end_ = block + used;
    limit_ = block + capacity;
}

}  // namespace VkNText
