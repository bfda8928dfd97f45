// An annotated dump of a list image or message image, field by field.
//
// The annotator walks the bytes the way the library's readers do and notes,
// on the field concerned, every place where a reader would fail or skip
// bytes. It is meant for damaged and foreign images, so it trusts nothing:
// every read is bounds-checked, every count is limited by the bytes actually
// present, and the work is linear in the length of the input.
//
// The walk goes on past a fault as long as the layout still tells where the
// next field lies, so one dump shows every damaged field; the first fault is
// the one a reader stops at.
#ifndef VKERR_TOOLS_IMAGEANNOTATOR_H_
#define VKERR_TOOLS_IMAGEANNOTATOR_H_

#include <cstddef>
#include <string>
#include <vector>

namespace VkNTool {

// One row of the dump. `offset` and `length` always lie inside the input;
// a row about a missing field or a final count has length 0.
struct AnnotatedField {
    size_t offset = 0;
    size_t length = 0;
    std::string name;
    std::string value;
    std::string note;    // why the field matters, or what the reader does with it
    bool fault = false;  // a reader fails here
};

struct ImageAnnotation {
    std::vector<AnnotatedField> fields;

    // The first row marked as a fault, or null for an image a reader accepts.
    const AnnotatedField* firstFault() const;
};

ImageAnnotation annotateImage(const unsigned char* data, size_t length);

// The rows as text, one line each: offset, raw bytes, field name, value and
// note, then a closing line naming the first fault or saying there is none.
std::string formatAnnotation(const ImageAnnotation& annotation, const unsigned char* data, size_t length);

}  // namespace VkNTool

#endif  // VKERR_TOOLS_IMAGEANNOTATOR_H_
