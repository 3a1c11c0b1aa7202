#include "install/local_service.h"

#include <chrono>
#include <thread>
#include <vector>

#include "install/ipc_client.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

constexpr int kReadAttempts = 3;
constexpr auto kAttemptPause = std::chrono::milliseconds(50);

std::string ServiceName() {
    try {
        std::vector<std::string> lines;
        LoadLinesRetry(lines, GetTempFolder() + kServiceNameFile);
        return lines.empty() ? std::string() : lines.front();
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace

TIPCResult ReadIPCValue(const std::string& command, const std::string& serverName,
                        const std::string& data, std::string& answer) {
    TIPCClient client;
    client.SetServer(serverName);
    TMessageData request;
    request.Data.WriteText("COMMAND", command);
    request.Data.WriteInteger("INDEX", -1);
    request.Data.WriteText("DATA", data);
    request.Data.WriteBoolean("SYNC", true);
    IMessageData reply = client.SendRequest(request, kServiceTimeoutMs);
    answer = reply ? reply->Data.ReadText("DATA") : std::string();
    return {client.ErrorDesc(), client.ComputerName(), client.ServerName(),
            client.AnswerComplete()};
}

std::string ReadIPCValueSync(const std::string& command, bool raiseErrors,
                             const std::string& data) {
    std::string answer;
    std::string serverName = ServiceName();
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        TIPCResult result = ReadIPCValue(command, serverName, data, answer);
        if (raiseErrors && !result.Succeeded) {
            throw TIPCClientException(
                "Named Pipe Error [ReadIPCValueSync]\r\nErrorDesc: " + result.ErrorDesc + "\r\n" +
                "ComputerName: " + result.ComputerName + "\r\n" +
                "ServerName: " + result.ServerName);
        }
        if (result.Succeeded) {
            break;
        }
        std::this_thread::sleep_for(kAttemptPause);
    }
    return answer;
}

std::string ReadDBPath() {
    return WithTrailingDelimiter(ReadIPCValueSync("DBPATH", false));
}

}  // namespace foldant
