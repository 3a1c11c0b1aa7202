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
inline constexpr std::string_view kCO = "CO";
inline constexpr std::string_view kDR = "DR";
inline constexpr std::string_view kFields = "Fields";
inline constexpr std::string_view kFT = "FT";
inline constexpr std::string_view kKids = "Kids";
inline constexpr std::string_view kLimits = "Limits";
inline constexpr std::string_view kNames = "Names";
inline constexpr std::string_view kParent = "Parent";
inline constexpr std::string_view kRect = "Rect";
inline constexpr std::string_view kT = "T";

}  // namespace foldant
