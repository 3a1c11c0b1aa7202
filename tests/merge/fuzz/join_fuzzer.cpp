// Joins two files cut from the input: the first two bytes say where the first one ends.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "pdf/byte_stream.h"
#include "pdf/pdf_library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const size_t split = std::min<size_t>(size - 2, (size_t{data[0]} << 8) | data[1]);
    const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    foldant::TMemoryStream first(bytes.substr(0, split));
    foldant::TMemoryStream second(bytes.substr(split));
    foldant::TMemoryStream output;
    foldant::TPdfLibrary library;
    try {
        library.JoinStreams(first, second, output);
    } catch (const std::exception&) {
    }
    return 0;
}
