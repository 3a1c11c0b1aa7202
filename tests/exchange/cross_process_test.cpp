#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/child_process.h"
#include "platform/guid.h"
#include "platform/shared_memory.h"
#include "tests/exchange/test_support.h"

namespace foldant {
namespace {

using testing::kPatienceMs;
using testing::TestBlock;

constexpr int kModuleTimeoutMs = 30'000;

// Plays the host by hand: waits for the module's final message in the block.
std::unique_ptr<TQvCustomJSON> WaitForFinal(const TestBlock& block) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kModuleTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        auto message = TQvJSONText::ParseJsonText(block.Text());
        if (message && JsonReadText(message.get(), "UID") != "host" &&
            JsonFindNode(message.get(), "Infinite") && !JsonReadBool(message.get(), "Infinite")) {
            return message;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

std::string HostMessage(const std::string& name, const std::string& value) {
    TQvJSON message;
    message.SetTextMember("UID", "host");
    message.SetTextMember(name, value);
    return TQvJSONText::PrintCompact(message);
}

class Folder {
  public:
    Folder() : path_(std::string(FOLDANT_BINARY_DIR) + "/host-test-" + platform::NewGuidText()) {
        std::filesystem::create_directories(path_);
    }
    ~Folder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name, const std::string& content = "%PDF-1.4\n") const {
        std::string path = path_ + "/" + name;
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST(AcrossProcesses, DataConversationAnswersWithThePdfAttachments) {
    TestBlock block("varnel-");
    auto module = platform::ChildProcess::Start(FOLDANT_TEST_MODULE, {block.Name(), "800", "600"});
    block.Write(HostMessage("Attachments", "/a/Rechnung.PDF\r\n/a/brief.docx\r\n/a/b.pdf.bak\r\n"));
    auto answer = WaitForFinal(block);
    ASSERT_TRUE(answer) << block.Text();
    EXPECT_EQ(JsonReadText(answer.get(), "AddAttachments"), "/a/Rechnung.PDF\r\n");
    EXPECT_EQ(JsonReadText(answer.get(), "Succeded"), "1");
    EXPECT_EQ(JsonReadText(answer.get(), "UID").size(), 36u);
    // The answer closes the module, and its destruction sends nothing after the final word.
    EXPECT_EQ(module->WaitFor(kModuleTimeoutMs), 0);
    EXPECT_EQ(JsonReadText(TQvJSONText::ParseJsonText(block.Text()).get(), "Succeded"), "1");
}

TEST(AcrossProcesses, ResponseConversationAnswersWithTheCopiesItFound) {
    Folder folder;
    std::string present = folder.File("copy1.pdf");
    TQvJSON response;
    response.SetTextMember("AddAttachments", present + "\r\n" + folder.Path("gone.pdf") + "\r\n");
    TestBlock block("spooler-");
    auto module = platform::ChildProcess::Start(FOLDANT_TEST_MODULE, {block.Name()});
    block.Write(HostMessage("Response", TQvJSONText::PrintCompact(response)));
    auto answer = WaitForFinal(block);
    ASSERT_TRUE(answer) << block.Text();
    EXPECT_EQ(JsonReadText(answer.get(), "RemoveAttachments"), present + "\r\n");
    EXPECT_EQ(module->WaitFor(kModuleTimeoutMs), 0);
}

TEST(AcrossProcesses, AnEmptyResponseIsCancelled) {
    TestBlock block("spooler-");
    auto module = platform::ChildProcess::Start(FOLDANT_TEST_MODULE, {block.Name()});
    block.Write(HostMessage("Response", "{\"AddAttachments\":\"\"}"));
    auto answer = WaitForFinal(block);
    ASSERT_TRUE(answer) << block.Text();
    EXPECT_EQ(JsonReadText(answer.get(), "Succeded"), "2");
    EXPECT_EQ(module->WaitFor(kModuleTimeoutMs), 0);
}

struct HostRun {
    int exitCode = -1;
    std::string output;
};

// The host writes its report as text, which ends lines with CR LF on Windows.
std::string WithLinuxLineEnds(std::string text) {
#ifdef _WIN32
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
        text.erase(at, 1);
    }
#endif
    return text;
}

HostRun RunHost(const Folder& folder, const std::vector<std::string>& arguments) {
    std::string output = folder.Path("host-output.txt");
    auto host = platform::ChildProcess::Start(FOLDANT_HOST_PROGRAM, arguments, output);
    auto exitCode = host->WaitFor(2 * kModuleTimeoutMs);
    return HostRun{exitCode.value_or(-1), WithLinuxLineEnds(ReadFile(output))};
}

std::string ChannelOf(const std::string& output) {
    auto at = output.find(" on channel ");
    if (at == std::string::npos) {
        return {};
    }
    at += 12;
    return output.substr(at, output.find('\n', at) - at);
}

TEST(FoldantHost, RespondPrintsTheModulesAnswerAndRemovesTheBlock) {
    Folder folder;
    std::string copy = folder.File("copy.pdf");
    HostRun run = RunHost(folder, {"respond", "--module", FOLDANT_TEST_MODULE, "--target",
                                   folder.Path("target.pdf"), copy, "--timeout", "60"});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("host -> {\"UID\":"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("module <- {\"RemoveAttachments\":"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("replaces 1 attachment(s):\n  " + copy + "\n"), std::string::npos)
        << run.output;
    std::string channel = ChannelOf(run.output);
    ASSERT_EQ(channel.rfind("spooler-", 0), 0u) << run.output;
    EXPECT_EQ(platform::SharedMemoryBlock::Open(channel, platform::BlockAccess::Read), nullptr);
}

TEST(FoldantHost, SendRunsBothConversationsAndNamesTheReplacedOriginals) {
    Folder folder;
    std::string pdf = folder.File("Rechnung.pdf");
    std::string other = folder.File("brief.docx", "text");
    HostRun run = RunHost(
        folder, {"send", "--module", FOLDANT_TEST_MODULE, "--db", folder.Path(""), "--caption",
                 "Rechnung 1", "--target", folder.Path("joined.pdf"), pdf, other});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("on channel varnel-"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("on channel spooler-"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("The module chose 1 attachment(s)."), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("replaces 1 attachment(s):\n  " + pdf + "\n"), std::string::npos)
        << run.output;
}

TEST(FoldantHost, SendReportsADeclinedJob) {
    Folder folder;
    std::string other = folder.File("brief.docx", "text");
    HostRun run = RunHost(folder, {"send", "--module", FOLDANT_TEST_MODULE, "--db", folder.Path(""),
                                   "--target", folder.Path("joined.pdf"), other});
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("The module declined this sending job."), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("spooler-"), std::string::npos) << run.output;
}

TEST(FoldantHost, AModuleThatEndsWithoutAnswerIsAFailure) {
    Folder folder;
    HostRun run = RunHost(folder, {"respond", "--module", "/bin/true", "--target",
                                   folder.Path("t.pdf"), folder.Path("c.pdf")});
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("ended without a final message"), std::string::npos) << run.output;
}

TEST(FoldantHost, RejectsAnIncompleteCommandLine) {
    Folder folder;
    HostRun run = RunHost(folder, {"send", "--module", FOLDANT_TEST_MODULE, "--target", "t.pdf"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.output.find("usage:"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace foldant
