#include "platform/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>

#include "platform/os_error.h"
#include "platform/windows1252.h"

namespace foldant::platform {

namespace {

// The object's name as the system sees it, or nothing for a name it cannot use.
std::optional<std::string> ObjectName(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || name == "." || name == "..") {
        return std::nullopt;
    }
    std::string utf8 = AnsiToUtf8(name);
    if (utf8.size() > NAME_MAX) {
        return std::nullopt;
    }
    return "/" + utf8;
}

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return fd_; }

  private:
    int fd_;
};

}  // namespace

std::unique_ptr<SharedMemoryBlock> SharedMemoryBlock::Open(const std::string& name,
                                                           BlockAccess access) {
    auto objectName = ObjectName(name);
    if (!objectName) {
        return nullptr;
    }
    bool writable = access == BlockAccess::ReadWrite;
    Descriptor fd(::shm_open(objectName->c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC, 0));
    if (fd.Get() < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        return nullptr;
    }
    auto size = static_cast<std::size_t>(info.st_size);
    void* view = ::mmap(nullptr, size, writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED,
                        fd.Get(), 0);
    if (view == MAP_FAILED) {
        return nullptr;
    }
    return std::unique_ptr<SharedMemoryBlock>(
        new SharedMemoryBlock(static_cast<char*>(view), size, writable));
}

SharedMemoryBlock::~SharedMemoryBlock() {
    ::munmap(data_, size_);
}

bool SharedMemoryBlock::Flush() {
    return ::msync(data_, size_, MS_SYNC) == 0;
}

void CreateSharedMemoryBlock(const std::string& name, std::size_t size) {
    auto objectName = ObjectName(name);
    if (!objectName) {
        throw OsError("cannot create shared memory block " + name, EINVAL, ErrorClass::InvalidName);
    }
    Descriptor fd(::shm_open(objectName->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (fd.Get() < 0 || ::ftruncate(fd.Get(), static_cast<off_t>(size)) != 0) {
        int error = errno;
        throw OsError("cannot create shared memory block " + name, error, ClassifyErrno(error));
    }
}

bool RemoveSharedMemoryBlock(const std::string& name) {
    auto objectName = ObjectName(name);
    return objectName && ::shm_unlink(objectName->c_str()) == 0;
}

}  // namespace foldant::platform
