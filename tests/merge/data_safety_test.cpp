#include <gtest/gtest.h>
#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "merge/foldant.h"
#include "platform/file_stream.h"
#include "tests/merge/merge_files.h"
#include "tests/support/command_output.h"
#include "tools/foldant-pdf/join_command.h"
#include "util/file_replacement.h"
#include "util/file_utils.h"
#include "util/job_files.h"

namespace foldant {
namespace {

using testing_merge::PagesOf;
using testing_merge::ReadFile;
using testing_merge::ScratchFolder;
using testing_merge::fs::path;
using testing_pdf::PdfBuilder;
using testing_pdf::SimpleDocument;

// One page that shows an image of about `bytes` bytes: large enough to fill a small disk.
std::string LargeDocument(size_t bytes) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>");
    pdf.Object(3,
               "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
               "/Resources << /XObject << /Im0 5 0 R >> >> >>");
    const std::string content = "q 612 0 0 792 0 0 cm /Im0 Do Q";
    pdf.Object(4, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                      "\nendstream");
    const size_t width = 1024;
    const size_t height = std::max<size_t>(1, bytes / (3 * width));
    std::string data(3 * width * height, '\0');
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>((i * 7) & 0xFF);
    }
    pdf.Object(5, "<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) +
                      " /Height " + std::to_string(height) +
                      " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Length " +
                      std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream");
    pdf.Finish("/Root 1 0 R");
    return pdf.Text();
}

// A small file system of its own, mounted for the test where that is allowed (as root), so that
// a disk really runs full; elsewhere the tests fall back on failing writes in the file stream.
class SmallDisk {
  public:
    SmallDisk(const std::string& folder, const std::string& options) : folder_(folder) {
        std::filesystem::create_directories(folder_);
#ifdef _WIN32
        static_cast<void>(options);
#else
        if (::geteuid() == 0) {
            const std::string command =
                "mount -t tmpfs -o " + options + " tmpfs '" + folder_ + "' 2>/dev/null";
            mounted_ = std::system(command.c_str()) == 0;
        }
#endif
    }
    ~SmallDisk() {
        if (mounted_) {
            const std::string command = "umount '" + folder_ + "'";
            if (std::system(command.c_str()) != 0) {
                ADD_FAILURE() << "cannot unmount " << folder_;
            }
        }
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const {
        return mounted_;
    }
    std::string File(const std::string& name) const {
        return folder_ + "/" + name;
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(File(name), std::ios::binary) << bytes;
        return File(name);
    }
    // The names of the files on it other than `except`.
    std::vector<std::string> Others(const std::string& except) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            if (entry.path().filename() != except) {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

  private:
    std::string folder_;
    bool mounted_ = false;
};

// Without a disk of its own the test limits writes instead, for as long as it runs.
class WriteLimit {
  public:
    WriteLimit(bool needed, int64_t bytes) : active_(needed) {
        if (active_) {
            platform::FailWritesAfter(bytes);
        }
    }
    ~WriteLimit() {
        if (active_) {
            platform::FailWritesAfter(-1);
        }
    }

  private:
    bool active_;
};

// The module's temporary folder on another disk for as long as this lives.
class TempFolderAt {
  public:
#ifdef _WIN32
    static constexpr char kVariable[] = "TMP";
#else
    static constexpr char kVariable[] = "TMPDIR";
#endif
    explicit TempFolderAt(const std::string& folder) {
        const char* old = std::getenv(kVariable);
        old_ = old != nullptr ? old : "";
        ::setenv(kVariable, folder.c_str(), 1);
    }
    ~TempFolderAt() {
        if (old_.empty()) {
            ::unsetenv(kVariable);
        } else {
            ::setenv(kVariable, old_.c_str(), 1);
        }
    }

  private:
    std::string old_;
};

TEST(DataSafety, FullDiskAtTheTargetLeavesTheTargetAndReportsTheItem) {
    ScratchFolder folder;
    SmallDisk disk(folder.File("disk"), "size=256k");
    const std::string target = disk.Write("target.pdf", SimpleDocument(2));
    const std::string before = ReadFile(target);
    const std::string item = folder.Write("item.pdf", LargeDocument(600000));
    WriteLimit limit(!disk.Mounted(), 100000);

    TFoldant job(TFoldant::BuildJobText({item}));
    EXPECT_FALSE(job.MergeAll("", target));
    EXPECT_EQ(job.Outcomes().back(), TFoldant::ItemOutcome::NotWritten);
    EXPECT_FALSE(JsonReadBool(job.ItemList->ChildAt(0), "Merged.Success"));
    EXPECT_EQ(ReadFile(target), before);
    EXPECT_TRUE(disk.Others("target.pdf").empty());
}

// Only a result to be encrypted passes through the temporary folder; the plain join goes
// straight to the work file beside the target.
TEST(DataSafety, FullTemporaryFolderLeavesTheTargetWhenTheResultIsToBeEncrypted) {
    ScratchFolder folder;
    SmallDisk disk(folder.File("tmp"), "size=256k");
    const std::string target = folder.Write("target.pdf", SimpleDocument(2));
    const std::string before = ReadFile(target);
    const std::string item = folder.Write("item.pdf", LargeDocument(600000));
    TempFolderAt temp(folder.File("tmp"));
    {
        WriteLimit limit(!disk.Mounted(), 100000);
        TFoldant job(TFoldant::BuildJobText({item}));
        EXPECT_FALSE(job.MergeAll("111100004", target));
        EXPECT_EQ(job.Outcomes().back(), TFoldant::ItemOutcome::NotWritten);
        EXPECT_EQ(ReadFile(target), before);
    }
    if (disk.Mounted()) {
        TFoldant job(TFoldant::BuildJobText({item}));
        EXPECT_TRUE(job.MergeAll("", target));
        EXPECT_EQ(PagesOf(target), 3);
    }
}

TEST(DataSafety, JoinCommandOnAFullDiskReportsTheItemAndKeepsAWholeOutput) {
    ScratchFolder folder;
    SmallDisk disk(folder.File("disk"), "size=256k");
    const std::string out = disk.Write("out.pdf", "the user's earlier file");
    const std::string first = folder.Write("first.pdf", SimpleDocument(2));
    const std::string item = folder.Write("item.pdf", LargeDocument(600000));
    int status = 0;
    {
        WriteLimit limit(!disk.Mounted(), 100000);
        status = RunJoin({"-o", out, first, item});
    }
    EXPECT_NE(status, 0);
    const std::string result = ReadFile(out);
    EXPECT_TRUE(result == "the user's earlier file" || PagesOf(out) == 2) << result.size();
    EXPECT_TRUE(disk.Others("out.pdf").empty());
}

// A folder that takes no new file: the result is copied over the target, and the original is
// put back when that copy fails half-way.
TEST(DataSafety, FolderWithoutRoomForANewFileIsReplacedInPlaceOrRestored) {
    ScratchFolder folder;
    SmallDisk disk(folder.File("disk"), "size=256k,nr_inodes=2");
    if (!disk.Mounted()) {
        GTEST_SKIP() << "needs a file system of its own";
    }
    const std::string target = disk.Write("target.pdf", SimpleDocument(2));
    const std::string before = ReadFile(target);

    TFoldant small(TFoldant::BuildJobText({folder.Write("one.pdf", SimpleDocument(1))}));
    EXPECT_TRUE(small.MergeAll("", target));
    EXPECT_EQ(PagesOf(target), 3);
    const std::string joined = ReadFile(target);

    TFoldant large(TFoldant::BuildJobText({folder.Write("big.pdf", LargeDocument(600000))}));
    EXPECT_FALSE(large.MergeAll("", target));
    EXPECT_EQ(large.Outcomes().back(), TFoldant::ItemOutcome::NotWritten);
    EXPECT_EQ(ReadFile(target), joined);
    EXPECT_TRUE(disk.Others("target.pdf").empty());
}

TEST(DataSafety, ReplacementKeepsThePermissionsOfTheTarget) {
    ScratchFolder folder;
    const std::string target = folder.Write("target.pdf", "old");
    std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_read);
    {
        TFileReplacement replacement(target);
        EXPECT_EQ(replacement.How(), TFileReplacement::Method::Rename);
        EXPECT_EQ(path(replacement.WorkFile()).parent_path(), path(target).parent_path());
        std::ofstream(replacement.WorkFile(), std::ios::binary) << "new";
        EXPECT_EQ(replacement.Commit(), TFileReplacement::Result::Replaced);
    }
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(std::filesystem::status(target).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    {
        TFileReplacement abandoned(target);
        std::ofstream(abandoned.WorkFile(), std::ios::binary) << "half";
    }
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path(target).parent_path()),
                            std::filesystem::directory_iterator()),
              1);
}

// Processes are forked and killed the POSIX way below.
#ifndef _WIN32
TEST(DataSafety, StaleJobFilesOfEndedProcessesAreRemovedOthersKept) {
    ScratchFolder folder;
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    int ignored = 0;
    ::waitpid(child, &ignored, 0);
    const std::string dead = "~foldant-" + std::to_string(child) + "-123.pdf";
    const std::string own = path(JobFileName(folder.File(""), ".pdf")).filename().string();
    const std::string original = path(KeptOriginalName(folder.File(""))).filename().string();
    for (const std::string& name :
         {dead, own, original, std::string("~foldant-x-1.pdf"), std::string("invoice.pdf")}) {
        folder.Write(name, "x");
    }
    EXPECT_EQ(JobFileOwner(own), static_cast<int64_t>(::getpid()));
    EXPECT_EQ(JobFileOwner(original), 0);
    EXPECT_EQ(RemoveStaleJobFiles(folder.File("")), 1);
    EXPECT_FALSE(std::filesystem::exists(folder.File(dead)));
    for (const std::string& name : {own, original, std::string("invoice.pdf")}) {
        EXPECT_TRUE(std::filesystem::exists(folder.File(name))) << name;
    }
}

// The answer of qpdf about the file: whether it checks clean, and its page count.
struct QpdfView {
    bool clean = false;
    int pages = -1;
};

QpdfView AskQpdf(const std::string& file) {
    QpdfView view;
    const std::string quoted = testing::ShellQuoted(file);
    view.clean = testing::CommandStatus("qpdf --check " + quoted) == 0;
    const testing::ShellResult pages =
        testing::RunShell("qpdf --show-npages " + quoted + " 2>/dev/null");
    if (pages.status == 0) {
        view.pages = std::atoi(pages.output.c_str());
    }
    return view;
}

std::vector<std::string> JobFilesOf(const std::string& folder, pid_t owner) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (JobFileOwner(entry.path().filename().string()) == owner) {
            names.push_back(entry.path().string());
        }
    }
    return names;
}

// A join of a large target killed at several moments: whenever it dies, the target is the old
// document or the whole join, never a part of one, and the next start clears its leftovers.
TEST(DataSafety, KilledJoinLeavesTheOldOrTheCompleteTarget) {
    const std::string program = std::string(FOLDANT_BINARY_DIR) + "/bin/foldant-pdf";
    if (!std::filesystem::exists(program) || std::system("command -v qpdf >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "needs foldant-pdf and qpdf";
    }
    ScratchFolder folder;
    const std::string target = folder.Write("target.pdf", LargeDocument(60u << 20));
    const std::string item = folder.Write("item.pdf", SimpleDocument(1));
    std::vector<pid_t> killed;
    int pages = 1;
    for (int delayMs : {5, 40, 90, 150, 220, 300, 400, 550, 750}) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::execl(program.c_str(), program.c_str(), "join", "-o", target.c_str(), target.c_str(),
                    item.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ASSERT_GT(child, 0);
        ::usleep(static_cast<useconds_t>(delayMs) * 1000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (WIFSIGNALED(status)) {
            killed.push_back(child);
        }
        const QpdfView view = AskQpdf(target);
        EXPECT_TRUE(view.clean) << "killed after " << delayMs << " ms";
        EXPECT_TRUE(view.pages == pages || view.pages == pages + 1)
            << "killed after " << delayMs << " ms: " << view.pages << " pages";
        pages = view.pages;
    }
    EXPECT_FALSE(killed.empty());

    // The next run removes what the killed ones left, here and in the temporary folder.
    ASSERT_EQ(RunJoin({"-o", folder.File("next.pdf"), target, item}), 0);
    for (pid_t pid : killed) {
        EXPECT_TRUE(JobFilesOf(folder.File(""), pid).empty()) << pid;
        EXPECT_TRUE(JobFilesOf(GetTempFolder(), pid).empty()) << pid;
    }
}

#endif

}  // namespace
}  // namespace foldant
