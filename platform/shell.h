#pragma once

// Desktop shell services: showing a file to the user in a file manager.

#include <string>

namespace foldant::platform {

// Opens a file-manager window on the file's folder with the file selected, where the desktop
// offers that (the FileManager1 service on the session bus); otherwise opens the folder with
// the desktop's opener. Nothing happens when the file does not exist. Answers whether a window
// was asked for. The environment variable FOLDANT_OPEN_COMMAND, when set, names a program that
// is run with the file's path instead (used by tests). The path is Windows-1252.
bool ShowFileInFileManager(const std::string& ansiPath);

}  // namespace foldant::platform
