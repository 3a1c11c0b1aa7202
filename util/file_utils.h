#pragma once

// File, folder and temporary-file helpers shared by the whole module. Paths are Windows-1252
// text with "/" as the folder delimiter; the operating-system layer converts them at the call.
// Files that other programs may hold open at the same moment are the reason for the retries.

#include <string>
#include <vector>

namespace foldant {

bool PathIsFile(const std::string& path);
bool PathIsFolder(const std::string& path);
bool FolderReachable(const std::string& path);
std::string WithTrailingDelimiter(const std::string& path);
std::string WithoutTrailingDelimiter(const std::string& path);

// Raises an input/output error "Verzeichnis kann nicht erstellt werden" (code 3) for an empty
// path; every other failure is a false result.
bool EnsureDirectory(const std::string& path);
void EnsureFileFolder(const std::string& path);

std::string GetTempFolder(const std::string& name = {});
std::string UniqueTempName();

bool DeleteFileIfExists(const std::string& path);
bool CopyFileRetry(const std::string& source, const std::string& destination);

void SaveLinesRetry(const std::vector<std::string>& lines, const std::string& path);
void LoadLinesRetry(std::vector<std::string>& lines, const std::string& path);

}  // namespace foldant
