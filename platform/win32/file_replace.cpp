#include "platform/file_replace.h"

#include "platform/win32/windows_api.h"

namespace foldant::platform {

// MoveFileEx with write-through answers only once the rename is on the disk; a target another
// program holds open without delete sharing is refused, so it is never replaced under it.
bool RenameOver(const std::string& ansiSource, const std::string& ansiTarget) {
    if (ansiSource.empty() || ansiTarget.empty()) {
        return false;
    }
    const std::wstring source = win32::Wide(ansiSource);
    const std::wstring target = win32::Wide(ansiTarget);
    const DWORD old = ::GetFileAttributesW(target.c_str());
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return false;
    }
    if (!::MoveFileExW(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return false;
    }
    // The new file takes the old one's read-only flag, as it takes its permissions elsewhere.
    if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_READONLY) != 0) {
        const DWORD now = ::GetFileAttributesW(target.c_str());
        if (now != INVALID_FILE_ATTRIBUTES) {
            ::SetFileAttributesW(target.c_str(), now | FILE_ATTRIBUTE_READONLY);
        }
    }
    return true;
}

std::vector<std::string> FileNamesIn(const std::string& ansiFolder) {
    std::vector<std::string> names;
    std::string pattern = ansiFolder.empty() ? std::string(".") : ansiFolder;
    if (pattern.back() != '\\' && pattern.back() != '/') {
        pattern += '\\';
    }
    pattern += '*';
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(win32::Wide(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
            0) {
            names.push_back(win32::Ansi(found.cFileName));
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

}  // namespace foldant::platform
