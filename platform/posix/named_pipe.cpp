#include "platform/named_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/file_system.h"
#include "platform/os_error.h"
#include "platform/peer_credentials.h"
#include "platform/windows1252.h"

namespace foldant::platform {
namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t kDefaultPipeWaitMs = 50;
constexpr auto kBusyPollInterval = std::chrono::milliseconds(10);

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    size_t length = std::strlen(b);
    if (a.size() != length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        if (x != b[i]) {
            return false;
        }
    }
    return true;
}

bool FillAddress(const std::string& socketPath, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    return true;
}

int NewSocket() {
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

uint32_t ConnectErrorCode(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ECONNREFUSED:
        case ENOTSOCK:
        case EPROTOTYPE:
            return pipe_error::kFileNotFound;
        case EAGAIN:
        case EINPROGRESS:
            return pipe_error::kPipeBusy;
        case EACCES:
        case EPERM:
            return pipe_error::kAccessDenied;
        default:
            return pipe_error::kGeneralFailure;
    }
}

// A non-blocking connect: the descriptor on success, -1 with errno set otherwise.
int Connect(const std::string& socketPath) {
    sockaddr_un address{};
    if (!FillAddress(socketPath, address)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    int fd = NewSocket();
    if (fd < 0) {
        return -1;
    }
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// Milliseconds left until the deadline, never negative.
int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for the descriptor to become ready; false on time-out or failure, with error set.
bool WaitReady(int fd, short events, Clock::time_point deadline, uint32_t& error) {
    for (;;) {
        pollfd entry{fd, events, 0};
        int result = ::poll(&entry, 1, MillisecondsLeft(deadline));
        if (result > 0) {
            return true;
        }
        if (result == 0) {
            error = pipe_error::kWaitTimeout;
            return false;
        }
        if (errno != EINTR) {
            error = pipe_error::kGeneralFailure;
            return false;
        }
    }
}

// Only the folder's owner and the administrator may remove another user's socket from a folder
// with the sticky bit; without it, anyone who may write there may.
bool FolderKeepsSocketsSafe(const std::string& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    if (info.st_uid != 0 && info.st_uid != ::geteuid()) {
        return false;
    }
    bool othersMayWrite = (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
    return !othersMayWrite || (info.st_mode & S_ISVTX) != 0;
}

}  // namespace

std::string PipeFolder() {
    std::string folder = AnsiToUtf8(SystemTempFolder());
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder + "pipe/";
}

std::string PipeSocketPath(const std::string& pipePath, uint32_t& error) {
    error = 0;
    if (pipePath.size() < 2 || pipePath[0] != '\\' || pipePath[1] != '\\') {
        error = pipe_error::kInvalidName;
        return {};
    }
    size_t computerEnd = pipePath.find('\\', 2);
    size_t kindEnd =
        computerEnd == std::string::npos ? std::string::npos : pipePath.find('\\', computerEnd + 1);
    if (kindEnd == std::string::npos ||
        !EqualsIgnoringCase(pipePath.substr(computerEnd + 1, kindEnd - computerEnd - 1), "pipe")) {
        error = pipe_error::kInvalidName;
        return {};
    }
    if (pipePath.substr(2, computerEnd - 2) != ".") {
        error = pipe_error::kBadNetPath;
        return {};
    }
    std::string name = pipePath.substr(kindEnd + 1);
    if (name.empty()) {
        error = pipe_error::kFileNotFound;
        return {};
    }
    if (name == "." || name == ".." || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos) {
        error = pipe_error::kInvalidName;
        return {};
    }
    std::string path = PipeFolder() + AnsiToUtf8(name);
    if (path.size() >= sizeof(sockaddr_un::sun_path)) {
        error = pipe_error::kInvalidName;
        return {};
    }
    return path;
}

PipeStream::~PipeStream() {
    ::close(descriptor_);
}

bool PipeStream::Write(const void* data, size_t count, int timeoutMs, uint32_t& error) {
    error = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < count) {
        ssize_t n = ::send(descriptor_, bytes + done, count - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitReady(descriptor_, POLLOUT, deadline, error)) {
                return false;
            }
            continue;
        }
        error = n < 0 && errno == EPIPE ? pipe_error::kNoData : pipe_error::kBrokenPipe;
        return false;
    }
    return true;
}

bool PipeStream::ReadSome(void* data, size_t count, size_t& received, int timeoutMs,
                          uint32_t& error) {
    error = 0;
    received = 0;
    if (count == 0) {
        return true;
    }
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ssize_t n = ::recv(descriptor_, data, count, 0);
        if (n > 0) {
            received = static_cast<size_t>(n);
            return true;
        }
        if (n == 0) {
            error = pipe_error::kBrokenPipe;
            return false;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!WaitReady(descriptor_, POLLIN, deadline, error)) {
                return false;
            }
            continue;
        }
        error = pipe_error::kBrokenPipe;
        return false;
    }
}

bool PipeStream::ReadExact(void* data, size_t count, int timeoutMs, uint32_t& error) {
    error = 0;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto* bytes = static_cast<char*>(data);
    size_t done = 0;
    while (done < count) {
        size_t received = 0;
        if (!ReadSome(bytes + done, count - done, received, MillisecondsLeft(deadline), error)) {
            return false;
        }
        done += received;
    }
    return true;
}

std::unique_ptr<PipeStream> OpenPipe(const std::string& pipePath, uint32_t& error) {
    std::string socketPath = PipeSocketPath(pipePath, error);
    if (socketPath.empty()) {
        return nullptr;
    }
    int fd = Connect(socketPath);
    if (fd < 0) {
        error = ConnectErrorCode(errno);
        return nullptr;
    }
    // The pipe folder is shared by every user: another one may have bound the name first.
    if (!PeerIsTrusted(fd, TrustedPeer::ThisUserOrAdministrator)) {
        ::close(fd);
        error = pipe_error::kAccessDenied;
        return nullptr;
    }
    error = 0;
    return std::unique_ptr<PipeStream>(new PipeStream(fd));
}

// Waiting for a busy pipe probes it with a connection of its own, which is closed at once: a
// server sees that as a client that leaves without a request.
bool WaitPipe(const std::string& pipePath, uint32_t timeoutMs, uint32_t& error) {
    std::string socketPath = PipeSocketPath(pipePath, error);
    if (socketPath.empty()) {
        return false;
    }
    auto deadline =
        Clock::now() + std::chrono::milliseconds(timeoutMs == 0 ? kDefaultPipeWaitMs : timeoutMs);
    for (;;) {
        int fd = Connect(socketPath);
        if (fd >= 0) {
            ::close(fd);
            error = 0;
            return true;
        }
        error = ConnectErrorCode(errno);
        if (error != pipe_error::kPipeBusy) {
            return false;
        }
        if (Clock::now() >= deadline) {
            error = pipe_error::kSemTimeout;
            return false;
        }
        std::this_thread::sleep_for(
            std::min<Clock::duration>(kBusyPollInterval, deadline - Clock::now()));
    }
}

std::unique_ptr<PipeServer> PipeServer::Create(const std::string& pipeName, int backlog) {
    uint32_t error = 0;
    std::string socketPath = PipeSocketPath("\\\\.\\pipe\\" + pipeName, error);
    if (socketPath.empty()) {
        throw OsError("invalid pipe name " + pipeName, EINVAL, ErrorClass::InvalidName);
    }
    std::string folder = PipeFolder();
    // Shared by every user of the machine, like the temporary folder itself.
    if (::mkdir(folder.c_str(), 01777) == 0) {
        ::chmod(folder.c_str(), 01777);
    } else if (errno != EEXIST) {
        int fault = errno;
        throw OsError("cannot create " + folder, fault, ClassifyErrno(fault, folder));
    }
    if (!FolderKeepsSocketsSafe(folder)) {
        throw OsError(folder + " belongs to another user or lets others remove this user's sockets",
                      EACCES, ErrorClass::AccessDenied);
    }
    int probe = Connect(socketPath);
    if (probe >= 0) {
        ::close(probe);
        throw OsError("pipe in use: " + socketPath, EADDRINUSE, ErrorClass::SharingViolation);
    }
    if (errno == ECONNREFUSED) {
        ::unlink(socketPath.c_str());
    }
    sockaddr_un address{};
    FillAddress(socketPath, address);
    int fd = NewSocket();
    if (fd < 0) {
        int fault = errno;
        throw OsError("cannot create a socket", fault, ClassifyErrno(fault));
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, backlog) != 0) {
        int fault = errno;
        ::close(fd);
        throw OsError("cannot listen on " + socketPath, fault, ClassifyErrno(fault, socketPath));
    }
    return std::unique_ptr<PipeServer>(new PipeServer(fd, socketPath));
}

PipeServer::~PipeServer() {
    ::close(descriptor_);
    ::unlink(socketPath_.c_str());
}

std::unique_ptr<PipeStream> PipeServer::Accept(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int fd = ::accept4(descriptor_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            return std::unique_ptr<PipeStream>(new PipeStream(fd));
        }
        if (errno == EINTR || errno == ECONNABORTED) {
            continue;
        }
        uint32_t error = 0;
        if ((errno != EAGAIN && errno != EWOULDBLOCK) ||
            !WaitReady(descriptor_, POLLIN, deadline, error)) {
            return nullptr;
        }
    }
}

}  // namespace foldant::platform
