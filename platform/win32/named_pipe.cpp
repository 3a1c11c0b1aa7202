#include "platform/named_pipe.h"

#include <chrono>

#include "platform/peer_credentials.h"
#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

constexpr DWORD kPipeBufferBytes = 64 * 1024;

HANDLE HandleOf(int descriptor) {
    return win32::IntToHandle(descriptor);
}

// One overlapped operation on a handle, waited for at most a given time. An operation that runs
// out of time is cancelled and waited for, so that the system no longer writes into the record.
class Operation {
  public:
    Operation() { overlapped_.hEvent = event_.Get(); }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    bool Ready() const { return event_.Valid(); }
    OVERLAPPED* Record() { return &overlapped_; }

    // After the call that started the operation: answers the bytes moved, or the error.
    bool Finish(HANDLE handle, bool startedDone, int timeoutMs, DWORD& moved, uint32_t& error) {
        if (!startedDone) {
            const DWORD started = ::GetLastError();
            if (started != ERROR_IO_PENDING) {
                error = started;
                return false;
            }
            if (::WaitForSingleObject(event_.Get(), timeoutMs < 0 ? 0 : DWORD(timeoutMs)) ==
                WAIT_TIMEOUT) {
                ::CancelIo(handle);
                ::GetOverlappedResult(handle, &overlapped_, &moved, TRUE);
                error = pipe_error::kWaitTimeout;
                return false;
            }
        }
        if (!::GetOverlappedResult(handle, &overlapped_, &moved, TRUE)) {
            error = ::GetLastError();
            return false;
        }
        return true;
    }

  private:
    win32::Handle event_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    OVERLAPPED overlapped_{};
};

uint32_t StreamError(uint32_t error) {
    switch (error) {
        case pipe_error::kWaitTimeout:
        case pipe_error::kNoData:
            return error;
        case ERROR_HANDLE_EOF:
        case ERROR_PIPE_NOT_CONNECTED:
            return pipe_error::kBrokenPipe;
        default:
            return error == 0 ? pipe_error::kGeneralFailure : pipe_error::kBrokenPipe;
    }
}

HANDLE NewInstance(const std::wstring& path, bool first) {
    return ::CreateNamedPipeW(
        path.c_str(),
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
        PIPE_UNLIMITED_INSTANCES, kPipeBufferBytes, kPipeBufferBytes, 0, nullptr);
}

}  // namespace

std::string PipeFolder() {
    return "\\\\.\\pipe\\";
}

// The system's own pipe path, once it is known to name a pipe of this computer.
std::string PipeSocketPath(const std::string& pipePath, uint32_t& error) {
    error = 0;
    if (pipePath.size() < 2 || pipePath[0] != '\\' || pipePath[1] != '\\') {
        error = pipe_error::kInvalidName;
        return {};
    }
    const size_t computerEnd = pipePath.find('\\', 2);
    const size_t kindEnd =
        computerEnd == std::string::npos ? std::string::npos : pipePath.find('\\', computerEnd + 1);
    if (kindEnd == std::string::npos ||
        !EqualsIgnoringAsciiCase(pipePath.substr(computerEnd + 1, kindEnd - computerEnd - 1),
                                 "pipe")) {
        error = pipe_error::kInvalidName;
        return {};
    }
    if (pipePath.substr(2, computerEnd - 2) != ".") {
        error = pipe_error::kBadNetPath;
        return {};
    }
    const std::string name = pipePath.substr(kindEnd + 1);
    if (name.empty()) {
        error = pipe_error::kFileNotFound;
        return {};
    }
    if (name.find('\0') != std::string::npos || name.size() > 256) {
        error = pipe_error::kInvalidName;
        return {};
    }
    return PipeFolder() + name;
}

PipeStream::~PipeStream() {
    ::CloseHandle(HandleOf(descriptor_));
}

bool PipeStream::Write(const void* data, size_t count, int timeoutMs, uint32_t& error) {
    error = 0;
    const auto* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < count) {
        Operation operation;
        if (!operation.Ready()) {
            error = pipe_error::kGeneralFailure;
            return false;
        }
        const auto want = static_cast<DWORD>(std::min<size_t>(count - done, kPipeBufferBytes));
        const bool started = ::WriteFile(HandleOf(descriptor_), bytes + done, want, nullptr,
                                         operation.Record()) != 0;
        DWORD moved = 0;
        if (!operation.Finish(HandleOf(descriptor_), started, timeoutMs, moved, error)) {
            error = StreamError(error);
            return false;
        }
        done += moved;
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
    Operation operation;
    if (!operation.Ready()) {
        error = pipe_error::kGeneralFailure;
        return false;
    }
    const auto want = static_cast<DWORD>(std::min<size_t>(count, kPipeBufferBytes));
    const bool started =
        ::ReadFile(HandleOf(descriptor_), data, want, nullptr, operation.Record()) != 0;
    DWORD moved = 0;
    if (!operation.Finish(HandleOf(descriptor_), started, timeoutMs, moved, error) &&
        error != ERROR_MORE_DATA) {
        error = StreamError(error);
        return false;
    }
    if (moved == 0) {
        error = pipe_error::kBrokenPipe;
        return false;
    }
    error = 0;
    received = moved;
    return true;
}

bool PipeStream::ReadExact(void* data, size_t count, int timeoutMs, uint32_t& error) {
    error = 0;
    auto* bytes = static_cast<char*>(data);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t done = 0;
    while (done < count) {
        size_t received = 0;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (!ReadSome(bytes + done, count - done, received, left > 0 ? int(left) : 0, error)) {
            return false;
        }
        done += received;
    }
    return true;
}

std::unique_ptr<PipeStream> OpenPipe(const std::string& pipePath, uint32_t& error) {
    const std::string path = PipeSocketPath(pipePath, error);
    if (path.empty()) {
        return nullptr;
    }
    HANDLE handle = ::CreateFileW(win32::Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = ::GetLastError();
        return nullptr;
    }
    // Another user may have created the pipe name first.
    if (!PeerIsTrusted(reinterpret_cast<std::intptr_t>(handle),
                       TrustedPeer::ThisUserOrAdministrator)) {
        ::CloseHandle(handle);
        error = pipe_error::kAccessDenied;
        return nullptr;
    }
    error = 0;
    return std::unique_ptr<PipeStream>(new PipeStream(win32::HandleToInt(handle)));
}

bool WaitPipe(const std::string& pipePath, uint32_t timeoutMs, uint32_t& error) {
    const std::string path = PipeSocketPath(pipePath, error);
    if (path.empty()) {
        return false;
    }
    if (!::WaitNamedPipeW(win32::Wide(path).c_str(),
                          timeoutMs == 0 ? NMPWAIT_USE_DEFAULT_WAIT : timeoutMs)) {
        error = ::GetLastError();
        return false;
    }
    error = 0;
    return true;
}

// One instance always waits for the next client; the backlog is the system's.
std::unique_ptr<PipeServer> PipeServer::Create(const std::string& pipeName, int) {
    uint32_t error = 0;
    const std::string path = PipeSocketPath("\\\\.\\pipe\\" + pipeName, error);
    if (path.empty()) {
        throw OsError("invalid pipe name " + pipeName, static_cast<int>(error),
                      ErrorClass::InvalidName);
    }
    HANDLE instance = NewInstance(win32::Wide(path), true);
    if (instance == INVALID_HANDLE_VALUE) {
        throw win32::LastError("cannot listen on " + path);
    }
    return std::unique_ptr<PipeServer>(new PipeServer(win32::HandleToInt(instance), path));
}

PipeServer::~PipeServer() {
    if (descriptor_ != -1) {
        ::CloseHandle(HandleOf(descriptor_));
    }
}

std::unique_ptr<PipeStream> PipeServer::Accept(int timeoutMs) {
    if (descriptor_ == -1) {
        HANDLE instance = NewInstance(win32::Wide(socketPath_), false);
        if (instance == INVALID_HANDLE_VALUE) {
            return nullptr;
        }
        descriptor_ = win32::HandleToInt(instance);
    }
    HANDLE instance = HandleOf(descriptor_);
    Operation operation;
    if (!operation.Ready()) {
        return nullptr;
    }
    bool connected = ::ConnectNamedPipe(instance, operation.Record()) != 0;
    if (!connected) {
        if (::GetLastError() == ERROR_PIPE_CONNECTED) {
            connected = true;
        } else {
            DWORD moved = 0;
            uint32_t error = 0;
            connected = operation.Finish(instance, false, timeoutMs, moved, error);
        }
    }
    if (!connected) {
        return nullptr;
    }
    auto stream = std::unique_ptr<PipeStream>(new PipeStream(descriptor_));
    HANDLE next = NewInstance(win32::Wide(socketPath_), false);
    descriptor_ = next == INVALID_HANDLE_VALUE ? -1 : win32::HandleToInt(next);
    return stream;
}

}  // namespace foldant::platform
