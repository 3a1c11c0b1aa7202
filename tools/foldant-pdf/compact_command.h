#pragma once

#include <string>
#include <vector>

namespace foldant {

inline constexpr const char* kCompactUsage = "compact -o OUT IN";

// Writes IN to OUT with each object a reader can reach once: equal fonts, images and the like
// are stored once and unused objects are left out. Exit status 0 when OUT was written, 1 when IN
// was refused (encrypted or not readable), 2 for a usage or file error. OUT is replaced only by
// the complete result, so OUT may be IN itself.
int RunCompact(const std::vector<std::string>& arguments);

}  // namespace foldant
