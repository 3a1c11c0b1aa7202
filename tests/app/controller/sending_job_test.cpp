// The sending job as the host and the user see it, with a fake window: real channel blocks, the
// real script engine running "setup.pas", and the real merge of the bundled sample PDFs.

#include "app/sending_job.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "exchange/exchange_object.h"
#include "json/json_text.h"
#include "json/qv_json.h"
#include "platform/child_process.h"
#include "platform/guid.h"
#include "platform/message_loop.h"
#include "script/script_runtime.h"
#include "tests/exchange/test_support.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;
using testing::ManagedClock;
using testing::TestBlock;

// The engine is built in the background and the sanitizer build is slow.
constexpr int kPatienceMs = 30'000;

constexpr char kOrder[] =
    R"({"Order":[{"Nr":"4711","Adress":[{"R1":"M\u00fcller GmbH","L2":"xxx"}],)"
    R"("Parts":[{"Name":"Widget"}]}]})";

// A window that only records what it is told; the test plays the user by changing the choice.
class FakeView : public TSendingJobView {
  public:
    bool IsShown() const override { return shown; }
    void ShowWindow() override {
        shown = true;
        chosen = listed;
    }
    void ShowHeader(const std::string& markup) override { header = markup; }
    void ShowAttachments(const std::vector<std::string>& paths) override {
        listed = paths;
        chosen.clear();
    }
    void SelectAllAttachments() override {
        chosen = listed;
        listVisible = true;
    }
    std::vector<std::string> ChosenAttachments() const override { return chosen; }
    void BringToForeground() override { ++foregrounds; }
    void RestoreAndFocusWindow() override { ++focuses; }
    void ShowError(const std::string& text) override { errors.push_back(text); }

    bool shown = false;
    bool listVisible = false;
    std::string header;
    std::vector<std::string> listed;
    std::vector<std::string> chosen;
    int foregrounds = 0;
    int focuses = 0;
    std::vector<std::string> errors;
};

// The module shell: a main window that counts the close requests of the exchange.
class TestShell : public TModuleState {
  public:
    explicit TestShell(bool debugRun = false)
        : debugRun_(debugRun),
          window_(platform::AllocateHiddenWindow([this](platform::TMessage& message) {
              closeRequests += message.Msg == platform::kCloseMessage ? 1 : 0;
          })) {}
    ~TestShell() override { platform::DeallocateHiddenWindow(window_); }
    platform::WindowHandle MainWindowHandle() const override { return window_; }
    bool IsDebugRun() const override { return debugRun_; }

    int closeRequests = 0;

  private:
    bool debugRun_;
    platform::WindowHandle window_;
};

// Sample names are UTF-8; a path made of a plain string would read them in the ANSI code page
// on Windows.
fs::path Utf8Path(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

class Folder {
  public:
    Folder() : path_(fs::path(FOLDANT_BINARY_DIR) / ("controller-" + platform::NewGuidText())) {
        fs::create_directories(path_);
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string Path(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::string& bytes) const {
        fs::create_directories((path_ / name).parent_path());
        std::ofstream file(path_ / name, std::ios::binary);
        file << bytes;
        EXPECT_TRUE(file.flush()) << name;
        return Path(name);
    }
    std::string Sample(const std::string& sample, const std::string& name) const {
        fs::copy_file(fs::path(FOLDANT_SOURCE_DIR) / "samples" / Utf8Path(sample), path_ / name);
        return Path(name);
    }

  private:
    fs::path path_;
};

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

std::string HostMessage(const std::vector<std::pair<std::string, std::string>>& members) {
    TQvJSON message;
    message.SetTextMember("UID", "host");
    for (const auto& [name, value] : members) {
        message.SetTextMember(name, value);
    }
    return TQvJSONText::PrintCompact(message);
}

// Under wine a Linux program started by a Windows one reports no exit code, so qpdf's verdict
// cannot be read there; the Windows stage holds the Windows programs' joined files against qpdf
// on the Linux side instead.
#ifdef _WIN32
constexpr bool kCheckerAnswers = false;
#else
constexpr bool kCheckerAnswers = true;
#endif

// qpdf's verdict and page count of a file; nothing when it finds fault.
std::optional<int> CheckedPageCount(const Folder& folder, const std::string& path) {
    std::string output = folder.Path("qpdf-output.txt");
    auto check = platform::ChildProcess::Start("/usr/bin/qpdf", {"--check", path}, output);
    if (check->WaitFor(kPatienceMs) != 0) {
        ADD_FAILURE() << ReadFile(output);
        return std::nullopt;
    }
    auto count = platform::ChildProcess::Start("/usr/bin/qpdf", {"--show-npages", path}, output);
    if (count->WaitFor(kPatienceMs) != 0) {
        return std::nullopt;
    }
    return std::stoi(ReadFile(output));
}

class SendingJobTest : public ::testing::Test {
  protected:
    void SetUp() override { StartScriptEngine(); }
    void TearDown() override { StopScriptEngine(); }

    std::unique_ptr<TSendingJob> Start(const TestBlock& block) {
        return std::make_unique<TSendingJob>(view, block.Name(), *shell, clock.Manager());
    }
    std::string Database() const { return folder.Path("Daten"); }
    std::string SetupScriptPath() const { return Database() + "/foldant.setup/setup.pas"; }
    void WriteSetupScript(const std::string& text) const {
        folder.Write("Daten/foldant.setup/setup.pas", text);
    }
    std::string DataMessage(const std::string& attachments) const {
        return HostMessage({{"DBPath", Database()},
                            {"JSONFileName", folder.Write("order.json", kOrder)},
                            {"InfoCaption", "Rechnung 4711"},
                            {"Attachments", attachments}});
    }
    bool Until(const std::function<bool()>& done) {
        return platform::DispatchMessagesUntil(done, kPatienceMs);
    }
    // The module's final word in the block, once it is there.
    std::unique_ptr<TQvCustomJSON> WaitForFinal(const TestBlock& block) {
        std::unique_ptr<TQvCustomJSON> final;
        Until([&] {
            auto message = TQvJSONText::ParseJsonText(block.Text());
            if (message && JsonReadText(message.get(), "UID") != "host" &&
                JsonFindNode(message.get(), "Infinite") &&
                !JsonReadBool(message.get(), "Infinite")) {
                final = std::move(message);
            }
            return final != nullptr;
        });
        return final;
    }
    // Sends the data message and waits until the job has shown the window.
    std::unique_ptr<TSendingJob> ShowJob(const TestBlock& block, const std::string& attachments) {
        auto job = Start(block);
        block.Write(DataMessage(attachments));
        EXPECT_TRUE(Until([&] { return view.listVisible; }));
        return job;
    }

    ManagedClock clock;
    std::unique_ptr<TestShell> shell = std::make_unique<TestShell>();
    FakeView view;
    Folder folder;
    std::string pdfA = folder.Path("Rechnung.pdf");
    std::string pdfB = folder.Path("b.PDF");
    std::string attachments = pdfA + "\r\n" + folder.Path("brief.docx") + "\r\n" +
                              folder.Path("b.pdf.bak") + "\r\n" + pdfB + "\r\n";
};

TEST_F(SendingJobTest, AllowedJobShowsThePdfAttachmentsAllSelectedAndWaitsForTheUser) {
    TestBlock block("varnel-");
    auto job = ShowJob(block, attachments);
    EXPECT_TRUE(view.shown);
    EXPECT_EQ(view.header, "<b>Rechnung 4711 [" + Database() + "]");
    EXPECT_EQ(view.listed, (std::vector<std::string>{pdfA, pdfB}));
    EXPECT_EQ(view.chosen, view.listed);
    EXPECT_GE(view.foregrounds, 1);
    EXPECT_GE(view.focuses, 1);
    EXPECT_EQ(job->DBPath(), Database());
    // Without a script the default one is written, and it never forbids the window.
    EXPECT_TRUE(fs::is_regular_file(SetupScriptPath()));
    platform::DispatchMessagesUntil([] { return false; }, 300);
    EXPECT_EQ(JsonReadText(TQvJSONText::ParseJsonText(block.Text()).get(), "UID"), "host");
    EXPECT_EQ(shell->closeRequests, 0);
}

TEST_F(SendingJobTest, ExecuteSendsTheChosenPathsAndTheCloseBoxThenSendsNothingMore) {
    TestBlock block("varnel-");
    auto job = ShowJob(block, attachments);
    view.chosen = {pdfB};
    job->Execute();
    auto final = WaitForFinal(block);
    ASSERT_TRUE(final);
    EXPECT_EQ(JsonReadText(final.get(), "AddAttachments"), pdfB + "\r\n");
    EXPECT_EQ(JsonReadText(final.get(), "Succeded"), "1");
    EXPECT_FALSE(JsonFindNode(final.get(), "CallServerExeNameOff"));
    EXPECT_TRUE(job->Executed());
    EXPECT_TRUE(Until([&] { return shell->closeRequests == 1; }));

    std::string answered = block.Text();
    job->CloseBox();
    job.reset();
    EXPECT_EQ(block.Text(), answered);
    EXPECT_TRUE(view.errors.empty());
}

// A debug run keeps its conversation open after a final word, so only the job itself can tell
// that the close box comes after the chosen files went out.
TEST_F(SendingJobTest, InADebugRunTheCloseBoxAfterExecuteCallsNothingOff) {
    shell = std::make_unique<TestShell>(true);
    TestBlock block("varnel-");
    auto job = ShowJob(block, attachments);
    job->Execute();
    ASSERT_TRUE(WaitForFinal(block));
    std::string answered = block.Text();
    job->CloseBox();
    EXPECT_EQ(block.Text(), answered);
    // Sending is done when the call returns.
    job->CallOff();
    auto final = TQvJSONText::ParseJsonText(block.Text());
    ASSERT_TRUE(final);
    EXPECT_TRUE(JsonReadBool(final.get(), "CallServerExeNameOff"));
    EXPECT_EQ(shell->closeRequests, 0);
}

TEST_F(SendingJobTest, ExecuteWithNothingChosenSendsAnEmptyList) {
    TestBlock block("varnel-");
    auto job = ShowJob(block, attachments);
    view.chosen.clear();
    job->Execute();
    auto final = WaitForFinal(block);
    ASSERT_TRUE(final);
    ASSERT_TRUE(JsonFindNode(final.get(), "AddAttachments"));
    EXPECT_EQ(JsonReadText(final.get(), "AddAttachments"), "");
}

TEST_F(SendingJobTest, EscapeAndTheCloseBoxCallTheModuleOff) {
    for (auto action : {&TSendingJob::CallOff, &TSendingJob::CloseBox}) {
        TestBlock block("varnel-");
        auto job = ShowJob(block, attachments);
        ((*job).*action)();
        auto final = WaitForFinal(block);
        ASSERT_TRUE(final);
        EXPECT_TRUE(JsonReadBool(final.get(), "CallServerExeNameOff"));
        EXPECT_EQ(JsonReadText(final.get(), "Succeded"), "1");
        EXPECT_FALSE(JsonFindNode(final.get(), "AddAttachments"));
        // A second key press finds the conversation closing and sends nothing.
        std::string answered = block.Text();
        ((*job).*action)();
        job.reset();
        EXPECT_EQ(block.Text(), answered);
    }
}

TEST_F(SendingJobTest, TheLinkCancelsTheSendingProcess) {
    TestBlock block("varnel-");
    auto job = ShowJob(block, attachments);
    job->CancelSending();
    auto final = WaitForFinal(block);
    ASSERT_TRUE(final);
    EXPECT_EQ(JsonReadText(final.get(), "Succeded"), "2");
    EXPECT_FALSE(JsonFindNode(final.get(), "CallServerExeNameOff"));
    EXPECT_TRUE(Until([&] { return shell->closeRequests == 1; }));
}

TEST_F(SendingJobTest, ForbiddingSetupScriptCallsOffWithoutShowingTheWindow) {
    WriteSetupScript("begin ThisForBidden := True; end.");
    TestBlock block("varnel-");
    auto job = Start(block);
    block.Write(DataMessage(attachments));
    auto final = WaitForFinal(block);
    ASSERT_TRUE(final);
    EXPECT_TRUE(JsonReadBool(final.get(), "CallServerExeNameOff"));
    EXPECT_FALSE(view.shown);
    EXPECT_TRUE(view.listed.empty());
    EXPECT_EQ(ReadFile(SetupScriptPath()), "begin ThisForBidden := True; end.");
}

TEST_F(SendingJobTest, NoPdfAmongTheAttachmentsCallsOffWithoutWaitingForTheUser) {
    TestBlock block("varnel-");
    auto job = Start(block);
    block.Write(DataMessage(folder.Path("brief.docx") + "\r\n" + folder.Path("Rechnung") + "\r\n"));
    auto final = WaitForFinal(block);
    ASSERT_TRUE(final);
    EXPECT_TRUE(JsonReadBool(final.get(), "CallServerExeNameOff"));
    EXPECT_TRUE(view.listed.empty());
    EXPECT_FALSE(view.listVisible);
}

TEST_F(SendingJobTest, AHandedOverChannelCarriesTheNextJob) {
    TestBlock first("varnel-");
    TestBlock second("varnel-");
    auto job = Start(first);
    std::string name = second.Name();
    platform::TCopyDataStruct record{ChannelHandOverTag,
                                     static_cast<std::uint32_t>(name.size() + 1), name.c_str()};
    platform::TMessage message{platform::kCopyDataMessage, 0,
                               reinterpret_cast<std::intptr_t>(&record)};
    job->HandleCopyData(message);
    EXPECT_EQ(job->Exchange().ChannelName(), name);
    second.Write(DataMessage(attachments));
    ASSERT_TRUE(Until([&] { return view.listVisible; }));
    job->Execute();
    auto final = WaitForFinal(second);
    ASSERT_TRUE(final);
    EXPECT_EQ(JsonReadText(final.get(), "AddAttachments"), pdfA + "\r\n" + pdfB + "\r\n");
}

TEST_F(SendingJobTest, ResponseJoinsTheCopiesAndAnswersWhatWasJoined) {
    std::string target = folder.Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::string first = folder.Sample("Rechnung 2026-0815.pdf", "Kopie 1.pdf");
    std::string broken = folder.Write("Kopie 2.pdf", "%PDF-1.4\nnot really a PDF\n");
    std::string third = folder.Sample(
        "Preis\xC3\xBC"
        "bersicht M\xC3\xA4rz.pdf",
        "Kopie 3.pdf");
    int pages = 0;
    if (kCheckerAnswers) {
        pages = CheckedPageCount(folder, target).value_or(0) +
                CheckedPageCount(folder, first).value_or(0) +
                CheckedPageCount(folder, third).value_or(0);
    }

    TestBlock block("spooler-");
    auto job = Start(block);
    TQvJSON response;
    response.SetTextMember("AddAttachments", first + "\r\n" + broken + "\r\n" + third + "\r\n");
    block.Write(
        HostMessage({{"Response", TQvJSONText::PrintCompact(response)}, {"PDFFileName", target}}));
    auto final = WaitForFinal(block);
    ASSERT_TRUE(final);
    EXPECT_EQ(JsonReadText(final.get(), "Succeded"), "1");
    EXPECT_EQ(JsonReadText(final.get(), "RemoveAttachments"), first + "\r\n" + third + "\r\n");
    if (kCheckerAnswers) {
        EXPECT_EQ(CheckedPageCount(folder, target), pages);
    }
    EXPECT_FALSE(view.shown);
}

// The response joins compactly: a copy that comes twice adds its pages twice but its fonts,
// images and contents once, where a plain join would add the whole file twice.
TEST_F(SendingJobTest, ResponseStoresWhatTheCopiesShareOnce) {
    std::string target = folder.Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::string first = folder.Sample("Rechnung 2026-0815.pdf", "Kopie 1.pdf");
    std::string again = folder.Sample("Rechnung 2026-0815.pdf", "Kopie 2.pdf");
    const auto targetSize = std::filesystem::file_size(target);
    const auto copySize = std::filesystem::file_size(first);

    TestBlock block("spooler-");
    auto job = Start(block);
    TQvJSON response;
    response.SetTextMember("AddAttachments", first + "\r\n" + again + "\r\n");
    block.Write(
        HostMessage({{"Response", TQvJSONText::PrintCompact(response)}, {"PDFFileName", target}}));
    auto final = WaitForFinal(block);
    ASSERT_TRUE(final);
    EXPECT_EQ(JsonReadText(final.get(), "RemoveAttachments"), first + "\r\n" + again + "\r\n");
    EXPECT_LT(std::filesystem::file_size(target), targetSize + copySize + copySize / 2);
}

// The host waits for a final word; whatever cannot be joined is answered with a cancel.
TEST_F(SendingJobTest, ResponseWithNothingToJoinIsCancelled) {
    std::string target = folder.Sample("Lieferschein 2026-0815.pdf", "Ziel.pdf");
    std::string copy = folder.Sample("Rechnung 2026-0815.pdf", "Kopie.pdf");
    std::string original = ReadFile(target);
    struct Case {
        std::string label;
        std::string response;
        std::string target;
    };
    for (const auto& [label, response, pdfFileName] : std::vector<Case>{
             {"empty list", R"({"AddAttachments":""})", target},
             {"unparsable response", R"({"AddAttachments":)", target},
             {"missing target", R"({"AddAttachments":")" + copy + R"("})",
              folder.Path("fehlt.pdf")},
         }) {
        TestBlock block("spooler-");
        auto job = Start(block);
        block.Write(HostMessage({{"Response", response}, {"PDFFileName", pdfFileName}}));
        auto final = WaitForFinal(block);
        ASSERT_TRUE(final) << label;
        EXPECT_EQ(JsonReadText(final.get(), "Succeded"), "2") << label;
        EXPECT_FALSE(JsonFindNode(final.get(), "RemoveAttachments")) << label;
    }
    EXPECT_EQ(ReadFile(target), original);
}

}  // namespace
}  // namespace foldant
