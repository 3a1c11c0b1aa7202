#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/windows1252.h"

namespace foldant::platform {
namespace {

// The system path for an ANSI path, or nothing usable when it holds a NUL byte.
bool ToSystemPath(const std::string& ansiPath, std::string& utf8Path) {
    if (ansiPath.empty() || ansiPath.find('\0') != std::string::npos) {
        return false;
    }
    utf8Path = AnsiToUtf8(ansiPath);
    return true;
}

}  // namespace

AttributeQuery ReadFileAttributes(const std::string& ansiPath) {
    AttributeQuery query;
    std::string path;
    if (!ToSystemPath(ansiPath, path)) {
        query.error = ansiPath.empty() ? ErrorClass::FileNotFound : ErrorClass::InvalidName;
        return query;
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        int error = errno;
        query.error = ClassifyErrno(error, path);
        return query;
    }
    query.attributes.isLink = S_ISLNK(info.st_mode);
    if (query.attributes.isLink) {
        struct stat target {};
        if (::stat(path.c_str(), &target) == 0) {
            info = target;
        }
    }
    query.attributes.isFolder = S_ISDIR(info.st_mode);
    query.attributes.readOnly = !S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0;
    return query;
}

bool OpensFollowingLinks(const std::string& ansiPath) {
    std::string path;
    if (!ToSystemPath(ansiPath, path)) {
        return false;
    }
    int fd = ::open(path.c_str(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool FindFirstIsFile(const std::string& ansiPath) {
    std::string path;
    if (!ToSystemPath(ansiPath, path)) {
        return false;
    }
    auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? std::string("/")
                                                          : path.substr(0, slash);
    if (name.empty()) {
        return false;
    }
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return false;
    }
    bool found = false;
    bool isFile = false;
    while (dirent* entry = ::readdir(listing)) {
        if (name != entry->d_name) {
            continue;
        }
        found = true;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            isFile = ::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
                     !S_ISDIR(info.st_mode);
        } else {
            isFile = entry->d_type != DT_DIR;
        }
        break;
    }
    ::closedir(listing);
    return found && isFile;
}

bool SetReadOnly(const std::string& ansiPath, bool readOnly) {
    std::string path;
    if (!ToSystemPath(ansiPath, path)) {
        return false;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    mode_t mode = info.st_mode & 07777;
    mode = readOnly ? (mode & ~S_IWUSR) : (mode | S_IWUSR);
    return ::chmod(path.c_str(), mode) == 0;
}

bool MakeFolder(const std::string& ansiPath) {
    std::string path;
    if (!ToSystemPath(ansiPath, path)) {
        return false;
    }
    if (::mkdir(path.c_str(), 0777) == 0) {
        return true;
    }
    struct stat info {};
    return errno == EEXIST && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool SameFile(const std::string& ansiFirst, const std::string& ansiSecond) {
    std::string first;
    std::string second;
    if (!ToSystemPath(ansiFirst, first) || !ToSystemPath(ansiSecond, second)) {
        return false;
    }
    struct stat a {};
    struct stat b {};
    return ::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0 &&
           a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool DeleteFile(const std::string& ansiPath) {
    std::string path;
    return ToSystemPath(ansiPath, path) && ::unlink(path.c_str()) == 0;
}

std::string SystemTempFolder() {
    const char* folder = std::getenv("TMPDIR");
    if (folder == nullptr || *folder == '\0') {
        return "/tmp";
    }
    return Utf8ToAnsi(folder);
}

namespace {

// A real folder (not a link) of this user that only this user may write to.
bool IsPrivateFolder(const std::string& utf8Path) {
    struct stat info {};
    return ::lstat(utf8Path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
           ::access(utf8Path.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

bool ClaimPrivateFolder(const std::string& ansiPath) {
    std::string path;
    if (!ToSystemPath(ansiPath, path)) {
        return false;
    }
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    return IsPrivateFolder(path);
}

std::string UserRuntimeFolder() {
    const char* folder = std::getenv("XDG_RUNTIME_DIR");
    if (folder == nullptr || *folder == '\0' || !IsPrivateFolder(folder)) {
        return {};
    }
    return Utf8ToAnsi(folder);
}

std::string UserIdText() {
    return std::to_string(::geteuid());
}

}  // namespace foldant::platform
