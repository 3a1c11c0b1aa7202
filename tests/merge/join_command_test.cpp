#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/json_text.h"
#include "tests/merge/merge_files.h"
#include "tools/foldant-pdf/join_command.h"

namespace foldant {
namespace {

using testing_merge::EncryptedDocument;
using testing_merge::PagesOf;
using testing_merge::ReadFile;
using testing_merge::ScratchFolder;
using testing_pdf::SimpleDocument;

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

CommandRun Join(const std::vector<std::string>& arguments) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = RunJoin(arguments);
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
}

TEST(JoinCommand, JoinsEveryInputInOrder) {
    ScratchFolder folder;
    const std::string a = folder.Write("a.pdf", SimpleDocument(1));
    const std::string b = folder.Write("b.pdf", SimpleDocument(2));
    const std::string c = folder.Write("c.pdf", SimpleDocument(3));
    const std::string out = folder.File("out.pdf");
    const CommandRun run = Join({"-o", out, a, b, c});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "joined " + b + "\njoined " + c + "\n");
    EXPECT_EQ(PagesOf(out), 6);
    EXPECT_EQ(PagesOf(a), 1);
}

TEST(JoinCommand, ReportsItemsThatWereNotJoined) {
    ScratchFolder folder;
    const std::string a = folder.Write("a.pdf", SimpleDocument(1));
    const std::string locked = folder.Write("locked.pdf", EncryptedDocument());
    const std::string text = folder.Write("text.pdf", "hello");
    const std::string b = folder.Write("b.pdf", SimpleDocument(2));
    const std::string out = folder.File("out.pdf");
    const CommandRun run = Join({"-o", out, a, locked, text, b, "--log", folder.File("job.log")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("not joined " + locked + ": encrypted\n"), std::string::npos);
    EXPECT_NE(run.out.find("not joined " + text + ": not a PDF"), std::string::npos);
    EXPECT_NE(run.out.find("joined " + b + "\n"), std::string::npos);
    EXPECT_EQ(PagesOf(out), 3);
    const std::string log = ReadFile(folder.File("job.log"));
    EXPECT_NE(log.find("\"Merged.Success\":false"), std::string::npos);
    EXPECT_EQ(log.front(), '[');
}

TEST(JoinCommand, PermissionCodeAskingForEncryptionEncryptsTheOutput) {
    ScratchFolder folder;
    const std::string a = folder.Write("a.pdf", SimpleDocument(1));
    const std::string b = folder.Write("b.pdf", SimpleDocument(1));
    const std::string out = folder.File("out.pdf");
    const CommandRun run = Join({"--permissions", "111111111", "-o", out, a, b});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("joined " + b), std::string::npos);
    EXPECT_NE(ReadFile(out).find("/Encrypt"), std::string::npos);
    EXPECT_EQ(Join({"--permissions", "000000000", "-o", out, a, b}).status, 0);
    EXPECT_EQ(ReadFile(out).find("/Encrypt"), std::string::npos);
}

TEST(JoinCommand, UsageAndFileErrorsLeaveNoOutput) {
    ScratchFolder folder;
    const std::string a = folder.Write("a.pdf", SimpleDocument(1));
    const std::string out = folder.File("out.pdf");
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {}, {a}, {"-o", out}, {"-o", out, a, "--bogus"}, {"-o", out, a, "--log"}}) {
        const CommandRun run = Join(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("usage"), std::string::npos);
    }
    // A later input that is missing is only not joined; a missing first input is a file error.
    const CommandRun missing = Join({"-o", out, a, folder.File("missing.pdf")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("not joined " + folder.File("missing.pdf") + ": cannot be opened"),
              std::string::npos);
    EXPECT_EQ(PagesOf(out), 1);
    testing_merge::fs::remove(out);
    EXPECT_EQ(Join({"-o", out, folder.File("missing.pdf")}).status, 2);
    EXPECT_FALSE(testing_merge::fs::exists(out));
}

TEST(JoinCommand, SingleInputIsCopied) {
    ScratchFolder folder;
    const std::string a = folder.Write("a.pdf", SimpleDocument(2));
    const std::string out = folder.File("out.pdf");
    EXPECT_EQ(Join({"-o", out, a}).status, 0);
    EXPECT_EQ(ReadFile(out), ReadFile(a));
}

}  // namespace
}  // namespace foldant
