#include "install/ipc_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>
#include <string>
#include <thread>

#include "install/local_service.h"
#include "platform/file_system.h"
#include "platform/named_pipe.h"
#include "scratch_environment.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

// Windows pipe names are shared by every process, and test programs run side by side: each
// program serves under a name of its own.
const std::string& ServiceName() {
    static const std::string name = "svc-" + std::to_string(std::random_device{}());
    return name;
}

using Clock = std::chrono::steady_clock;
using platform::PipeStream;

constexpr int kServerWaitMs = 5000;

std::string Int64Bytes(int64_t value) {
    std::string bytes;
    for (int i = 0; i < 8; ++i) {
        bytes += static_cast<char>(static_cast<uint64_t>(value) >> (8 * i) & 0xFF);
    }
    return bytes;
}

std::string ReadBytes(PipeStream& stream, size_t count) {
    std::string bytes(count, '\0');
    uint32_t error = 0;
    EXPECT_TRUE(stream.ReadExact(bytes.data(), count, kServerWaitMs, error)) << error;
    return bytes;
}

int64_t ReadInt64(PipeStream& stream) {
    std::string bytes = ReadBytes(stream, 8);
    uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
        value |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return static_cast<int64_t>(value);
}

// The request frame as it arrived.
std::string ReadRequestFrame(PipeStream& stream) {
    int64_t idLength = ReadInt64(stream);
    std::string id = ReadBytes(stream, static_cast<size_t>(idLength));
    int64_t size = ReadInt64(stream);
    return Int64Bytes(idLength) + id + Int64Bytes(size) +
           ReadBytes(stream, static_cast<size_t>(size));
}

void Send(PipeStream& stream, const std::string& bytes) {
    uint32_t error = 0;
    EXPECT_TRUE(stream.Write(bytes.data(), bytes.size(), kServerWaitMs, error)) << error;
}

std::string Frame(const std::string& id, const TStreamStorage& data) {
    return FrameHeader(id, static_cast<int64_t>(data.Bytes().size())) + data.Bytes();
}

// A service that serves each connection with a handler written by the test.
class ScriptedService {
  public:
    ScriptedService(const std::string& name, std::function<void(PipeStream&)> handler)
        : server_(platform::PipeServer::Create(name)), thread_([this, handler] {
              while (!stop_) {
                  if (auto client = server_->Accept(50)) {
                      handler(*client);
                      ++served_;
                  }
              }
          }) {}
    ~ScriptedService() {
        stop_ = true;
        thread_.join();
    }
    int Served() const { return served_; }
    // The client may return before the service has finished with the connection.
    bool WaitServed(int count) const {
        for (int i = 0; i < 500 && served_ < count; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return served_ >= count;
    }

  private:
    std::unique_ptr<platform::PipeServer> server_;
    std::atomic<bool> stop_{false};
    std::atomic<int> served_{0};
    std::thread thread_;
};

class LocalServiceClient : public testing::ScratchEnvironmentTest {
  protected:
    void NameService(const std::string& name) {
        SaveLinesRetry({name}, GetTempFolder() + kServiceNameFile);
    }
};

TEST_F(LocalServiceClient, DbPathRequestBytesAndAnswerWithSeparator) {
    std::string request;
    std::string marker;
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        request = ReadRequestFrame(client);
        TStreamStorage answer;
        answer.WriteText("DATA", "/db/Firma");
        Send(client, Frame("", answer));
        marker = ReadBytes(client, 8);
    });
    NameService(ServiceName());
    EXPECT_EQ(ReadDBPath(), std::string("/db/Firma") + platform::kPathDelimiter);
    ASSERT_TRUE(service.WaitServed(1));
    std::string expected = std::string(8, '\0') + Int64Bytes(85);
    expected += std::string("\x0E\0\0\0", 4) + std::string("C\0O\0M\0M\0A\0N\0D\0", 14) +
                Int64Bytes(12) + std::string("D\0B\0P\0A\0T\0H\0", 12);
    expected += std::string("\x0A\0\0\0", 4) + std::string("I\0N\0D\0E\0X\0", 10) + Int64Bytes(4) +
                std::string(4, '\xFF');
    expected += std::string("\x08\0\0\0", 4) + std::string("S\0Y\0N\0C\0", 8) + Int64Bytes(1) +
                std::string(1, '\1');
    EXPECT_EQ(request, expected);
    EXPECT_EQ(marker, std::string(8, '\xFF'));
}

TEST_F(LocalServiceClient, RequestDataIsSentWhenGiven) {
    std::string request;
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        request = ReadRequestFrame(client);
        Send(client, FrameHeader("", 0));
    });
    std::string answer;
    TIPCResult result = ReadIPCValue("GET", ServiceName(), "x", answer);
    EXPECT_TRUE(result.Succeeded);
    EXPECT_NE(request.find(std::string("D\0A\0T\0A\0", 8) + Int64Bytes(2) + std::string("x\0", 2)),
              std::string::npos);
}

TEST_F(LocalServiceClient, AnswerOfZeroBytesIsCompleteAndEmpty) {
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        ReadRequestFrame(client);
        Send(client, FrameHeader("", 0));
    });
    std::string answer = "unchanged";
    TIPCResult result = ReadIPCValue("DBPATH", ServiceName(), "", answer);
    EXPECT_TRUE(result.Succeeded);
    EXPECT_EQ(result.ErrorDesc, "");
    EXPECT_EQ(result.ComputerName, ".");
    EXPECT_EQ(result.ServerName, ServiceName());
    EXPECT_EQ(answer, "");
}

TEST_F(LocalServiceClient, LargeAnswerArrivingInPiecesIsReassembled) {
    std::string text;
    for (int i = 0; i < 40000; ++i) {
        text += static_cast<char>('a' + i % 26);
    }
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        ReadRequestFrame(client);
        TStreamStorage answer;
        answer.WriteText("DATA", text);
        std::string frame = Frame("answer-id", answer);
        ASSERT_GT(answer.Bytes().size(), 65536u);
        for (size_t at = 0; at < frame.size(); at += 7000) {
            Send(client, frame.substr(at, 7000));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    std::string answer;
    EXPECT_TRUE(ReadIPCValue("DBPATH", ServiceName(), "", answer).Succeeded);
    EXPECT_EQ(answer, text);
}

TEST_F(LocalServiceClient, AnswerWithoutDataGivesTheEmptyText) {
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        ReadRequestFrame(client);
        TStreamStorage answer;
        answer.WriteText("RESULT", "/db");
        Send(client, Frame("", answer));
    });
    NameService(ServiceName());
    EXPECT_EQ(ReadDBPath(), "");
}

TEST_F(LocalServiceClient, StalledAnswerEndsAfterTheTimeOut) {
    std::atomic<bool> release{false};
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        ReadRequestFrame(client);
        Send(client, Int64Bytes(0));
        while (!release) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
    TIPCClient client;
    client.SetServer(ServiceName());
    TMessageData request;
    request.Data.WriteText("COMMAND", "DBPATH");
    auto start = Clock::now();
    EXPECT_EQ(client.SendRequest(request, 300), nullptr);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    release = true;
    EXPECT_FALSE(client.AnswerComplete());
    EXPECT_EQ(client.ErrorDesc(), "ReadFile failed while reading message data size");
    EXPECT_EQ(client.ErrorCode(), platform::pipe_error::kWaitTimeout);
}

// A service that keeps sending a byte now and then must not restart the wait with every byte:
// one time-out covers the whole request.
TEST_F(LocalServiceClient, ATricklingAnswerEndsWithinTheRequestsTimeOut) {
    std::atomic<int> trickled{0};
    constexpr int kAnswerBytes = 40;
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        ReadRequestFrame(client);
        std::string answer =
            Int64Bytes(0) + Int64Bytes(kAnswerBytes) + std::string(kAnswerBytes, 'x');
        for (char byte : answer) {
            uint32_t error = 0;
            if (!client.Write(&byte, 1, kServerWaitMs, error)) {
                return;
            }
            ++trickled;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    TIPCClient client;
    client.SetServer(ServiceName());
    TMessageData request;
    request.Data.WriteText("COMMAND", "DBPATH");
    EXPECT_EQ(client.SendRequest(request, 600), nullptr);
    int sentWhenTheClientGaveUp = trickled;
    EXPECT_FALSE(client.AnswerComplete());
    EXPECT_EQ(client.ErrorCode(), platform::pipe_error::kWaitTimeout) << client.ErrorDesc();
    EXPECT_LT(sentWhenTheClientGaveUp, 16 + kAnswerBytes);
    ASSERT_TRUE(service.WaitServed(1));
}

TEST_F(LocalServiceClient, AnswerCutOffByTheServiceFails) {
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        ReadRequestFrame(client);
        Send(client, Int64Bytes(0) + Int64Bytes(1000) + std::string(10, 'x'));
    });
    std::string answer;
    TIPCResult result = ReadIPCValue("DBPATH", ServiceName(), "", answer);
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.ErrorDesc, "ReadFile failed while reading message data");
}

TEST_F(LocalServiceClient, HugeDeclaredAnswerIsRefusedWithoutAllocating) {
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        ReadRequestFrame(client);
        Send(client, Int64Bytes(INT64_MAX));
    });
    std::string answer;
    TIPCResult result = ReadIPCValue("DBPATH", ServiceName(), "", answer);
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.ErrorDesc, "ReadFile failed while reading message ID");
}

TEST_F(LocalServiceClient, WithoutAServiceThreeQuickAttemptsGiveTheEmptyText) {
    NameService("nobody-listens");
    auto start = Clock::now();
    EXPECT_EQ(ReadDBPath(), "");
    auto spent = Clock::now() - start;
    EXPECT_GE(spent, std::chrono::milliseconds(150));
    EXPECT_LT(spent, std::chrono::seconds(2));
    std::string answer;
    TIPCResult result = ReadIPCValue("DBPATH", "nobody-listens", "", answer);
    EXPECT_FALSE(result.Succeeded);
    EXPECT_EQ(result.ErrorDesc, "WriteFile failed while writing message ID");
}

TEST_F(LocalServiceClient, EmptyOrMissingNameFileMakesEveryAttemptFail) {
    EXPECT_EQ(ReadDBPath(), "");
    SaveLinesRetry({"", ServiceName()}, GetTempFolder() + kServiceNameFile);
    ScriptedService service(ServiceName(), [&](PipeStream& client) {
        ReadRequestFrame(client);
        Send(client, FrameHeader("", 0));
    });
    EXPECT_EQ(ReadDBPath(), "");
    EXPECT_EQ(service.Served(), 0);
}

TEST_F(LocalServiceClient, RaiseErrorsReportsTheFirstFailure) {
    NameService("nobody-listens");
    try {
        ReadIPCValueSync("DBPATH", true);
        FAIL() << "no error";
    } catch (const TIPCClientException& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Named Pipe Error [ReadIPCValueSync]\r\n"
                  "ErrorDesc: WriteFile failed while writing message ID\r\n"
                  "ComputerName: .\r\n"
                  "ServerName: nobody-listens");
    }
}

TEST_F(LocalServiceClient, ConnectFailureMessageIsReplacedByTheWriteFailure) {
    TIPCClient client;
    client.SetServer("nobody");
    EXPECT_EQ(client.PipePath(), "\\\\.\\pipe\\nobody");
    TMessageData request;
    EXPECT_EQ(client.SendRequest(request, 5000), nullptr);
    EXPECT_FALSE(client.Connected());
    EXPECT_EQ(client.ErrorDesc(), "WriteFile failed while writing message ID");
}

}  // namespace
}  // namespace foldant
