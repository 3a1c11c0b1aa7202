#pragma once

// Windows named pipes on this platform: "\\.\pipe\NAME" is the Unix stream socket
// "<system temporary folder>/pipe/NAME". Failures are reported with the Windows error codes the
// callers' texts and codes were written for.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace foldant::platform {

namespace pipe_error {
inline constexpr uint32_t kFileNotFound = 2;
inline constexpr uint32_t kAccessDenied = 5;
inline constexpr uint32_t kBadNetPath = 53;
inline constexpr uint32_t kBrokenPipe = 109;
inline constexpr uint32_t kSemTimeout = 121;
inline constexpr uint32_t kInvalidName = 123;
inline constexpr uint32_t kPipeBusy = 231;
inline constexpr uint32_t kNoData = 232;
inline constexpr uint32_t kMoreData = 234;
inline constexpr uint32_t kWaitTimeout = 258;
inline constexpr uint32_t kGeneralFailure = 31;
}  // namespace pipe_error

// "<system temporary folder>/pipe/" in the file system's UTF-8; the system temporary folder is
// $TMPDIR when set and not empty, else /tmp.
std::string PipeFolder();

// The socket for a pipe path "\\.\pipe\NAME" (NAME in Windows-1252), or empty with error set
// when the path names no pipe of this computer.
std::string PipeSocketPath(const std::string& pipePath, uint32_t& error);

// One end of a connected pipe. Every operation waits at most the given time, so a peer that
// stops talking cannot hold the caller for ever.
class PipeStream {
  public:
    ~PipeStream();
    PipeStream(const PipeStream&) = delete;
    PipeStream& operator=(const PipeStream&) = delete;

    bool Write(const void* data, size_t count, int timeoutMs, uint32_t& error);
    // Reads at least one and at most count bytes. The end of the stream is a failure
    // (kBrokenPipe), as is a time-out (kWaitTimeout).
    bool ReadSome(void* data, size_t count, size_t& received, int timeoutMs, uint32_t& error);
    // The time-out covers all count bytes, however they are split.
    bool ReadExact(void* data, size_t count, int timeoutMs, uint32_t& error);

  private:
    friend class PipeServer;
    friend std::unique_ptr<PipeStream> OpenPipe(const std::string&, uint32_t&);
    explicit PipeStream(int descriptor) : descriptor_(descriptor) {}
    int descriptor_;
};

// Opens an existing pipe for reading and writing. kFileNotFound when no socket exists or nobody
// listens on it, kPipeBusy when the listener's backlog is full, kAccessDenied when the listener
// runs as another user than this one or the administrator.
std::unique_ptr<PipeStream> OpenPipe(const std::string& pipePath, uint32_t& error);

// Waits until the pipe can take a connection, at most timeoutMs (0: the default wait of 50 ms).
// A pipe that does not exist fails at once with kFileNotFound; running out of time fails with
// kSemTimeout.
bool WaitPipe(const std::string& pipePath, uint32_t timeoutMs, uint32_t& error);

// The listening side, for programs that play a service.
class PipeServer {
  public:
    // Raises OsError when the socket cannot be created, also when the pipe folder belongs to
    // another user or lets others remove this user's sockets. An existing socket file of the
    // same name that nobody listens on any more is replaced.
    static std::unique_ptr<PipeServer> Create(const std::string& pipeName, int backlog = 16);
    ~PipeServer();
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    // The next client, or nothing when none came within timeoutMs.
    std::unique_ptr<PipeStream> Accept(int timeoutMs);
    const std::string& SocketPath() const { return socketPath_; }

  private:
    PipeServer(int descriptor, std::string socketPath)
        : descriptor_(descriptor), socketPath_(std::move(socketPath)) {}
    int descriptor_;
    std::string socketPath_;
};

}  // namespace foldant::platform
