#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/fast_json.h"
#include "json/json_error.h"

// Parsing either succeeds or raises JsonError; the text of a parsed document must parse again
// to the same text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    foldant::TFastJSON document;
    try {
        document.Parse(text);
    } catch (const foldant::JsonError&) {
        return 0;
    }
    std::string printed = document.ToText();
    foldant::TFastJSON again;
    again.Parse(printed);
    if (again.ToText() != printed) {
        __builtin_trap();
    }
    return 0;
}
