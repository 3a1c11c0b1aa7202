#include "platform/named_pipe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/os_error.h"
#include "scratch_environment.h"

namespace foldant {
namespace {

using namespace platform::pipe_error;

class NamedPipe : public testing::ScratchEnvironmentTest {};

TEST_F(NamedPipe, PipePathMapsToASocketInTheTemporaryFolder) {
    uint32_t error = 0;
    EXPECT_EQ(platform::PipeSocketPath("\\\\.\\pipe\\Svc \xE4", error),
              Path("tmp") + "/pipe/Svc \xC3\xA4");
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(platform::PipeSocketPath("\\\\.\\PIPE\\x", error), Path("tmp") + "/pipe/x");
    EXPECT_EQ(platform::PipeSocketPath("\\\\server\\pipe\\x", error), "");
    EXPECT_EQ(error, kBadNetPath);
    EXPECT_EQ(platform::PipeSocketPath("\\\\.\\pipe\\", error), "");
    EXPECT_EQ(error, kFileNotFound);
    EXPECT_EQ(platform::PipeSocketPath("\\\\.\\pipe\\a/../../etc", error), "");
    EXPECT_EQ(error, kInvalidName);
    EXPECT_EQ(platform::PipeSocketPath("C:\\pipe\\x", error), "");
    EXPECT_EQ(error, kInvalidName);
}

TEST_F(NamedPipe, MissingPipeIsNotFoundAndWaitingFailsAtOnce) {
    uint32_t error = 0;
    EXPECT_EQ(platform::OpenPipe("\\\\.\\pipe\\none", error), nullptr);
    EXPECT_EQ(error, kFileNotFound);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(platform::WaitPipe("\\\\.\\pipe\\none", 5000, error));
    EXPECT_EQ(error, kFileNotFound);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST_F(NamedPipe, FullBacklogIsBusyAndWaitingEndsWithTheTime) {
    auto server = platform::PipeServer::Create("busy", 0);
    uint32_t error = 0;
    auto first = platform::OpenPipe("\\\\.\\pipe\\busy", error);
    ASSERT_NE(first, nullptr);
    auto second = platform::OpenPipe("\\\\.\\pipe\\busy", error);
    if (second != nullptr) {
        GTEST_SKIP() << "the system queues more than the backlog";
    }
    EXPECT_EQ(error, kPipeBusy);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(platform::WaitPipe("\\\\.\\pipe\\busy", 200, error));
    EXPECT_EQ(error, kSemTimeout);
    auto spent = std::chrono::steady_clock::now() - start;
    EXPECT_GE(spent, std::chrono::milliseconds(190));
    EXPECT_LT(spent, std::chrono::seconds(2));
}

TEST_F(NamedPipe, BytesTravelBothWaysAndTheEndIsABrokenPipe) {
    auto server = platform::PipeServer::Create("echo");
    uint32_t error = 0;
    auto client = platform::OpenPipe("\\\\.\\pipe\\echo", error);
    ASSERT_NE(client, nullptr);
    auto peer = server->Accept(1000);
    ASSERT_NE(peer, nullptr);
    ASSERT_TRUE(client->Write("ping", 4, 1000, error));
    char buffer[4];
    ASSERT_TRUE(peer->ReadExact(buffer, 4, 1000, error));
    EXPECT_EQ(std::string(buffer, 4), "ping");
    size_t received = 0;
    EXPECT_FALSE(peer->ReadSome(buffer, 4, received, 100, error));
    EXPECT_EQ(error, kWaitTimeout);
    client.reset();
    EXPECT_FALSE(peer->ReadSome(buffer, 4, received, 1000, error));
    EXPECT_EQ(error, kBrokenPipe);
    EXPECT_FALSE(peer->Write("x", 1, 1000, error));
}

TEST_F(NamedPipe, SecondServerOnALivePipeIsRefusedAndAStaleSocketReplaced) {
    auto server = platform::PipeServer::Create("one");
    EXPECT_THROW(platform::PipeServer::Create("one"), platform::OsError);
    std::string socket = server->SocketPath();
    server.reset();
    EXPECT_FALSE(std::filesystem::exists(socket));
    EXPECT_NE(platform::PipeServer::Create("one"), nullptr);
}

}  // namespace
}  // namespace foldant
