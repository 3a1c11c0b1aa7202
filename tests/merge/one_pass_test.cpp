#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "merge/foldant.h"
#include "tests/merge/merge_files.h"
#include "tests/support/command_output.h"
#include "tests/support/corpus.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;
using testing_merge::PagesOf;
using testing_merge::ReadFile;
using testing_merge::ScratchFolder;
using testing_pdf::SimpleDocument;
using Outcomes = std::vector<TFoldant::ItemOutcome>;

std::string CorpusFile(const std::string& name) {
    return (fs::path(FOLDANT_CORPUS_DIR) / "pdf" / name).string();
}

std::string Output(const std::string& command) {
    return testing::CommandOutput(command);
}

// Page count, outline titles with their depth and target page, and field names, as an
// independent reader sees them.
std::string Structure(const std::string& file, const ScratchFolder& folder) {
    static const char* const kScript =
        "import sys, pypdf\n"
        "r = pypdf.PdfReader(sys.argv[1])\n"
        "print('pages', len(r.pages))\n"
        "def walk(items, depth):\n"
        "    for item in items:\n"
        "        if isinstance(item, list):\n"
        "            walk(item, depth + 1)\n"
        "        else:\n"
        "            print('outline', depth, item.title, r.get_destination_page_number(item))\n"
        "walk(r.outline, 0)\n"
        "for name in sorted((r.get_fields() or {}).keys()):\n"
        "    print('field', name)\n";
    const std::string script = folder.Write("structure.py", kScript);
    return Output("/usr/bin/python3 " + testing::ShellQuoted(script) + " " +
                  testing::ShellQuoted(file));
}

// Every page drawn at a low resolution, one image after the other.
std::string Rendering(const std::string& file, const ScratchFolder& folder) {
    const std::string prefix = folder.File("page");
    const std::string shellPrefix = testing::ShellQuoted(prefix);
    testing::RunShell("rm -f " + shellPrefix + "*.ppm; pdftoppm -r 10 " +
                      testing::ShellQuoted(file) + " " + shellPrefix);
    std::vector<std::string> pages;
    for (const auto& entry : fs::directory_iterator(folder.File(""))) {
        if (entry.path().extension() == ".ppm") {
            pages.push_back(entry.path().string());
        }
    }
    std::sort(pages.begin(), pages.end());
    std::string images;
    for (const std::string& page : pages) {
        images += ReadFile(page);
    }
    return images;
}

// The job as it ran before it joined all items in one pass: a job of one item per item, each
// replacing the target; the last one asks for the encryption.
Outcomes JoinItemByItem(const std::string& target, const std::vector<std::string>& items,
                        const std::string& permissionCode) {
    Outcomes outcomes;
    for (size_t i = 0; i < items.size(); ++i) {
        TFoldant job(TFoldant::BuildJobText({items[i]}));
        job.MergeAll(i + 1 == items.size() ? permissionCode : "", target);
        outcomes.push_back(job.Outcomes().front());
    }
    return outcomes;
}

class OnePassJob : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!testing::CorpusAvailable()) {
            GTEST_SKIP() << testing::CorpusMissing();
        }
    }

    // Joins the items both ways onto copies of `target` and compares what the user gets.
    void ExpectSameAsItemByItem(const std::string& target, const std::vector<std::string>& items,
                                const std::string& permissionCode) {
        ScratchFolder folder;
        const std::string onePass = folder.File("one-pass.pdf");
        const std::string byItem = folder.File("by-item.pdf");
        ASSERT_TRUE(CopyFileRetry(target, onePass));
        ASSERT_TRUE(CopyFileRetry(target, byItem));

        TFoldant job(TFoldant::BuildJobText(items));
        job.MergeAll(permissionCode, onePass);
        EXPECT_EQ(job.Outcomes(), JoinItemByItem(byItem, items, permissionCode));

        const std::string structure = Structure(onePass, folder);
        EXPECT_NE(structure.find("pages"), std::string::npos) << structure;
        EXPECT_EQ(structure, Structure(byItem, folder));
        EXPECT_EQ(PagesOf(onePass), PagesOf(byItem));
        ScratchFolder images;
        const std::string drawn = Rendering(onePass, images);
        EXPECT_FALSE(drawn.empty());
        EXPECT_EQ(drawn, Rendering(byItem, images));
    }
};

TEST_F(OnePassJob, GivesThePagesOutlinesFieldsAndDrawingOfTheJoinItemByItem) {
    ExpectSameAsItemByItem(
        CorpusFile("j-form_two_pages.pdf"),
        {CorpusFile("j-annotation-tx.pdf"), CorpusFile("j-bug1782564.pdf"),
         CorpusFile("j-pr6531_2.pdf"), CorpusFile("j-file_pdfjs_test.pdf"),
         CorpusFile("missing.pdf"), CorpusFile("j-highlight.pdf"), CorpusFile("j-devicen.pdf")},
        "");
}

// A target without an outline takes the first outline joined; named destinations that several
// items define, one file twice among them, are renamed as the join item by item renames them.
TEST_F(OnePassJob, ChainsOutlinesAndNamedDestinationsLikeTheJoinItemByItem) {
    ExpectSameAsItemByItem(
        (fs::path(FOLDANT_SOURCE_DIR) / "samples" / "Rechnung 2026-0815.pdf").string(),
        {CorpusFile("j-issue6204.pdf"), CorpusFile("q-outlines-split-01-10.pdf"),
         CorpusFile("q-outlines-with-old-root-dests-dict.pdf"),
         CorpusFile("q-outlines-with-actions.pdf"), CorpusFile("q-outlines-split-01-10.pdf"),
         CorpusFile("q-outlines-with-old-root-dests.pdf")},
        "");
}

TEST_F(OnePassJob, EncryptsTheResultOnceLikeTheLastItemOfTheJoinItemByItem) {
    ExpectSameAsItemByItem(CorpusFile("j-bug1811510.pdf"),
                           {CorpusFile("j-autoprint.pdf"), CorpusFile("j-bug1844576.pdf"),
                            CorpusFile("j-devicen.pdf")},
                           "111100004");
}

TEST(OnePassJobFaults, LastItemNotJoinedStillEncryptsWhatWasJoined) {
    ScratchFolder folder;
    const std::string target = folder.Write("target.pdf", SimpleDocument(1));
    const std::string one = folder.Write("one.pdf", SimpleDocument(2));
    const std::string broken = folder.Write("broken.pdf", "not a PDF");
    TFoldant job(TFoldant::BuildJobText({one, broken}));
    EXPECT_FALSE(job.MergeAll("111100004", target));
    EXPECT_EQ(job.Outcomes(),
              (Outcomes{TFoldant::ItemOutcome::Joined, TFoldant::ItemOutcome::NotPdf}));
    EXPECT_EQ(PagesOf(target), 3);
    EXPECT_NE(ReadFile(target).find("/Encrypt"), std::string::npos);
}

TEST(OnePassJobFaults, NoItemJoinedLeavesTheTargetByteForByte) {
    ScratchFolder folder;
    const std::string original = SimpleDocument(2);
    const std::string target = folder.Write("target.pdf", original);
    const std::string broken = folder.Write("broken.pdf", "%PDF-1.4 nothing else");
    TFoldant job(TFoldant::BuildJobText({broken, folder.File("missing.pdf")}));
    EXPECT_FALSE(job.MergeAll("111100004", target));
    EXPECT_EQ(job.Outcomes(),
              (Outcomes{TFoldant::ItemOutcome::NotPdf, TFoldant::ItemOutcome::NotOpened}));
    EXPECT_EQ(ReadFile(target), original);
}

}  // namespace
}  // namespace foldant
