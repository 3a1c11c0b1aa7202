#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/json_text.h"
#include "tests/merge/merge_files.h"
#include "tools/foldant-pdf/compact_command.h"
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

const std::string kLogo = "LOGO-PIXELS-OF-THE-SUITE";

// One page that draws the shared logo, with its own text, and an object nothing refers to.
std::string Letter(const std::string& text) {
    testing_pdf::PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3,
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
               "/Resources << /XObject << /Logo 5 0 R >> >> >>");
    const std::string content = "q 10 0 0 10 0 0 cm /Logo Do Q % " + text;
    pdf.Object(4, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                      "\nendstream");
    pdf.Object(5,
               "<< /Type /XObject /Subtype /Image /Width 2 /Height 4 /ColorSpace /DeviceRGB "
               "/BitsPerComponent 8 /Length 24 >>\nstream\n" +
                   kLogo + "\nendstream");
    pdf.Object(6, "(UNUSED-" + text + ")");
    pdf.Finish("/Root 1 0 R");
    return pdf.Text();
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// --compact puts the member "Compact" into the job, whose joins then write the logo once.
TEST(JoinCommand, CompactJobStoresTheSharedImageOnce) {
    ScratchFolder folder;
    const std::string a = folder.Write("a.pdf", Letter("one"));
    const std::string b = folder.Write("b.pdf", Letter("two"));
    const std::string c = folder.Write("c.pdf", Letter("three"));
    const std::string plain = folder.File("plain.pdf");
    const std::string compact = folder.File("compact.pdf");
    ASSERT_EQ(Join({"-o", plain, a, b, c}).status, 0);
    const CommandRun run = Join({"-o", compact, a, b, c, "--compact"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "joined " + b + "\njoined " + c + "\n");
    EXPECT_EQ(PagesOf(compact), 3);
    EXPECT_EQ(Count(ReadFile(plain), kLogo), 3u);
    const std::string bytes = ReadFile(compact);
    EXPECT_EQ(Count(bytes, kLogo), 1u);
    EXPECT_EQ(Count(bytes, "UNUSED-"), 0u);
    for (const char* text : {"% one", "% two", "% three"}) {
        EXPECT_EQ(Count(bytes, text), 1u) << text;
    }
}

CommandRun Compact(const std::vector<std::string>& arguments) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    const int status = RunCompact(arguments);
    std::string out = ::testing::internal::GetCapturedStdout();
    return {status, out, ::testing::internal::GetCapturedStderr()};
}

TEST(CompactCommand, CompactsInPlaceAndLeavesTheOutputAloneAfterARefusal) {
    ScratchFolder folder;
    const std::string joined = folder.File("joined.pdf");
    ASSERT_EQ(Join({"-o", joined, folder.Write("a.pdf", Letter("one")),
                    folder.Write("b.pdf", Letter("two"))})
                  .status,
              0);
    ASSERT_EQ(Compact({"-o", joined, joined}).status, 0);
    EXPECT_EQ(PagesOf(joined), 2);
    EXPECT_EQ(Count(ReadFile(joined), kLogo), 1u);

    const std::string before = ReadFile(joined);
    const std::string locked = folder.Write("locked.pdf", EncryptedDocument());
    const CommandRun refused = Compact({"-o", joined, locked});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("is encrypted"), std::string::npos);
    EXPECT_EQ(ReadFile(joined), before);
    EXPECT_EQ(Compact({"-o", joined, folder.File("missing.pdf")}).status, 2);
    EXPECT_EQ(ReadFile(joined), before);
    EXPECT_EQ(Compact({"-o", joined}).status, 2);
    EXPECT_EQ(Compact({"-o", joined, locked, locked}).status, 2);
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
