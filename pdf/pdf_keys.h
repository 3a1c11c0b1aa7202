#pragma once

#include <string_view>

namespace foldant {

// The dictionary keys the engine reads and writes, spelled once.

// Trailers and cross-reference streams.
inline constexpr std::string_view kEncrypt = "Encrypt";
inline constexpr std::string_view kID = "ID";
inline constexpr std::string_view kIndex = "Index";
inline constexpr std::string_view kInfo = "Info";
inline constexpr std::string_view kPrev = "Prev";
inline constexpr std::string_view kRoot = "Root";
inline constexpr std::string_view kSize = "Size";
inline constexpr std::string_view kW = "W";
inline constexpr std::string_view kXRefStm = "XRefStm";

// Any object.
inline constexpr std::string_view kType = "Type";

// Streams and their filters.
inline constexpr std::string_view kBitsPerComponent = "BitsPerComponent";
inline constexpr std::string_view kColors = "Colors";
inline constexpr std::string_view kColumns = "Columns";
inline constexpr std::string_view kDecodeParms = "DecodeParms";
inline constexpr std::string_view kDP = "DP";
inline constexpr std::string_view kEarlyChange = "EarlyChange";
inline constexpr std::string_view kFilter = "Filter";
inline constexpr std::string_view kLength = "Length";
inline constexpr std::string_view kPredictor = "Predictor";

// Object streams.
inline constexpr std::string_view kFirst = "First";
inline constexpr std::string_view kN = "N";

// Encryption dictionaries and their crypt filters.
inline constexpr std::string_view kAuthEvent = "AuthEvent";
inline constexpr std::string_view kCF = "CF";
inline constexpr std::string_view kCFM = "CFM";
inline constexpr std::string_view kEncryptMetadata = "EncryptMetadata";
inline constexpr std::string_view kO = "O";
inline constexpr std::string_view kOE = "OE";
inline constexpr std::string_view kP = "P";
inline constexpr std::string_view kPerms = "Perms";
inline constexpr std::string_view kR = "R";
inline constexpr std::string_view kStmF = "StmF";
inline constexpr std::string_view kStrF = "StrF";
inline constexpr std::string_view kU = "U";
inline constexpr std::string_view kUE = "UE";
inline constexpr std::string_view kV = "V";

// Page trees, name trees, forms and annotations.
inline constexpr std::string_view kAcroForm = "AcroForm";
inline constexpr std::string_view kAnnots = "Annots";
inline constexpr std::string_view kCO = "CO";
inline constexpr std::string_view kContents = "Contents";
inline constexpr std::string_view kCount = "Count";
inline constexpr std::string_view kCropBox = "CropBox";
inline constexpr std::string_view kDA = "DA";
inline constexpr std::string_view kDR = "DR";
inline constexpr std::string_view kFields = "Fields";
inline constexpr std::string_view kFT = "FT";
inline constexpr std::string_view kKids = "Kids";
inline constexpr std::string_view kLimits = "Limits";
inline constexpr std::string_view kMediaBox = "MediaBox";
inline constexpr std::string_view kNames = "Names";
inline constexpr std::string_view kNeedAppearances = "NeedAppearances";
inline constexpr std::string_view kPages = "Pages";
inline constexpr std::string_view kParent = "Parent";
inline constexpr std::string_view kQ = "Q";
inline constexpr std::string_view kRect = "Rect";
inline constexpr std::string_view kRotate = "Rotate";
inline constexpr std::string_view kT = "T";

// Outlines, destinations and actions.
inline constexpr std::string_view kA = "A";
inline constexpr std::string_view kAA = "AA";
inline constexpr std::string_view kD = "D";
inline constexpr std::string_view kDest = "Dest";
inline constexpr std::string_view kDests = "Dests";
inline constexpr std::string_view kLast = "Last";
inline constexpr std::string_view kNext = "Next";
inline constexpr std::string_view kOutlines = "Outlines";
inline constexpr std::string_view kS = "S";

}  // namespace foldant
