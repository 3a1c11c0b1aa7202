#pragma once

// File, folder and temporary-file helpers shared by the whole module. Paths are Windows-1252
// text with "/" as the folder delimiter; the operating-system layer converts them at the call.
// Files that other programs may hold open at the same moment are the reason for the retries.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace foldant {

// An existing file (also one that others hold locked), not a folder.
bool PathIsFile(const std::string& path);
bool PathIsFolder(const std::string& path);
// A folder that can be reached, through a symbolic link too; a dangling link is not one.
bool FolderReachable(const std::string& path);
// An empty path stays empty, a path ending in "/" is kept, every other path gets "/".
std::string WithTrailingDelimiter(const std::string& path);
// Removes one trailing "/", if there is one.
std::string WithoutTrailingDelimiter(const std::string& path);

// Whether the folder and all its parents exist or were created; "/" is true at once. Raises
// InOutError "Verzeichnis kann nicht erstellt werden" (code 3) for an empty path; every other
// failure is a false result. Relative paths start from the current folder.
bool EnsureDirectory(const std::string& path);
// Creates the folder of a file when it is missing; a bare file name needs none.
void EnsureFileFolder(const std::string& path);

// The module's temporary folder, "QvTempDir/" in the system's one, followed by the subfolder
// `name` when given; created when missing. The folder is always this user's own and writable by
// nobody else: when another user of the machine holds "QvTempDir" already, this user's own
// "QvTempDir-<uid>/" (then "-1", "-2") takes its place, then "QvTempDir/" in the user's runtime
// folder. Raises InOutError when none of them can be had.
std::string GetTempFolder(const std::string& name = {});
// A path in the module's temporary folder whose name is at most nine decimal digits.
std::string UniqueTempName();
// The ELF hash of the System V ABI, 0 to 268,435,455.
uint32_t ElfHash(std::string_view text);

// True when the file is gone: deleted, or not there in the first place.
bool DeleteFileIfExists(const std::string& path);
// Copies while the destination is locked by others: up to 10 attempts, waiting 100 ms longer
// after each failure. Raises platform::OsError when the source cannot be opened and the error of
// EnsureDirectory for a destination without a folder part; otherwise answers whether it worked.
bool CopyFileRetry(const std::string& source, const std::string& destination);

// Writes the lines, each ended by CR LF, replacing the file; a read-only file is written and
// stays read-only. Up to 100 attempts 100 ms apart; the last failure is raised.
void SaveLinesRetry(const std::vector<std::string>& lines, const std::string& path);
// Replaces `lines` with the file's lines (split at CR LF, CR or LF). A missing file leaves them
// as they are. Up to 100 attempts 100 ms apart; the last failure is raised.
void LoadLinesRetry(std::vector<std::string>& lines, const std::string& path);
// Splits text at CR LF, CR or LF; a line break at the very end makes no empty last line.
std::vector<std::string> SplitLines(std::string_view text);

}  // namespace foldant
