#include "install/shell_jobs.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "scratch_environment.h"

namespace foldant {
namespace {

TEST(Unquote, RemovesOnePairOfEnclosingQuotes) {
    EXPECT_EQ(Unquote("\"abc\""), "abc");
    EXPECT_EQ(Unquote("\"\"abc\"\""), "\"abc\"");
    EXPECT_EQ(Unquote("\"a\""), "a");
    EXPECT_EQ(Unquote("\"\""), "\"\"");
    EXPECT_EQ(Unquote("\""), "\"");
    EXPECT_EQ(Unquote(""), "");
    EXPECT_EQ(Unquote("\"abc"), "\"abc");
    EXPECT_EQ(Unquote("abc\""), "abc\"");
}

TEST(ShellThreadJob, VokStartCommandLineQuotesEachArgumentOnce) {
    TShellThreadJob job(R"(C:\Vok\vok.exe)", R"("C:\Temp\QvTempDir\tmp.json" "U")", "");
    EXPECT_EQ(job.CommandLine(), R"(C:\Vok\vok.exe "C:\Temp\QvTempDir\tmp.json" "U")");
}

TEST(ShellThreadJob, ShellTargetHasExactlyOnePairOfQuotes) {
    EXPECT_EQ(TShellThreadJob("", "\"https://x.test/a\"", "open").ShellTarget(),
              "\"https://x.test/a\"");
    EXPECT_EQ(TShellThreadJob("", "https://x.test/a", "open").ShellTarget(),
              "\"https://x.test/a\"");
}

TEST(ShellJobs, WithoutAPoolNothingHappens) {
    ASSERT_EQ(WorkerPool(), nullptr);
    RunProgram("/bin/true", "x");
    OpenDocument("open", "x");
}

class ShellJobsOnPool : public testing::ScratchEnvironmentTest {
  protected:
    void SetUp() override {
        ScratchEnvironmentTest::SetUp();
        record_ = Path("record.txt");
        recorder_ =
            WriteScript("bin/recorder", "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + record_ +
                                            "'; done\necho end >> '" + record_ + "'\n");
    }
    std::string record_;
    std::string recorder_;
};

TEST_F(ShellJobsOnPool, OpenDocumentHandsTheAddressToTheOpener) {
    Remember("FOLDANT_OPEN_COMMAND", recorder_);
    TWorkerPoolScope scope;
    scope.Pool().SetMessagePump([] {});
    OpenDocument("open", "\"https://x.test/fts.html?q=Vok\"");
    scope.Pool().WaitForJobs();
    EXPECT_EQ(testing::WaitForFile(record_), "https://x.test/fts.html?q=Vok\nend\n");
}

TEST_F(ShellJobsOnPool, RunProgramStartsTheTargetOfASymbolicLink) {
    std::string program = WriteScript(
        "bin/program", "printf '%s %s %s\\n' \"$0\" \"$1\" \"$2\" > '" + record_ + "'\n");
    std::filesystem::create_symlink(program, Path("shortcut"));
    TWorkerPoolScope scope;
    scope.Pool().SetMessagePump([] {});
    RunProgram(Path("shortcut"), "\"/data/tmp.json\" \"U\"");
    scope.Pool().WaitForJobs();
    EXPECT_EQ(testing::WaitForFile(record_), program + " /data/tmp.json U\n");
}

}  // namespace
}  // namespace foldant
