#include "platform/file_system.h"

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

bool Usable(const std::string& ansiPath) {
    return !ansiPath.empty() && ansiPath.find('\0') == std::string::npos;
}

win32::Handle OpenForQuery(const std::string& ansiPath) {
    return win32::Handle(::CreateFileW(
        win32::Wide(ansiPath).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

AttributeQuery ReadFileAttributes(const std::string& ansiPath) {
    AttributeQuery query;
    if (!Usable(ansiPath)) {
        query.error = ansiPath.empty() ? ErrorClass::FileNotFound : ErrorClass::InvalidName;
        return query;
    }
    const DWORD attributes = ::GetFileAttributesW(win32::Wide(ansiPath).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        query.error = win32::ClassifyWindowsError(::GetLastError());
        return query;
    }
    query.attributes.isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    query.attributes.isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    query.attributes.readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    return query;
}

bool OpensFollowingLinks(const std::string& ansiPath) {
    return Usable(ansiPath) && OpenForQuery(ansiPath).Valid();
}

bool FindFirstIsFile(const std::string& ansiPath) {
    // A directory search would take these as wildcards; no file can be named with them.
    if (!Usable(ansiPath) || ansiPath.find_first_of("*?") != std::string::npos) {
        return false;
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(win32::Wide(ansiPath).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    ::FindClose(search);
    return (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool SetReadOnly(const std::string& ansiPath, bool readOnly) {
    if (!Usable(ansiPath)) {
        return false;
    }
    const std::wstring path = win32::Wide(ansiPath);
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    attributes = readOnly ? (attributes | FILE_ATTRIBUTE_READONLY)
                          : (attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    if (attributes == 0) {
        attributes = FILE_ATTRIBUTE_NORMAL;
    }
    return ::SetFileAttributesW(path.c_str(), attributes) != 0;
}

bool MakeFolder(const std::string& ansiPath) {
    if (!Usable(ansiPath)) {
        return false;
    }
    const std::wstring path = win32::Wide(ansiPath);
    if (::CreateDirectoryW(path.c_str(), nullptr)) {
        return true;
    }
    return ::GetLastError() == ERROR_ALREADY_EXISTS && IsFolder(path);
}

bool SameFile(const std::string& ansiFirst, const std::string& ansiSecond) {
    if (!Usable(ansiFirst) || !Usable(ansiSecond)) {
        return false;
    }
    win32::Handle first = OpenForQuery(ansiFirst);
    win32::Handle second = OpenForQuery(ansiSecond);
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    return first.Valid() && second.Valid() && ::GetFileInformationByHandle(first.Get(), &a) &&
           ::GetFileInformationByHandle(second.Get(), &b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
           a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
}

bool DeleteFile(const std::string& ansiPath) {
    return Usable(ansiPath) && ::DeleteFileW(win32::Wide(ansiPath).c_str()) != 0;
}

std::string SystemTempFolder() {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    std::wstring folder(buffer, length > MAX_PATH + 1 ? 0 : length);
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) {
        folder.pop_back();
    }
    return folder.empty() ? std::string("C:\\Windows\\Temp") : win32::Ansi(folder);
}

// The temporary folder of a Windows user is private to that user already; a reparse point
// planted there is still refused.
bool ClaimPrivateFolder(const std::string& ansiPath) {
    if (!Usable(ansiPath)) {
        return false;
    }
    const std::wstring path = win32::Wide(ansiPath);
    if (!::CreateDirectoryW(path.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
           (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY)) == 0;
}

// Windows has no such folder; the temporary folder of a user is private to that user.
std::string UserRuntimeFolder() {
    return {};
}

std::string UserIdText() {
    wchar_t name[257] = {};
    DWORD length = 257;
    if (!::GetUserNameW(name, &length) || length == 0) {
        return "0";
    }
    return win32::Ansi(std::wstring(name, length - 1));
}

}  // namespace foldant::platform
