#pragma once

#include <string>

namespace foldant {

// "DoCallExternalServerExChangeMMF.txt" in the module's temporary folder.
std::string MarkerFilePath();

// A non-empty text creates or replaces the marker file with exactly that text (raising
// "Cannot create %s." with the path when it cannot be created); an empty text deletes it.
void WriteMarkerFile(const std::string& text);

}  // namespace foldant
