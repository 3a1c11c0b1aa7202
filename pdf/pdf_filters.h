#pragma once

#include <cstdint>
#include <string>

namespace foldant {

class TPDFDictionary;

// No decoder produces more than this; a few kilobytes of Flate data can claim gigabytes.
constexpr size_t kMaxDecodedSize = size_t{128} << 20;

struct TPDFFlateParms {
    int32_t Predictor = 1;
    int32_t Colors = 1;
    int32_t BitsPerComponent = 8;
    int32_t Columns = 1;
    std::string Text;
};

struct TPDFLZWParms : TPDFFlateParms {};

// The parameters found in a DecodeParms dictionary; missing or non-numeric ones keep their
// defaults.
TPDFFlateParms ReadFilterParms(const TPDFDictionary& dictionary);

// Inflates one zlib stream; a damaged or truncated stream yields its readable beginning.
std::string FlateDecode(const std::string& bytes);
std::string FlateDecodeWithPredictor(const std::string& bytes, const TPDFFlateParms& parms);
std::string FlateEncode(const std::string& bytes);

// Undoes the PNG (Predictor 10 and above) or TIFF (Predictor 2) predictor.
std::string UndoPredictor(const std::string& data, const TPDFFlateParms& parms);

std::string LZWDecode(const std::string& bytes, const TPDFLZWParms* parms, bool earlyChange);
std::string RunLengthDecode(const std::string& bytes);
std::string ASCII85Decode(const std::string& bytes);
std::string ASCIIHexDecode(const std::string& bytes);

}  // namespace foldant
