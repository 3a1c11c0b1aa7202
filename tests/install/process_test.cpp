#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "pe_fixture.h"
#include "scratch_environment.h"

namespace foldant {
namespace {

using platform::SplitArguments;
using platform::SplitCommandLine;
using Parts = std::vector<std::string>;

TEST(CommandLine, QuotesGroupAndBlanksSeparate) {
    EXPECT_EQ(SplitCommandLine("prog a  b\tc"), (Parts{"prog", "a", "b", "c"}));
    EXPECT_EQ(SplitCommandLine("prog \"a b\" c\"d e\"f"), (Parts{"prog", "a b", "cd ef"}));
    EXPECT_EQ(SplitCommandLine("prog \"\""), (Parts{"prog", ""}));
}

TEST(CommandLine, BackslashesCountOnlyBeforeQuotes) {
    EXPECT_EQ(SplitArguments(R"(a\\b c\d)"), (Parts{R"(a\\b)", R"(c\d)"}));
    // 2n backslashes and a quote: n backslashes, the quote opens or closes.
    EXPECT_EQ(SplitArguments(R"("a\\" b)"), (Parts{R"(a\)", "b"}));
    // 2n+1 backslashes and a quote: n backslashes and a literal quote.
    EXPECT_EQ(SplitArguments(R"(a\"b "c\\\" d")"), (Parts{R"(a"b)", R"(c\" d)"}));
    // A doubled quote inside quotes is a literal quote.
    EXPECT_EQ(SplitArguments(R"("a ""b"" c")"), (Parts{R"(a "b" c)"}));
}

TEST(CommandLine, ProgramNameKeepsItsBackslashes) {
    EXPECT_EQ(SplitCommandLine(R"(C:\Vok\vok.exe "C:\Temp\tmp.json" "U")"),
              (Parts{R"(C:\Vok\vok.exe)", R"(C:\Temp\tmp.json)", "U"}));
    EXPECT_EQ(SplitCommandLine(R"("C:\Program Files\x.exe"\ a)"),
              (Parts{R"(C:\Program Files\x.exe\)", "a"}));
}

class ProcessStart : public testing::ScratchEnvironmentTest {
  protected:
    void SetUp() override {
        ScratchEnvironmentTest::SetUp();
        record_ = Path("record.txt");
        // Writes each argument on a line of its own.
        recorder_ =
            WriteScript("bin/recorder", "for a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + record_ +
                                            "'; done\necho end >> '" + record_ + "'\n");
    }
    std::string record_;
    std::string recorder_;
};

TEST_F(ProcessStart, PlainProgramGetsItsArgumentsUnquoted) {
    ASSERT_TRUE(platform::StartProcess(recorder_ + " \"/tmp/a b/tmp.json\" \"U\""));
    EXPECT_EQ(testing::WaitForFile(record_), "/tmp/a b/tmp.json\nU\nend\n");
}

TEST_F(ProcessStart, UnquotedProgramPathWithBlanksIsFoundByItsPrefixes) {
    std::string spaced = Path("Vok Program/recorder");
    std::filesystem::create_directories(Path("Vok Program"));
    std::filesystem::copy_file(recorder_, spaced);
    ASSERT_TRUE(platform::StartProcess(spaced + " \"x y\""));
    EXPECT_EQ(testing::WaitForFile(record_), "x y\nend\n");
}

TEST_F(ProcessStart, PeProgramRunsThroughTheLauncher) {
    std::string exe = Write("Vok/vok.exe", testing::BuildPeImage({}));
    Remember("FOLDANT_EXE_LAUNCHER", recorder_);
    ASSERT_TRUE(platform::StartProcess(exe + " \"" + Path("tmp.json") + "\" \"U\""));
    EXPECT_EQ(testing::WaitForFile(record_), exe + "\n" + Path("tmp.json") + "\nU\nend\n");
}

TEST_F(ProcessStart, MissingProgramOrLauncherFails) {
    EXPECT_FALSE(platform::StartProcess(Path("nothing.exe") + " \"a\""));
    std::string exe = Write("vok.exe", testing::BuildPeImage({}));
    Remember("FOLDANT_EXE_LAUNCHER", Path("no-launcher"));
    EXPECT_FALSE(platform::StartProcess(exe));
}

TEST_F(ProcessStart, OpenPassesTheTargetWithoutItsQuotes) {
    Remember("FOLDANT_OPEN_COMMAND", recorder_);
    ASSERT_TRUE(platform::ShellExecute("open", "\"https://example.test/fts.html?q=Vok\""));
    EXPECT_EQ(testing::WaitForFile(record_), "https://example.test/fts.html?q=Vok\nend\n");
    EXPECT_FALSE(platform::ShellExecute("print", "\"x\""));
}

TEST_F(ProcessStart, SymbolicLinkLeadsToItsTarget) {
    std::filesystem::create_symlink(recorder_, Path("link"));
    std::filesystem::create_symlink("gone", Path("dangling"));
    EXPECT_EQ(platform::ShellLinkTarget(Path("link")), recorder_);
    EXPECT_EQ(platform::ShellLinkTarget(Path("dangling")), Path("gone"));
    EXPECT_EQ(platform::ShellLinkTarget(recorder_), std::nullopt);
}

}  // namespace
}  // namespace foldant
