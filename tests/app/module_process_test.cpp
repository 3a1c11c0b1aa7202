// The module as a separate process without a display: it draws off screen and runs its
// conversations with the host over real channel blocks.

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/windows1252.h"
#include "tests/app/app_test_support.h"
#include "tests/exchange/test_support.h"

namespace foldant {
namespace {

using apptest::kPatienceMs;
using apptest::ProgramRun;
using apptest::RunProgram;
using apptest::TestFolder;
using testing::TestBlock;

std::string SocketFolder() {
    return AnsiToUtf8(std::string(std::getenv("TMPDIR")) + "/QvTempDir/TAttachmentsFrm");
}

class ModuleWithoutDisplay : public ::testing::Test {
  protected:
    void SetUp() override {
        apptest::UseNoDisplay();
        // Modules of earlier tests were killed and left their sockets behind.
        std::error_code ignored;
        std::filesystem::remove_all(SocketFolder(), ignored);
    }
};

std::string HostMessage(const std::vector<std::pair<std::string, std::string>>& members) {
    TQvJSON message;
    message.SetTextMember("UID", "host");
    for (const auto& [name, value] : members) {
        message.SetTextMember(name, value);
    }
    return TQvJSONText::PrintCompact(message);
}

std::string ResponseText(const std::string& addAttachments) {
    TQvJSON response;
    response.SetTextMember("AddAttachments", addAttachments);
    return TQvJSONText::PrintCompact(response);
}

// The module's final message in the block, once it is there.
std::unique_ptr<TQvCustomJSON> WaitForFinal(const TestBlock& block) {
    std::unique_ptr<TQvCustomJSON> final;
    apptest::WaitFor([&] {
        auto message = TQvJSONText::ParseJsonText(block.Text());
        if (message && JsonReadText(message.get(), "UID") != "host" &&
            JsonFindNode(message.get(), "Infinite") && !JsonReadBool(message.get(), "Infinite")) {
            final = std::move(message);
            return true;
        }
        return false;
    });
    return final;
}

int SocketCount() {
    std::error_code error;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(SocketFolder(), error)) {
        count += entry.path().extension() == ".sock" ? 1 : 0;
    }
    return count;
}

TEST_F(ModuleWithoutDisplay, ResponseJoinsTheCopiesIntoTheTargetAndLeavesOutWhatIsNoPdf) {
    TestFolder folder("Anh\xE4nge \xE4");
    std::string target = folder.Sample("Lieferschein 2026-0815.pdf", "Ziel \xE4.pdf");
    std::string first = folder.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    std::string text = folder.Sample("Notiz.txt", "Notiz.pdf");
    std::string second = folder.Sample(
        "Preis\xC3\xBC"
        "bersicht M\xC3\xA4rz.pdf",
        "Preis\xFC"
        "bersicht M\xE4rz.pdf");
    auto pages = [](const std::string& path) { return apptest::PdfPageCount(path).value_or(-1); };
    int expectedPages = pages(target) + pages(first) + pages(second);

    ProgramRun run = RunProgram(
        FOLDANT_HOST_PROGRAM,
        {"respond", "--module", FOLDANT_MODULE_PROGRAM, "--target", target, first, text, second},
        folder);

    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("replaces 2 attachment(s):\n  " + AnsiToUtf8(first) + "\n  " +
                              AnsiToUtf8(second) + "\n"),
              std::string::npos)
        << run.output;
    if (apptest::HasPdfChecker()) {
        EXPECT_EQ(pages(target), expectedPages);
    }
}

TEST_F(ModuleWithoutDisplay, ADisplayThatCannotBeReachedDoesNotStopTheConversation) {
    ::setenv("DISPLAY", ":1999", 1);
    TestFolder folder;
    std::string target = folder.Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::string copy = folder.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    ProgramRun run = RunProgram(
        FOLDANT_HOST_PROGRAM,
        {"respond", "--module", FOLDANT_MODULE_PROGRAM, "--target", target, copy}, folder);
    ::unsetenv("DISPLAY");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("replaces 1 attachment(s):\n  " + copy + "\n"), std::string::npos)
        << run.output;
}

TEST_F(ModuleWithoutDisplay, AnEmptyResponseIsCancelled) {
    TestFolder folder;
    TestBlock block("spooler-");
    apptest::RunningProgram module(FOLDANT_MODULE_PROGRAM, {block.Name()}, folder);
    block.Write(
        HostMessage({{"Response", ResponseText("")}, {"PDFFileName", folder.Path("t.pdf")}}));
    auto answer = WaitForFinal(block);
    ASSERT_TRUE(answer) << block.Text();
    EXPECT_EQ(JsonReadText(answer.get(), "Succeded"), "2");
    EXPECT_EQ(JsonFindNode(answer.get(), "RemoveAttachments"), nullptr);
    EXPECT_EQ(module.Finish(kPatienceMs).exitCode, 0);
}

// The host waits for a final answer on every path; without one the sending process hangs.
TEST_F(ModuleWithoutDisplay, AResponseThatIsNoJsonIsCancelled) {
    TestFolder folder;
    TestBlock block("spooler-");
    apptest::RunningProgram module(FOLDANT_MODULE_PROGRAM, {block.Name()}, folder);
    block.Write(HostMessage({{"Response", "{kaputt"}, {"PDFFileName", "/t.pdf"}}));
    auto answer = WaitForFinal(block);
    ASSERT_TRUE(answer) << block.Text();
    EXPECT_EQ(JsonReadText(answer.get(), "Succeded"), "2");
    EXPECT_EQ(module.Finish(kPatienceMs).exitCode, 0);
}

TEST_F(ModuleWithoutDisplay, AMissingCopyIsLeftOutAndAMissingTargetIsCancelled) {
    TestFolder folder;
    std::string target = folder.Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::string copy = folder.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    std::string missing = folder.Path("weg.pdf");
    {
        TestBlock block("spooler-");
        apptest::RunningProgram module(FOLDANT_MODULE_PROGRAM, {block.Name()}, folder);
        block.Write(HostMessage({{"Response", ResponseText(missing + "\r\n" + copy + "\r\n")},
                                 {"PDFFileName", target}}));
        auto answer = WaitForFinal(block);
        ASSERT_TRUE(answer) << block.Text();
        EXPECT_EQ(JsonReadText(answer.get(), "Succeded"), "1");
        EXPECT_EQ(JsonReadText(answer.get(), "RemoveAttachments"), copy + "\r\n");
        EXPECT_EQ(module.Finish(kPatienceMs).exitCode, 0);
    }
    TestBlock block("spooler-");
    apptest::RunningProgram module(FOLDANT_MODULE_PROGRAM, {block.Name()}, folder);
    block.Write(HostMessage({{"Response", ResponseText(copy + "\r\n")},
                             {"PDFFileName", folder.Path("kein Ziel.pdf")}}));
    auto answer = WaitForFinal(block);
    ASSERT_TRUE(answer) << block.Text();
    EXPECT_EQ(JsonReadText(answer.get(), "Succeded"), "2");
    EXPECT_EQ(JsonFindNode(answer.get(), "RemoveAttachments"), nullptr);
    EXPECT_EQ(module.Finish(kPatienceMs).exitCode, 0);
}

TEST_F(ModuleWithoutDisplay, ADataMessageWithoutPdfAttachmentsIsDeclinedAtOnce) {
    TestFolder folder;
    std::string note = folder.Sample("Notiz.txt", "Notiz.txt");
    ProgramRun run = RunProgram(FOLDANT_HOST_PROGRAM,
                                {"send", "--module", FOLDANT_MODULE_PROGRAM, "--db", folder.Path(),
                                 "--target", folder.Path("t.pdf"), note, "/a/b.pdf.bak"},
                                folder);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("\"CallServerExeNameOff\":true"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("The module declined this sending job."), std::string::npos)
        << run.output;
}

TEST_F(ModuleWithoutDisplay, ALaterStartHandsItsChannelToARunningDebugInstance) {
    TestFolder folder("Anh\xE4nge");
    std::string target = folder.Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::string copy = folder.Sample("Rechnung 2026-0815.pdf",
                                     "R\xE4"
                                     "chnung.pdf");
    apptest::RunningProgram debug(FOLDANT_MODULE_PROGRAM, {"debug"}, folder);
    ASSERT_TRUE(apptest::WaitFor([] { return SocketCount() == 1; })) << debug.OutputSoFar();

    TestBlock block("spooler-");
    ProgramRun second = RunProgram(FOLDANT_MODULE_PROGRAM, {block.Name()}, folder, kPatienceMs);
    EXPECT_EQ(second.exitCode, 0) << second.output;
    EXPECT_EQ(SocketCount(), 1);

    block.Write(HostMessage({{"Response", ResponseText(copy + "\r\n")}, {"PDFFileName", target}}));
    auto answer = WaitForFinal(block);
    ASSERT_TRUE(answer) << block.Text() << debug.OutputSoFar();
    EXPECT_EQ(JsonReadText(answer.get(), "RemoveAttachments"), copy + "\r\n");
    // A debug run stays for the next hand-over.
    EXPECT_FALSE(debug.WaitFor(500));

    // A start in install mode hands over too, and the debug instance ignores the name.
    ProgramRun install = RunProgram(FOLDANT_MODULE_PROGRAM, {"INSTALLVOK"}, folder, kPatienceMs);
    EXPECT_EQ(install.exitCode, 0) << install.output;
    EXPECT_EQ(install.output.find("Installation"), std::string::npos) << install.output;
    EXPECT_FALSE(debug.WaitFor(0));
}

TEST_F(ModuleWithoutDisplay, SocketsOfEndedInstancesAreRemovedByTheNextHandOver) {
    TestFolder folder;
    std::filesystem::create_directories(SocketFolder());
    {
        apptest::RunningProgram debug(FOLDANT_MODULE_PROGRAM, {"DEBUG"}, folder);
        ASSERT_TRUE(apptest::WaitFor([] { return SocketCount() == 1; }));
        // Killed: its socket file stays behind.
    }
    ASSERT_EQ(SocketCount(), 1);
    // The lock died with the process, so this start runs; a start beside it hands over.
    TestBlock block("spooler-");
    apptest::RunningProgram running(FOLDANT_MODULE_PROGRAM, {"DEBUG"}, folder);
    ASSERT_TRUE(apptest::WaitFor([] { return SocketCount() == 2; }));
    ProgramRun second = RunProgram(FOLDANT_MODULE_PROGRAM, {block.Name()}, folder, kPatienceMs);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(SocketCount(), 1);
}

// The timer thread skips a second it does not get to run in; on a machine busy with sanitizer
// builds and fuzzers that can be second zero itself, and the keep-alive then comes a minute later.
constexpr int kTwoMinuteBoundaries = 135'000;

TEST_F(ModuleWithoutDisplay, AKeepAliveArrivesAtSecondZero) {
    TestFolder folder;
    TestBlock block("spooler-");
    apptest::RunningProgram module(FOLDANT_MODULE_PROGRAM, {block.Name()}, folder);
    int second = -1;
    bool arrived = apptest::WaitFor(
        [&] {
            auto message = TQvJSONText::ParseJsonText(block.Text());
            if (message && JsonReadBool(message.get(), "Infinite")) {
                std::time_t now = std::time(nullptr);
                std::tm local{};
                localtime_r(&now, &local);
                second = local.tm_sec;
                return true;
            }
            return false;
        },
        kTwoMinuteBoundaries);
    ASSERT_TRUE(arrived);
    // Seen within a moment of the full minute; the module and this check both poll, and on a
    // machine busy with other tests either may lag by a few seconds, never by half a minute.
    EXPECT_LE(second, 5);
}

}  // namespace
}  // namespace foldant
