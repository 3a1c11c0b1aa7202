#include <gtest/gtest.h>

#include "pdf/encrypted_copy.h"
#include "pdf/page_tree.h"
#include "security_support.h"
#include "tests/support/corpus.h"

// The encrypt command and the join command's permission code, run as the built program.

namespace foldant {
namespace {

namespace fs = std::filesystem;
using testing_security::CommandResult;
using testing_security::OpenedFile;
using testing_security::Quoted;
using testing_security::ReadFile;
using testing_security::RunCommand;
using testing_security::ScratchFolder;
using testing_security::WriteFile;

#ifdef _WIN32
const fs::path kProgram = fs::path(FOLDANT_BINARY_DIR) / "bin" / "foldant-pdf.exe";
#else
const fs::path kProgram = fs::path(FOLDANT_BINARY_DIR) / "bin" / "foldant-pdf";
#endif
const fs::path kSample = fs::path(FOLDANT_CORPUS_DIR) / "pdf" / "j-Embedded_font.pdf";

class SecurityCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(kProgram)) {
            GTEST_SKIP() << "foldant-pdf is not built";
        }
        if (!foldant::testing::CorpusAvailable()) {
            GTEST_SKIP() << foldant::testing::CorpusMissing();
        }
    }
    int Run(const std::string& arguments) {
        return RunCommand(testing::ProgramCommand(kProgram) + " " + arguments,
                          scratch_ / "stdout.txt")
            .status;
    }
    fs::path Path(const std::string& name) const { return scratch_ / name; }

    ScratchFolder scratch_{"command"};
};

TEST_F(SecurityCommand, EncryptsWithTheLevelAndPermissionsGiven) {
    const fs::path out = Path("out.pdf");
    ASSERT_EQ(
        Run("encrypt -o " + Quoted(out) + " --level 1 --permissions 10000000 " + Quoted(kSample)),
        0);
    OpenedFile file(ReadFile(out));
    EXPECT_EQ(file.info->Encryption.Revision, 3);
    EXPECT_EQ(static_cast<int32_t>(file.info->Encryption.Permissions), -3900);
    EXPECT_TRUE(file.info->Authenticated);

    ASSERT_EQ(Run("encrypt --level 5 " + Quoted(kSample) + " -o " + Quoted(out)), 0);
    OpenedFile strong(ReadFile(out));
    EXPECT_EQ(strong.info->Encryption.Revision, 6);
    EXPECT_EQ(static_cast<int32_t>(strong.info->Encryption.Permissions), -4);
}

TEST_F(SecurityCommand, RefusedInputsLeaveTheOutputAsItWasAndExitWithOne) {
    const fs::path encrypted = Path("encrypted.pdf");
    TPdfLibrary::Refusal failureCode = TPdfLibrary::kNoRefusal;
    ASSERT_TRUE(EncryptedCopyFiles(kSample.string(), encrypted.string(), 15, 15, 1, failureCode));
    const fs::path out = Path("out.pdf");
    EXPECT_EQ(Run("encrypt -o " + Quoted(out) + " --level 2 " + Quoted(encrypted)), 1);
    EXPECT_FALSE(fs::exists(out));

    const fs::path text = Path("text.pdf");
    WriteFile(text, "no PDF here");
    WriteFile(out, "the user's earlier file");
    EXPECT_EQ(Run("encrypt -o " + Quoted(out) + " --level 0 " + Quoted(text)), 1);
    EXPECT_EQ(ReadFile(out), "the user's earlier file");
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch_.Path()), fs::directory_iterator()), 4);
}

TEST_F(SecurityCommand, UsageAndFileErrorsExitWithTwo) {
    const std::string out = Quoted(Path("out.pdf"));
    const std::string in = Quoted(kSample);
    for (const std::string& arguments : std::vector<std::string>{
             "encrypt",
             "encrypt -o " + out + " " + in,
             "encrypt -o " + out + " --level 4 " + in,
             "encrypt -o " + out + " --level 12 " + in,
             "encrypt -o " + out + " --level 1 --permissions 1111 " + in,
             "encrypt -o " + out + " --level 1 " + in + " " + in,
             "encrypt --level 1 " + in,
             "encrypt -o " + out + " --level 1 " + Quoted(Path("missing.pdf")),
             "encrypt -o " + Quoted(Path("no/such/folder/out.pdf")) + " --level 1 " + in,
         }) {
        EXPECT_EQ(Run(arguments), 2) << arguments;
    }
    EXPECT_TRUE(fs::exists(kSample));

    const fs::path same = Path("same.pdf");
    fs::copy_file(kSample, same);
    EXPECT_EQ(Run("encrypt -o " + Quoted(same) + " --level 1 " + Quoted(same)), 2);
    EXPECT_EQ(ReadFile(same), ReadFile(kSample));
}

TEST_F(SecurityCommand, JoinEncryptsAsThePermissionCodeAsks) {
    const fs::path out = Path("joined.pdf");
    const std::string inputs = Quoted(kSample) + " " + Quoted(kSample) + " " + Quoted(kSample);
    const struct {
        std::string code;
        int32_t revision;
        int32_t permissions;
    } cases[] = {
        {"", 0, 0},         {"000000000", 0, 0}, {"111100004", 2, -4}, {"100000001", 3, -3900},
        {"1111", 3, -3844},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run("join -o " + Quoted(out) + " " + inputs + " --permissions '" + c.code + "'"),
                  0)
            << c.code;
        OpenedFile file(ReadFile(out));
        EXPECT_EQ(file.info->Encryption.Revision, c.revision) << c.code;
        EXPECT_EQ(static_cast<int32_t>(file.info->Encryption.Permissions), c.permissions) << c.code;
        EXPECT_EQ(file.info->Authenticated, c.revision != 0) << c.code;
        EXPECT_EQ(CountPages(file.reader), 3) << c.code;
    }
}

}  // namespace
}  // namespace foldant
