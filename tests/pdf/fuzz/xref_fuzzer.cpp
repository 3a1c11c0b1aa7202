#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf/smart_pdf_reader.h"

// The whole reading side over one file: header, cross-reference chain, and every object.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    foldant::TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    foldant::TSmartPDFReader reader(stream);
    const int32_t count = std::min(reader.ObjectCount(), 2000);
    for (int32_t n = 1; n <= count; ++n) {
        foldant::TPDFStructure store;
        reader.GetObject(n, &store);
        reader.GetObject(n, nullptr);
    }
    return 0;
}
