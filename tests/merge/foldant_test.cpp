#include <gtest/gtest.h>

#include <set>

#include "json/json_text.h"
#include "merge/foldant.h"
#include "pdf/wide_file_stream.h"
#include "platform/process_identity.h"
#include "tests/merge/merge_files.h"
#include "util/file_utils.h"
#include "util/job_files.h"

namespace foldant {
namespace {

using testing_merge::EncryptedDocument;
using testing_merge::PagesOf;
using testing_merge::ReadFile;
using testing_merge::ScratchFolder;
using testing_pdf::SimpleDocument;

// Temporary PDF files of this test program that exist right now. Other test programs run jobs in
// the same folder at the same time, so their files are not counted.
std::set<std::string> TempPdfFiles() {
    std::set<std::string> names;
    std::error_code ignored;
    for (std::filesystem::directory_iterator entry(GetTempFolder(), ignored), end; entry != end;
         entry.increment(ignored)) {
        const std::string name = entry->path().filename().string();
        if (entry->path().extension() == ".pdf" &&
            JobFileOwner(name) == platform::CurrentProcessId()) {
            names.insert(name);
        }
    }
    return names;
}

// A path as a JSON string's content: Windows paths hold backslashes.
std::string JsonText(const std::string& path) {
    std::string text;
    for (char c : path) {
        if (c == '\\' || c == '"') {
            text += '\\';
        }
        text += c;
    }
    return text;
}

std::string JobOf(const std::string& items, const std::string& log = "") {
    return "{" + (log.empty() ? std::string() : "\"LogFileName\":\"" + JsonText(log) + "\",") +
           "\"Items\":[" + items + "]}";
}

std::string Item(const std::string& file, bool take = true, bool remove = false) {
    return "{\"PDFFileName\":\"" + JsonText(file) +
           "\",\"PrintResult.Success\":" + (take ? "true" : "false") +
           ",\"DeletePDFFile\":" + (remove ? "true" : "false") + "}";
}

TEST(MergeJob, BuildJobTextListsEveryFileAsTaken) {
    EXPECT_EQ(TFoldant::BuildJobText({"a b.pdf", "x.pdf"}),
              "{\"Items\":[{\"PDFFileName\":\"a b.pdf\",\"PrintResult.Success\":true},"
              "{\"PDFFileName\":\"x.pdf\",\"PrintResult.Success\":true}]}");
    TFoldant job(TFoldant::BuildJobText({"a.pdf", "b.pdf"}));
    ASSERT_EQ(job.ItemCount(), 2);
    EXPECT_EQ(job.ItemFileName(1), "b.pdf");
}

TEST(MergeJob, TakesOnlyPrintedItemsWithAName) {
    TFoldant job(JobOf(Item("a.pdf") + "," + Item("b.pdf", false) + "," + Item("") + "," +
                           Item("c.pdf", true, true) + ",{\"PDFFileName\":\"d.pdf\"}",
                       "<tmp>x.log"));
    EXPECT_EQ(job.LogFile, "<tmp>x.log");
    EXPECT_EQ(TQvJSONText::PrintCompact(*job.ItemList),
              "[{\"PDFFileName\":\"a.pdf\",\"DeletePDFFile\":false},"
              "{\"PDFFileName\":\"c.pdf\",\"DeletePDFFile\":true}]");
}

TEST(MergeJob, TextThatIsNotJsonGivesAnEmptyJobThatSucceeds) {
    TFoldant job("{\"Items\": [");
    EXPECT_EQ(job.ItemCount(), 0);
    EXPECT_TRUE(job.LogFile.empty());
    EXPECT_TRUE(job.MergeAll("", "/nonexistent/target.pdf"));
}

TEST(MergeJob, FailedItemLeavesTheTargetAndTheJobGoesOn) {
    ScratchFolder folder;
    const std::string target = folder.Write("target.pdf", SimpleDocument(2));
    const std::string one = folder.Write("one.pdf", SimpleDocument(1));
    const std::string locked = folder.Write("locked.pdf", EncryptedDocument());
    const std::string three = folder.Write("three.pdf", SimpleDocument(3));
    const std::set<std::string> before = TempPdfFiles();
    int calls = 0;
    bool all = true;
    {
        TFoldant job(TFoldant::BuildJobText({one, locked, three}));
        all = job.MergeAll("", target, [&calls](TFoldant&) { ++calls; });
        EXPECT_EQ(TQvJSONText::PrintCompact(*job.ItemList).find("\"Merged.Success\":false"),
                  TQvJSONText::PrintCompact(*job.ItemList).rfind("\"Merged.Success\":false"));
        EXPECT_EQ(job.Outcomes(),
                  (std::vector<TFoldant::ItemOutcome>{TFoldant::ItemOutcome::Joined,
                                                      TFoldant::ItemOutcome::Encrypted,
                                                      TFoldant::ItemOutcome::Joined}));
        EXPECT_TRUE(JsonReadBool(job.ItemList->ChildAt(0), "Merged.Success"));
        EXPECT_FALSE(JsonReadBool(job.ItemList->ChildAt(1), "Merged.Success"));
        EXPECT_TRUE(JsonReadBool(job.ItemList->ChildAt(2), "Merged.Success"));
    }
    EXPECT_FALSE(all);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(PagesOf(target), 2 + 1 + 3);
    EXPECT_EQ(TempPdfFiles(), before);
}

TEST(MergeJob, EncryptionRequestEncryptsTheResultOfTheLastItemOnly) {
    ScratchFolder folder;
    const std::string target = folder.Write("target.pdf", SimpleDocument(1));
    const std::string one = folder.Write("one.pdf", SimpleDocument(1));
    const std::string two = folder.Write("two.pdf", SimpleDocument(2));
    TFoldant job(TFoldant::BuildJobText({one, two}));
    EXPECT_TRUE(job.MergeAll("111100004", target));
    EXPECT_TRUE(job.EncryptResult);
    EXPECT_EQ(job.Level, 0);
    EXPECT_EQ(job.PermissionFlags, 15);
    EXPECT_EQ(job.Outcomes().back(), TFoldant::ItemOutcome::Joined);
    EXPECT_EQ(PagesOf(target), 4);
    EXPECT_NE(ReadFile(target).find("/Encrypt"), std::string::npos);

    // From now on the target is an encrypted input, which every join refuses.
    TFoldant single(TFoldant::BuildJobText({two}));
    EXPECT_FALSE(single.MergeAll("1111", target));
    EXPECT_EQ(single.Outcomes().back(), TFoldant::ItemOutcome::Encrypted);
    EXPECT_EQ(PagesOf(target), 4);
}

TEST(MergeJob, ResultThatCannotReplaceTheTargetFailsTheItem) {
    ScratchFolder folder;
    const std::string target = folder.Write("target.pdf", SimpleDocument(1));
    const std::string one = folder.Write("one.pdf", SimpleDocument(1));
    const std::string before = ReadFile(target);
    TWideFileStream holder(std::filesystem::path(target).u16string(), TWideFileStream::kModeRead);
    TFoldant job(TFoldant::BuildJobText({one}));
    EXPECT_FALSE(job.MergeAll("", target));
    EXPECT_EQ(job.Outcomes().back(), TFoldant::ItemOutcome::NotWritten);
    EXPECT_EQ(ReadFile(target), before);
}

// A copy list that names a file nobody can open must not end the job: the host waits for an
// answer about every item.
TEST(MergeJob, MissingItemIsNotJoinedAndTheJobGoesOn) {
    ScratchFolder folder;
    const std::string target = folder.Write("target.pdf", SimpleDocument(1));
    const std::string two = folder.Write("two.pdf", SimpleDocument(2));
    const std::set<std::string> before = TempPdfFiles();
    TFoldant job(TFoldant::BuildJobText({folder.File("missing.pdf"), two}));
    EXPECT_FALSE(job.MergeAll("", target));
    EXPECT_EQ(job.Outcomes(), (std::vector<TFoldant::ItemOutcome>{TFoldant::ItemOutcome::NotOpened,
                                                                  TFoldant::ItemOutcome::Joined}));
    EXPECT_EQ(PagesOf(target), 3);
    EXPECT_EQ(TempPdfFiles(), before);
}

TEST(MergeJob, MissingTargetRaisesAndCleansUp) {
    ScratchFolder folder;
    const std::string one = folder.Write("one.pdf", SimpleDocument(1));
    const std::set<std::string> before = TempPdfFiles();
    TFoldant job(TFoldant::BuildJobText({one}));
    EXPECT_ANY_THROW(job.MergeAll("", folder.File("missing.pdf")));
    EXPECT_EQ(TempPdfFiles(), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("")),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(MergeJob, DestroyDeletesMarkedFilesAndWritesTheLog) {
    ScratchFolder folder;
    const std::string target = folder.Write("target.pdf", SimpleDocument(1));
    const std::string kept = folder.Write("kept.pdf", SimpleDocument(1));
    const std::string joinedAndDeleted = folder.Write("gone.pdf", SimpleDocument(1));
    const std::string refusedAndDeleted = folder.Write("bad.pdf", "not a pdf");
    const std::string logName = "job-" + std::to_string(std::random_device{}()) + ".log";
    {
        TFoldant job(JobOf(Item(kept) + "," + Item(joinedAndDeleted, true, true) + "," +
                               Item(refusedAndDeleted, true, true),
                           "<TMP>" + logName));
        EXPECT_FALSE(job.MergeAll("", target));
        ASSERT_EQ(job.Outcomes().size(), 3U);
        EXPECT_EQ(job.Outcomes()[2], TFoldant::ItemOutcome::NotPdf);
        EXPECT_TRUE(PathIsFile(joinedAndDeleted));
    }
    EXPECT_TRUE(PathIsFile(kept));
    EXPECT_FALSE(PathIsFile(joinedAndDeleted));
    EXPECT_FALSE(PathIsFile(refusedAndDeleted));
    const std::string log = GetTempFolder() + logName;
    std::string text = ReadFile(log);
    for (size_t at = text.find("\\/"); at != std::string::npos; at = text.find("\\/", at)) {
        text.erase(at, 1);
    }
    EXPECT_EQ(text, "[{\"PDFFileName\":\"" + JsonText(kept) +
                        "\",\"DeletePDFFile\":false,\"Merged.Success\":true},"
                        "{\"PDFFileName\":\"" +
                        JsonText(joinedAndDeleted) +
                        "\",\"DeletePDFFile\":true,\"Merged.Success\":true},"
                        "{\"PDFFileName\":\"" +
                        JsonText(refusedAndDeleted) +
                        "\",\"DeletePDFFile\":true,\"Merged.Success\":false}]");
    DeleteFileIfExists(log);
}

TEST(MergeJob, TempMarkerIsReplacedInAnyLetterCase) {
    EXPECT_EQ(ExpandTempMarker("<TMP>job.log", "/t/"), "/t/job.log");
    EXPECT_EQ(ExpandTempMarker("<tmp>a/<Tmp>b<tmp", "/t/"), "/t/a//t/b<tmp");
    EXPECT_EQ(ExpandTempMarker("/x/job.log", "/t/"), "/x/job.log");
}

}  // namespace
}  // namespace foldant
