#include <cstddef>
#include <cstdint>
#include <string_view>

#include "json/json_text.h"

// Whatever the text, parsing must not fail, and a parsed tree must print and parse again to a
// tree that prints the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto tree = foldant::TQvJSONText::ParseJsonText(text);
    if (!tree) {
        return 0;
    }
    std::string compact = foldant::TQvJSONText::PrintCompact(*tree);
    foldant::TQvJSONText::PrintReadable(*tree);
    auto again = foldant::TQvJSONText::ParseJsonText(compact);
    if (!again) {
        __builtin_trap();
    }
    return 0;
}
