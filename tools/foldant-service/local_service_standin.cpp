#include "tools/foldant-service/local_service_standin.h"

#include <csignal>
#include <iostream>

#include "install/ipc_client.h"
#include "install/local_service.h"
#include "platform/named_pipe.h"
#include "platform/windows1252.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

constexpr int kAcceptPollMs = 100;
// A client that sends nothing for this long is dropped, so it cannot block the others.
constexpr int kClientIdleMs = 5000;
constexpr int64_t kMaxIdBytes = 1 << 16;

std::atomic<bool> interrupted{false};

extern "C" void OnStopSignal(int) {
    interrupted = true;
}

int64_t Int64At(const unsigned char* bytes) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) {
        bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    }
    return static_cast<int64_t>(bits);
}

bool ReadField(platform::PipeStream& client, int64_t& value) {
    unsigned char field[8];
    uint32_t error = 0;
    if (!client.ReadExact(field, 8, kClientIdleMs, error)) {
        return false;
    }
    value = Int64At(field);
    return true;
}

bool ReadBytes(platform::PipeStream& client, int64_t count, std::string& out) {
    out.resize(static_cast<size_t>(count));
    uint32_t error = 0;
    return count == 0 || client.ReadExact(out.data(), out.size(), kClientIdleMs, error);
}

// One request frame; false at the end marker, at the end of the stream or on damage.
bool ReadRequest(platform::PipeStream& client, TMessageData& request) {
    int64_t idLength = 0;
    int64_t dataSize = 0;
    std::string data;
    if (!ReadField(client, idLength) || idLength < 0 || idLength > kMaxIdBytes ||
        !ReadBytes(client, idLength, request.ID) || !ReadField(client, dataSize) ||
        dataSize > kMaxAnswerBytes || !ReadBytes(client, std::max<int64_t>(dataSize, 0), data)) {
        return false;
    }
    request.Data.Append(data.data(), data.size());
    return true;
}

}  // namespace

TLocalServiceStandIn::TLocalServiceStandIn(std::string databaseFolder, std::ostream& log,
                                           std::string pipeName)
    : databaseFolder_(std::move(databaseFolder)),
      log_(log),
      pipeName_(std::move(pipeName)),
      server_(platform::PipeServer::Create(pipeName_)) {
    SaveLinesRetry({pipeName_}, GetTempFolder() + kServiceNameFile);
}

TLocalServiceStandIn::~TLocalServiceStandIn() = default;

void TLocalServiceStandIn::Run(const std::atomic<bool>& stop) {
    while (!stop) {
        if (auto client = server_->Accept(kAcceptPollMs)) {
            Serve(*client);
        }
    }
}

void TLocalServiceStandIn::Serve(platform::PipeStream& client) {
    for (;;) {
        TMessageData request;
        if (!ReadRequest(client, request)) {
            return;
        }
        ++requests_;
        std::string command = request.Data.ReadText("COMMAND");
        log_ << "request COMMAND=" << AnsiToUtf8(command)
             << " DATA=" << AnsiToUtf8(request.Data.ReadText("DATA")) << std::endl;
        TMessageData answer;
        answer.Data.WriteText("DATA", command == "DBPATH" ? databaseFolder_ : std::string());
        std::string frame =
            FrameHeader(answer.ID, static_cast<int64_t>(answer.Data.Bytes().size())) +
            answer.Data.Bytes();
        uint32_t error = 0;
        if (!client.Write(frame.data(), frame.size(), kClientIdleMs, error)) {
            return;
        }
    }
}

int LocalServiceMain(const std::vector<std::string>& arguments) {
    std::string database;
    std::string pipeName = kStandInPipeName;
    for (size_t i = 0; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--db") {
            database = Utf8ToAnsi(arguments[i + 1]);
        } else if (arguments[i] == "--pipe") {
            pipeName = Utf8ToAnsi(arguments[i + 1]);
        } else {
            database.clear();
            break;
        }
    }
    if (database.empty() || arguments.size() % 2 != 0) {
        std::cerr << "usage: service --db DIR [--pipe NAME]" << std::endl;
        return 2;
    }
    try {
        TLocalServiceStandIn service(database, std::cout, pipeName);
        std::signal(SIGINT, OnStopSignal);
        std::signal(SIGTERM, OnStopSignal);
        std::cout << "serving " << AnsiToUtf8(database) << " on \\\\.\\pipe\\"
                  << AnsiToUtf8(pipeName) << std::endl;
        service.Run(interrupted);
    } catch (const std::exception& error) {
        std::cerr << error.what() << std::endl;
        return 1;
    }
    return 0;
}

}  // namespace foldant
