// Every program of the project behaves like a command-line program: --help prints the usage on
// standard output and succeeds, errors say why, and refused work leaves nothing behind.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/app/app_test_support.h"
#include "tests/support/command_output.h"

namespace foldant {
namespace {

using apptest::TestFolder;

struct ShellRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// Runs the program with standard output and standard error kept apart.
ShellRun RunShell(const TestFolder& folder, const std::string& program,
                  const std::vector<std::string>& arguments) {
    std::string command = "timeout 60 " + Quoted(program);
    for (const std::string& argument : arguments) {
        command += " " + Quoted(argument);
    }
    std::string out = folder.Path("out.txt");
    std::string err = folder.Path("err.txt");
    int status = std::system((command + " >" + Quoted(out) + " 2>" + Quoted(err)).c_str());
    ShellRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = apptest::ReadWholeFile(out);
    run.err = apptest::ReadWholeFile(err);
    return run;
}

std::string Program(const std::string& name) {
    return std::string(FOLDANT_BINARY_DIR) + "/bin/" + name;
}

TEST(CommandLinePrograms, HelpPrintsTheUsageOnStandardOutputAndSucceeds) {
    TestFolder folder;
    for (const char* name :
         {"foldant", "foldant-pdf", "foldant-script", "foldant-host", "foldant-service"}) {
        ShellRun run = RunShell(folder, Program(name), {"--help"});
        EXPECT_EQ(run.exitCode, 0) << name << ": " << run.err;
        EXPECT_NE(run.out.find(std::string(name) + " "), std::string::npos) << name << run.out;
        EXPECT_NE(run.out.find("sage"), std::string::npos) << name << run.out;
        EXPECT_EQ(run.err, "") << name;
    }
}

// The module must not take "--help" for a channel name and listen on it for ever.
TEST(CommandLinePrograms, TheModuleAnswersHelpAndVersionAndEnds) {
    TestFolder folder;
    apptest::UseNoDisplay();
    ShellRun help = RunShell(folder, FOLDANT_MODULE_PROGRAM, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("INSTALLVOK"), std::string::npos) << help.out;
    ShellRun version = RunShell(folder, FOLDANT_MODULE_PROGRAM, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("foldant ", 0), 0u) << version.out;
}

TEST(CommandLinePrograms, CheckSaysWhyAFileCannotBeOpened) {
    TestFolder folder;
    ShellRun run = RunShell(folder, Program("foldant-pdf"), {"check", folder.Path("missing.pdf")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("No such file or directory"), std::string::npos) << run.err;
    std::filesystem::create_directories(folder.Path("folder.pdf"));
    run = RunShell(folder, Program("foldant-pdf"), {"check", folder.Path("folder.pdf")});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("Is a directory"), std::string::npos) << run.err;
}

TEST(CommandLinePrograms, JoinRefusesAFirstInputThatIsNoPdfAndLeavesNoOutput) {
    TestFolder folder;
    std::string text = folder.Text("Notiz.pdf", "not a PDF at all\n");
    std::string pdf = folder.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    std::string out = folder.Path("out.pdf");
    ShellRun run = RunShell(folder, Program("foldant-pdf"), {"join", "-o", out, text, pdf});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(text + " is not a PDF"), std::string::npos) << run.err;
    EXPECT_EQ(run.out.find("joined"), std::string::npos) << run.out;
    EXPECT_FALSE(std::filesystem::exists(out));
}

// The program as a user starts it, on several inputs: each is reported on its own, the ones
// that cannot be joined are left out, and OUT holds the pages of the rest in their order.
TEST(CommandLinePrograms, JoinOfSeveralInputsReportsEachAndWritesTheRest) {
    TestFolder folder;
    std::string invoice = folder.Sample("Rechnung 2026-0815.pdf", "Rechnung.pdf");
    std::string delivery = folder.Sample("Lieferschein 2026-0815.pdf", "Lieferschein.pdf");
    std::string prices = folder.Sample("Preisübersicht März.pdf", "Preise.pdf");
    std::string text = folder.Text("Notiz.pdf", "not a PDF at all\n");
    std::string missing = folder.Path("missing.pdf");
    std::string out = folder.Path("out.pdf");
    ShellRun run = RunShell(folder, Program("foldant-pdf"),
                            {"join", "-o", out, invoice, delivery, text, missing, prices, invoice});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.out, "joined " + delivery + "\nnot joined " + text +
                           ": not a PDF or too damaged to read\nnot joined " + missing +
                           ": cannot be opened\njoined " + prices + "\njoined " + invoice + "\n");
    const auto pagesOf = [](const std::string& file) {
        return std::atoi(testing::CommandOutput("pdfinfo " + testing::ShellQuoted(file) +
                                                " | grep '^Pages:' | tr -dc 0-9")
                             .c_str());
    };
    EXPECT_EQ(pagesOf(out), 2 * pagesOf(invoice) + pagesOf(delivery) + pagesOf(prices));
    EXPECT_EQ(testing::CommandStatus("qpdf --check " + testing::ShellQuoted(out)), 0);
}

}  // namespace
}  // namespace foldant
