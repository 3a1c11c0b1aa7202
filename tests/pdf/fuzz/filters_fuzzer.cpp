#include <cstddef>
#include <cstdint>
#include <string>

#include "pdf/pdf_filters.h"

// The first byte picks the filter and its parameters; the rest is the data.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const uint8_t selector = data[0];
    const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    foldant::TPDFFlateParms parms;
    parms.Predictor = (selector & 0x10) != 0 ? 2 : 10 + (data[1] & 3);
    parms.Colors = 1 + (data[1] >> 2 & 3);
    parms.BitsPerComponent = 1 << (data[1] >> 4 & 3);
    parms.Columns = 1 + (data[1] >> 6) * 7;
    switch (selector & 7) {
        case 0:
            foldant::FlateDecode(bytes);
            break;
        case 1:
            foldant::FlateDecodeWithPredictor(bytes, parms);
            break;
        case 2: {
            foldant::TPDFLZWParms lzw;
            static_cast<foldant::TPDFFlateParms&>(lzw) = parms;
            foldant::LZWDecode(bytes, &lzw, (selector & 8) != 0);
            break;
        }
        case 3:
            foldant::RunLengthDecode(bytes);
            break;
        case 4:
            foldant::ASCII85Decode(bytes);
            break;
        case 5:
            foldant::ASCIIHexDecode(bytes);
            break;
        case 6:
            foldant::UndoPredictor(bytes, parms);
            break;
        default:
            foldant::FlateDecode(foldant::FlateEncode(bytes));
            break;
    }
    return 0;
}
