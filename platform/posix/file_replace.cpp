#include "platform/file_replace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/windows1252.h"

namespace foldant::platform {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// A rename is durable only once the folder that records it is on the disk.
bool FlushFolder(const std::string& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return false;
    }
    const bool flushed = ::fsync(descriptor) == 0;
    return ::close(descriptor) == 0 && flushed;
}

}  // namespace

bool RenameOver(const std::string& ansiSource, const std::string& ansiTarget) {
    if (ansiSource.empty() || ansiTarget.empty()) {
        return false;
    }
    const std::string source = AnsiToUtf8(ansiSource);
    const std::string target = AnsiToUtf8(ansiTarget);
    // A file another program holds with a lock cannot be replaced, as on systems whose open
    // files cannot be renamed over; the lock taken here is held until the rename is done.
    const int held = ::open(target.c_str(), O_RDONLY | O_CLOEXEC);
    if (held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) != 0) {
        ::close(held);
        return false;
    }
    struct stat old {};
    bool renamed = false;
    if (held < 0 ||
        (::fstat(held, &old) == 0 && ::chmod(source.c_str(), old.st_mode & 07777) == 0)) {
        renamed = std::rename(source.c_str(), target.c_str()) == 0;
    }
    if (held >= 0) {
        ::close(held);
    }
    return renamed && FlushFolder(FolderOf(target));
}

std::vector<std::string> FileNamesIn(const std::string& ansiFolder) {
    std::vector<std::string> names;
    DIR* listing = ::opendir(AnsiToUtf8(ansiFolder.empty() ? "." : ansiFolder).c_str());
    if (listing == nullptr) {
        return names;
    }
    while (dirent* entry = ::readdir(listing)) {
        // Most file systems say in the entry what it is; only where they do not is it looked up,
        // so a job beside a folder of thousands of files does not look at each of them.
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat info {};
            regular = ::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                      S_ISREG(info.st_mode);
        }
        if (regular) {
            names.push_back(Utf8ToAnsi(entry->d_name));
        }
    }
    ::closedir(listing);
    return names;
}

}  // namespace foldant::platform
