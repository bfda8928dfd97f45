// A text being composed piece by piece.
//
// Rendering appends many short pieces; into a std::string each is an
// out-of-line call that checks capacity and copies. Here an append is an
// inline bounds test and a copy into a buffer on the caller's stack, and a
// text that outgrows the buffer moves to a heap block that doubles as
// needed. Owns that block (released on destruction, also when an exception
// unwinds); not thread-safe.
#ifndef VKERRORHANDLING_SRC_TEXT_TEXTBUILDER_H_
#define VKERRORHANDLING_SRC_TEXT_TEXTBUILDER_H_

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace VkNText {

class VkCTextBuilder {
  public:
    VkCTextBuilder() : begin_(inline_), end_(inline_), limit_(inline_ + kInlineCapacity) {}
    ~VkCTextBuilder() {
        if (begin_ != inline_) delete[] begin_;
    }
    VkCTextBuilder(const VkCTextBuilder&) = delete;
    VkCTextBuilder& operator=(const VkCTextBuilder&) = delete;

    const char* data() const { return begin_; }
    char* data() { return begin_; }
    size_t size() const { return static_cast<size_t>(end_ - begin_); }
    bool empty() const { return end_ == begin_; }
    // Characters that fit behind the text before it must grow.
    size_t capacityLeft() const { return static_cast<size_t>(limit_ - end_); }

    void append(const char* text, size_t length) {
        char* p = reserve(length);
        std::memcpy(p, text, length);
        end_ = p + length;
    }
    void append(std::string_view text) { append(text.data(), text.size()); }
    void appendCString(const char* text) { append(text, std::strlen(text)); }
    void push(char c) {
        char* p = reserve(1);
        *p = c;
        end_ = p + 1;
    }

    // Room for `length` more characters at the end: write them there and
    // hand the new end to commit. Appending in between invalidates it.
    char* reserve(size_t length) {
        if (static_cast<size_t>(limit_ - end_) < length) grow(length);
        return end_;
    }
    void commit(char* end) { end_ = end; }

    // Drops everything behind the first `size` characters.
    void truncate(size_t size) { end_ = begin_ + size; }

    // Appends the text to `out`.
    void appendTo(std::string& out) const { out.append(begin_, size()); }

  private:
    // Room for a message of a few lines; a whole list moves to the heap.
    static constexpr size_t kInlineCapacity = 1024;

    void grow(size_t length);

    char* begin_;
    char* end_;
    char* limit_;
    char inline_[kInlineCapacity];
};

}  // namespace VkNText

#endif  // VKERRORHANDLING_SRC_TEXT_TEXTBUILDER_H_
