#include "install/ipc_client.h"

#include <chrono>
#include <vector>

#include "platform/named_pipe.h"

namespace foldant {
namespace {

// What a write to a pipe that was never opened fails with.
constexpr uint32_t kErrorInvalidHandle = 6;
constexpr uint32_t kErrorNotEnoughMemory = 8;

void AppendInt64(std::string& out, int64_t value) {
    auto bits = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<char>(bits >> (8 * i) & 0xFF));
    }
}

int64_t Int64At(const unsigned char* bytes) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    }
    return static_cast<int64_t>(bits);
}

}  // namespace

std::string FrameHeader(const std::string& id, int64_t dataSize) {
    std::string header;
    AppendInt64(header, static_cast<int64_t>(id.size()));
    header += id;
    AppendInt64(header, dataSize);
    return header;
}

std::string EndOfConversationMarker() {
    return std::string(8, '\xFF');
}

TIPCClient::TIPCClient() = default;

TIPCClient::~TIPCClient() {
    Disconnect();
}

void TIPCClient::SetServer(const std::string& name) {
    serverName_ = name;
    pipePath_ = "\\\\" + computerName_ + "\\pipe\\" + serverName_;
}

IMessageData TIPCClient::SendRequest(const TMessageData& request, uint32_t timeoutMs) {
    deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Connect(timeoutMs);
    IMessageData answer = Execute(request);
    Disconnect();
    return answerComplete_ ? answer : nullptr;
}

int TIPCClient::TimeLeftMs() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline_ - std::chrono::steady_clock::now())
                    .count();
    return left > 0 ? static_cast<int>(std::min<int64_t>(left, INT32_MAX)) : 0;
}

void TIPCClient::Connect(uint32_t timeoutMs) {
    using Clock = std::chrono::steady_clock;
    pipe_.reset();
    connected_ = false;
    errorDesc_.clear();
    errorCode_ = 0;
    auto start = Clock::now();
    auto elapsed = [&] {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    };
    while (elapsed() < timeoutMs) {
        uint32_t error = 0;
        pipe_ = platform::OpenPipe(pipePath_, error);
        if (pipe_) {
            connected_ = true;
            return;
        }
        if (error != platform::pipe_error::kFileNotFound &&
            error != platform::pipe_error::kPipeBusy) {
            Fail("CreateFile failed while creating new pipe handle", error);
            return;
        }
        uint64_t spent = elapsed();
        uint32_t left = spent < timeoutMs ? static_cast<uint32_t>(timeoutMs - spent) : 0;
        if (!platform::WaitPipe(pipePath_, left, error)) {
            Fail("WaitNamedPipe failed while wating for the pipe", error);
            return;
        }
    }
    Fail("IPC client failed with WAIT timeout", platform::pipe_error::kWaitTimeout);
}

IMessageData TIPCClient::Execute(const TMessageData& request) {
    answerComplete_ = false;
    errorCode_ = 0;
    const std::string& data = request.Data.Bytes();
    std::string idBlock = FrameHeader(request.ID, 0).substr(0, 8 + request.ID.size());
    std::string sizeBlock;
    AppendInt64(sizeBlock, static_cast<int64_t>(data.size()));
    if (!Write(idBlock, "WriteFile failed while writing message ID") ||
        !Write(sizeBlock, "WriteFile failed while writing message data size")) {
        return nullptr;
    }
    for (size_t at = 0; at < data.size(); at += kPipeChunkSize) {
        if (!Write(data.substr(at, kPipeChunkSize),
                   "WriteFile failed while writing message chunk")) {
            return nullptr;
        }
    }
    auto answer = std::make_shared<TMessageData>();
    unsigned char field[8];
    if (!ReadExact(field, 8, "ReadFile failed while reading message ID length")) {
        return nullptr;
    }
    int64_t idLength = Int64At(field);
    if (idLength > 0 &&
        !ReadPieces(idLength, "ReadFile failed while reading message ID",
                    [&](const char* piece, size_t count) { answer->ID.append(piece, count); })) {
        return nullptr;
    }
    if (!ReadExact(field, 8, "ReadFile failed while reading message data size")) {
        return nullptr;
    }
    int64_t dataSize = Int64At(field);
    if (dataSize > 0 &&
        !ReadPieces(dataSize, "ReadFile failed while reading message data",
                    [&](const char* piece, size_t count) { answer->Data.Append(piece, count); })) {
        return nullptr;
    }
    answerComplete_ = true;
    return answer;
}

void TIPCClient::Disconnect() {
    if (pipe_) {
        uint32_t ignored = 0;
        std::string marker = EndOfConversationMarker();
        pipe_->Write(marker.data(), marker.size(), TimeLeftMs(), ignored);
        pipe_.reset();
    }
    connected_ = false;
}

bool TIPCClient::Fail(const char* text, uint32_t code) {
    errorDesc_ = text;
    errorCode_ = code;
    return false;
}

bool TIPCClient::Write(const std::string& bytes, const char* failureText) {
    if (!pipe_) {
        return Fail(failureText, kErrorInvalidHandle);
    }
    uint32_t error = 0;
    if (!pipe_->Write(bytes.data(), bytes.size(), TimeLeftMs(), error)) {
        return Fail(failureText, error);
    }
    return true;
}

bool TIPCClient::ReadExact(void* data, size_t count, const char* failureText) {
    uint32_t error = 0;
    if (!pipe_->ReadExact(data, count, TimeLeftMs(), error) &&
        error != platform::pipe_error::kMoreData) {
        return Fail(failureText, error);
    }
    return true;
}

bool TIPCClient::ReadPieces(int64_t count, const char* failureText,
                            const std::function<void(const char*, size_t)>& sink) {
    if (count > kMaxAnswerBytes) {
        return Fail(failureText, kErrorNotEnoughMemory);
    }
    std::vector<char> buffer(std::min<size_t>(kPipeChunkSize, static_cast<size_t>(count)));
    auto left = static_cast<size_t>(count);
    while (left > 0) {
        size_t received = 0;
        uint32_t error = 0;
        if (!pipe_->ReadSome(buffer.data(), std::min(left, buffer.size()), received, TimeLeftMs(),
                             error) &&
            error != platform::pipe_error::kMoreData) {
            return Fail(failureText, error);
        }
        sink(buffer.data(), received);
        left -= received;
    }
    return true;
}

}  // namespace foldant
