#pragma once

// Working files of merge jobs. Each name carries a fixed prefix and the id of the process that
// made it, so that a later start can remove what a killed run left behind without touching
// the files of an instance that still runs.

#include <string>
#include <string_view>

namespace foldant {

// A new name for a working file of this process in `folder` (with or without a trailing "/"),
// ending in `extension` (".pdf").
std::string JobFileName(const std::string& folder, std::string_view extension);
// The name under which the original of a target is kept while it is overwritten in place. Such
// a file may be the only whole copy of a user's document, so no clean-up ever removes it.
std::string KeptOriginalName(const std::string& folder);
// Whether a file name is a working file's, and of which process (0 when it is none).
int64_t JobFileOwner(std::string_view fileName);
// Deletes the working files in the folder whose process no longer runs; answers how many.
int RemoveStaleJobFiles(const std::string& folder);

}  // namespace foldant
