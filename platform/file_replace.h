#pragma once

// What safe replacement of a user's file needs from the system: a rename that swaps a finished
// file in for the old one in one step, and the listing of a folder to find left-over working
// files. Paths are Windows-1252 text.

#include <string>
#include <vector>

namespace foldant::platform {

// Puts `source` in the place of `target` in one step: at every moment the target's path leads
// to the old file or to the complete new one. The new file takes the old one's permissions, and
// the change of the folder is on the disk when this answers true. Both must lie on one volume.
bool RenameOver(const std::string& ansiSource, const std::string& ansiTarget);

// The names (without folder) of the plain files in a folder; empty when it cannot be listed.
std::vector<std::string> FileNamesIn(const std::string& ansiFolder);

}  // namespace foldant::platform
