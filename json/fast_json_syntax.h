#pragma once

// The text rules of the lightweight JSON model: trimming, cutting a text at its top-level
// separators, classifying a piece by its first and last character, and the string escapes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foldant::fast_json {

// Drops characters with codes up to 32 from both ends.
std::string_view Trim(std::string_view text);

// Pieces between separators outside quoted and bracketed stretches, each trimmed; an empty
// piece counts, except an empty rest after the last separator.
std::vector<std::string_view> CutAtSeparators(std::string_view text, char separator);

enum class PieceKind { NotAValue, Object, Array, String, Null, Boolean, Number };

struct Classified {
    PieceKind kind = PieceKind::NotAValue;
    double number = 0;
};

Classified Classify(std::string_view piece);

bool IsQuoted(std::string_view piece);

// className names the node in the "InvalidHexNumber" error.
std::string Unescape(std::string_view inside, const char* className);
void AppendEscaped(std::string& out, std::string_view bytes);

}  // namespace foldant::fast_json
