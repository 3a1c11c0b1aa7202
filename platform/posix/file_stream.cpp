#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "platform/os_error.h"
#include "platform/windows1252.h"

namespace foldant::platform {

namespace {

std::atomic<int64_t> writeBudget{-1};

// How many of `count` bytes the test limit lets through.
int64_t AllowedByBudget(int64_t count) {
    if (count <= 0) {
        return count;
    }
    int64_t budget = writeBudget.load();
    while (budget >= 0) {
        const int64_t allowed = std::min(budget, count);
        if (writeBudget.compare_exchange_weak(budget, budget - allowed)) {
            return allowed;
        }
    }
    return count;
}

}  // namespace

void FailWritesAfter(int64_t bytes) {
    writeBudget.store(bytes < 0 ? -1 : bytes);
}

std::unique_ptr<FileStream> FileStream::Open(const std::string& ansiPath, FileAccess access,
                                             FileShare share, FileCreation creation,
                                             OthersLocks othersLocks) {
    return OpenUtf8(AnsiToUtf8(ansiPath), access, share, creation, othersLocks);
}

std::unique_ptr<FileStream> FileStream::Open(const std::u16string& widePath, FileAccess access,
                                             FileShare share, FileCreation creation,
                                             OthersLocks othersLocks) {
    return OpenUtf8(Utf16ToUtf8(widePath), access, share, creation, othersLocks);
}

std::unique_ptr<FileStream> FileStream::OpenUtf8(const std::string& path, FileAccess access,
                                                 FileShare share, FileCreation creation,
                                                 OthersLocks othersLocks) {
    auto fail = [&](int error) -> std::unique_ptr<FileStream> {
        throw OsError("cannot open " + path, error, ClassifyErrno(error, path));
    };
    if (path.empty() || path.find('\0') != std::string::npos) {
        fail(EINVAL);
    }
    int flags = O_CLOEXEC;
    switch (access) {
        case FileAccess::Read:
            flags |= O_RDONLY;
            break;
        case FileAccess::Write:
            flags |= O_WRONLY;
            break;
        case FileAccess::ReadWrite:
            flags |= O_RDWR;
            break;
    }
    if (creation != FileCreation::OpenExisting) {
        flags |= O_CREAT;
    }
    if (creation == FileCreation::CreateNew) {
        flags |= O_EXCL | O_NOFOLLOW;
    }
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        fail(errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        fail(EISDIR);
    }
    // Denying others the right to write is a shared lock; denying them everything an exclusive
    // one. Allowing writers means no lock at all.
    int lock = 0;
    if (share == FileShare::None) {
        lock = LOCK_EX;
    } else if (share == FileShare::Read) {
        lock = access == FileAccess::Read ? LOCK_SH : LOCK_EX;
    }
    // Without a lock of its own, a probe lock shows whether others deny this access: writing
    // conflicts with any lock, reading only with an exclusive one. It is dropped again below.
    bool probe = lock == 0 && othersLocks == OthersLocks::Respect;
    if (probe) {
        lock = access == FileAccess::Read ? LOCK_SH : LOCK_EX;
    }
    if (lock != 0 && ::flock(fd, lock | LOCK_NB) != 0) {
        int error = errno;
        ::close(fd);
        fail(error == EWOULDBLOCK ? EWOULDBLOCK : error);
    }
    // Truncate only once the lock is ours, so a file held by another process stays intact.
    if (creation == FileCreation::CreateAlways && ::ftruncate(fd, 0) != 0) {
        int error = errno;
        ::close(fd);
        fail(error);
    }
    if (probe) {
        ::flock(fd, LOCK_UN);
    }
    return std::unique_ptr<FileStream>(new FileStream(fd));
}

FileStream::~FileStream() {
    Close();
}

bool FileStream::FlushToDisk() {
    return descriptor_ >= 0 && ::fsync(descriptor_) == 0;
}

bool FileStream::Close() {
    if (descriptor_ < 0) {
        return false;
    }
    const int descriptor = descriptor_;
    descriptor_ = -1;
    // After a failed close the descriptor is gone all the same; retrying could close another.
    return ::close(descriptor) == 0;
}

int64_t FileStream::Read(void* buffer, int64_t count) {
    int64_t done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        ssize_t n = ::read(descriptor_, bytes + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += n;
    }
    return done;
}

int64_t FileStream::Write(const void* buffer, int64_t count) {
    count = AllowedByBudget(count);
    int64_t done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < count) {
        ssize_t n = ::write(descriptor_, bytes + done, static_cast<size_t>(count - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += n;
    }
    return done;
}

int64_t FileStream::Seek(int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                 : origin == SeekOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    off_t result = ::lseek(descriptor_, static_cast<off_t>(offset), whence);
    return result < 0 ? -1 : static_cast<int64_t>(result);
}

int64_t FileStream::Position() {
    return Seek(0, SeekOrigin::Current);
}

int64_t FileStream::Size() {
    struct stat info {};
    return ::fstat(descriptor_, &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

bool FileStream::SetSize(int64_t size) {
    return ::ftruncate(descriptor_, static_cast<off_t>(size)) == 0;
}

}  // namespace foldant::platform
