#pragma once

// The client of the suite's local service. One request goes out and one answer comes back per
// connection, each as a frame: the ID's length (signed 64-bit), the ID, the data's size (signed
// 64-bit) and the data, little-endian. Before closing, the client writes the end marker (an ID
// length of -1).

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "install/stream_storage.h"

namespace foldant {

namespace platform {
class PipeStream;
}

// Both sides of the pipe read and write their data in pieces of this size.
inline constexpr size_t kPipeChunkSize = 65536;
// An answer larger than this is refused rather than held in memory.
inline constexpr int64_t kMaxAnswerBytes = 64 << 20;

// The frame header of a message: ID length, ID and data size.
std::string FrameHeader(const std::string& id, int64_t dataSize);
std::string EndOfConversationMarker();

class TIPCClient {
  public:
    TIPCClient();
    ~TIPCClient();
    TIPCClient(const TIPCClient&) = delete;
    TIPCClient& operator=(const TIPCClient&) = delete;

    // The pipe path becomes "\\<computer>\pipe\<name>".
    void SetServer(const std::string& name);

    // Connects, sends the request, reads the answer and disconnects. The time-out covers the
    // whole request, from the connect to the last byte of the answer, so a service that stalls
    // or trickles cannot hold the caller. Nothing when the answer did not come complete.
    IMessageData SendRequest(const TMessageData& request, uint32_t timeoutMs);

    const std::string& ErrorDesc() const { return errorDesc_; }
    uint32_t ErrorCode() const { return errorCode_; }
    bool AnswerComplete() const { return answerComplete_; }
    bool Connected() const { return connected_; }
    const std::string& ComputerName() const { return computerName_; }
    const std::string& ServerName() const { return serverName_; }
    const std::string& PipePath() const { return pipePath_; }

  private:
    void Connect(uint32_t timeoutMs);
    IMessageData Execute(const TMessageData& request);
    void Disconnect();
    bool Fail(const char* text, uint32_t code);
    bool Write(const std::string& bytes, const char* failureText);
    bool ReadExact(void* data, size_t count, const char* failureText);
    // Reads count bytes in pieces of at most kPipeChunkSize, handing each piece to the sink.
    bool ReadPieces(int64_t count, const char* failureText,
                    const std::function<void(const char*, size_t)>& sink);

    std::string pipePath_;
    std::string errorDesc_;
    uint32_t errorCode_ = 0;
    std::string serverName_;
    std::unique_ptr<platform::PipeStream> pipe_;
    bool connected_ = false;
    bool answerComplete_ = false;
    const std::string computerName_ = ".";
    // Milliseconds left of the request's time-out.
    int TimeLeftMs() const;

    std::chrono::steady_clock::time_point deadline_{};
};

}  // namespace foldant
