#pragma once

#include <string>
#include <vector>

namespace foldant {

inline constexpr const char* kJoinUsage =
    "join -o OUT IN1 [IN2 ...] [--compact] [--permissions CODE] [--log FILE]";

// Copies IN1 to OUT and joins IN2 ... into it as a merge job; with --compact the job stores
// each object a reader can reach once (the job member "Compact"). Exit status 0 when every file
// was joined, 1 when one was not, 2 for a usage or file error. OUT is replaced only by the
// finished result; after a file error it is as it was (or absent).
int RunJoin(const std::vector<std::string>& arguments);

}  // namespace foldant
