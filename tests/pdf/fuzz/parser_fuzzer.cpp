#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/object_body.h"
#include "pdf/pdf_objects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    foldant::TPDFStructure store;
    int64_t consumed = 0;
    foldant::TPDFObject& object = store.ParseAt(text, 1, consumed);
    if (consumed < 0 || consumed > static_cast<int64_t>(size)) {
        __builtin_trap();
    }
    try {
        object.WriteToText();
    } catch (const std::range_error&) {
    }
    const std::string body = foldant::ExtractObjectBody(text);
    int64_t start = 0;
    int64_t length = 0;
    if (foldant::LocateStreamData(body, start, length) &&
        (start < 1 || length < 0 || start - 1 + length > static_cast<int64_t>(body.size()))) {
        __builtin_trap();
    }
    return 0;
}
