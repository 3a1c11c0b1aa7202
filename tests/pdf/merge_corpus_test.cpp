#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_library.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/wide_file_stream.h"
#include "tests/support/command_output.h"
#include "tests/support/corpus.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;

// Sanitizer builds, and the Windows build whose outside checks each start a Linux shell from
// wine, join every tenth file; FOLDANT_JOIN_CORPUS_STEP overrides the step.
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
constexpr int kDefaultStep = 10;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kDefaultStep = 10;
#else
constexpr int kDefaultStep = 1;
#endif
#else
constexpr int kDefaultStep = 1;
#endif
// Every this many joined files, the pages are rendered and compared with the inputs': each file
// in the normal build, every 25th in sanitizer and Windows builds.
#if defined(__SANITIZE_ADDRESS__) || defined(_WIN32)
constexpr int kRenderEvery = 25;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kRenderEvery = 25;
#else
constexpr int kRenderEvery = 1;
#endif
#else
constexpr int kRenderEvery = 1;
#endif
constexpr int kRenderedPages = 2;
constexpr int kPartnerPages = 2;

struct CorpusFile {
    std::string name;
    std::string pages;
    std::string encrypted;
    std::string check;
    std::string form;
};

std::vector<CorpusFile> ReadManifest(const fs::path& folder) {
    std::vector<CorpusFile> rows;
    std::ifstream manifest(folder / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        CorpusFile row;
        std::string bytes;
        std::getline(fields, row.name, '\t');
        std::getline(fields, bytes, '\t');
        std::getline(fields, row.pages, '\t');
        std::getline(fields, row.encrypted, '\t');
        std::string xref;
        std::string outlines;
        std::getline(fields, row.check, '\t');
        std::getline(fields, xref, '\t');
        std::getline(fields, outlines, '\t');
        std::getline(fields, row.form, '\t');
        rows.push_back(row);
    }
    return rows;
}

int Step() {
    const char* text = std::getenv("FOLDANT_JOIN_CORPUS_STEP");
    const int step = text != nullptr ? std::atoi(text) : kDefaultStep;
    return step > 0 ? step : 1;
}

std::string Quoted(const fs::path& path) {
    return testing::ShellQuoted(path);
}

int RunQuietly(const std::string& command) {
    return testing::CommandStatus(command);
}

std::string Output(const std::string& command) {
    return testing::CommandOutput(command);
}

int PdfInfoPages(const fs::path& file) {
    const std::string info = Output("pdfinfo " + Quoted(file));
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

std::string Render(const fs::path& file, int page, const fs::path& scratch) {
    const fs::path prefix = scratch / "page";
    fs::remove(prefix.string() + ".ppm");
    RunQuietly("pdftoppm -r 12 -f " + std::to_string(page) + " -l " + std::to_string(page) +
               " -singlefile " + Quoted(file) + " " + Quoted(prefix));
    std::ifstream image(prefix.string() + ".ppm", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(image), {});
}

// Files that poppler draws differently after qpdf's own join too, so no join can match them.
bool DrawnDifferentlyAfterAnyJoin(const std::string& name) {
    static const char* const kNames[] = {
        // Its form names no field array ("/Fields /potato"), but asks for appearances to be
        // drawn anew; in a join the partner's form takes over and the widgets are drawn by it.
        "q-form-bad-fields-array.pdf",
        // The last revision drops the page's contents; poppler misses an object of that
        // revision, rebuilds the cross-reference data from the whole file and draws an earlier
        // revision's contents. A join keeps only the last revision.
        "q-incremental-3.pdf",
    };
    return std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames);
}

class CorpusJoin : public ::testing::Test {
  protected:
    void SetUp() override {
        corpus_ = FOLDANT_CORPUS_DIR;
        partner_ = fs::path(FOLDANT_SOURCE_DIR) / "samples" / "Rechnung 2026-0815.pdf";
        if (!foldant::testing::CorpusAvailable()) {
            GTEST_SKIP() << foldant::testing::CorpusMissing();
        }
        if (RunQuietly("qpdf --version") != 0 || RunQuietly("pdfinfo -v") != 0) {
            GTEST_SKIP() << "qpdf/poppler tools not available";
        }
        scratch_ = fs::temp_directory_path() /
                   ("foldant-join-corpus-" + std::to_string(std::random_device{}()));
        fs::create_directories(scratch_);
    }
    void TearDown() override {
        if (!scratch_.empty()) {
            fs::remove_all(scratch_);
        }
    }

    bool Join(const fs::path& first, const fs::path& second, const fs::path& output,
              int32_t& failureCode) {
        TPdfLibraryEx library;
        const bool joined = library.JoinFiles(first.string(), second.string(), output.string());
        failureCode = library.FailureCode;
        return joined;
    }

    void ExpectSameRendering(const fs::path& input, int inputPage, const fs::path& joined,
                             int joinedPage) {
        const std::string expected = Render(input, inputPage, scratch_);
        ASSERT_FALSE(expected.empty());
        EXPECT_TRUE(Render(joined, joinedPage, scratch_) == expected)
            << "page " << inputPage << " rendered differently as page " << joinedPage;
    }

    fs::path corpus_;
    fs::path partner_;
    fs::path scratch_;
};

TEST_F(CorpusJoin, CleanFilesJoinAfterAndBeforeAPartner) {
    const fs::path output = scratch_ / "joined.pdf";
    int joinedFiles = 0;
    int index = 0;
    const int step = Step();
    for (const CorpusFile& row : ReadManifest(corpus_)) {
        if (row.check != "clean" || row.encrypted != "no" || index++ % step != 0) {
            continue;
        }
        const fs::path file = corpus_ / "pdf" / row.name;
        const int pages = std::atoi(row.pages.c_str());
        const bool render = joinedFiles++ % kRenderEvery == 0 && pages > 0 &&
                            !DrawnDifferentlyAfterAnyJoin(row.name);
        for (bool after : {true, false}) {
            SCOPED_TRACE(row.name + (after ? " after the partner" : " before the partner"));
            int32_t failure = 0;
            ASSERT_TRUE(after ? Join(partner_, file, output, failure)
                              : Join(file, partner_, output, failure));
            EXPECT_EQ(RunQuietly("qpdf --check " + Quoted(output)), 0);
            EXPECT_EQ(PdfInfoPages(output), pages + kPartnerPages);
            if (!render) {
                continue;
            }
            for (int page = 1; page <= std::min(pages, kRenderedPages); ++page) {
                ExpectSameRendering(file, page, output, after ? kPartnerPages + page : page);
            }
            // A form asking viewers to draw field appearances anew applies to the partner's
            // fields too, so the partner's page is compared only beside files without a form.
            if (row.form == "-") {
                ExpectSameRendering(partner_, 1, output, after ? 1 : pages + 1);
            }
        }
    }
    EXPECT_GT(joinedFiles, 40);
}

TEST_F(CorpusJoin, EncryptedFilesAreRefusedWithAnEmptyOutput) {
    const fs::path output = scratch_ / "refused.pdf";
    int refused = 0;
    for (const CorpusFile& row : ReadManifest(corpus_)) {
        if (row.encrypted != "yes" || row.check == "errors") {
            continue;
        }
        SCOPED_TRACE(row.name);
        const fs::path file = corpus_ / "pdf" / row.name;
        int32_t failure = 0;
        EXPECT_FALSE(Join(partner_, file, output, failure));
        EXPECT_EQ(failure, TPdfLibrary::kEncrypted);
        EXPECT_EQ(fs::file_size(output), 0u);
        EXPECT_FALSE(Join(file, partner_, output, failure));
        EXPECT_EQ(failure, TPdfLibrary::kEncrypted);
        ++refused;
    }
    EXPECT_GT(refused, 10);
}

// Damaged files too: each join either writes a file that reads back or refuses with a code.
TEST_F(CorpusJoin, EveryFileJoinsOrIsRefused) {
    const fs::path output = scratch_ / "any.pdf";
    int index = 0;
    int joined = 0;
    const int step = Step();
    for (const CorpusFile& row : ReadManifest(corpus_)) {
        if (index++ % step != 0) {
            continue;
        }
        for (bool after : {true, false}) {
            SCOPED_TRACE(row.name + (after ? " after the partner" : " before the partner"));
            const fs::path file = corpus_ / "pdf" / row.name;
            int32_t failure = 0;
            if (!(after ? Join(partner_, file, output, failure)
                        : Join(file, partner_, output, failure))) {
                EXPECT_TRUE(failure == TPdfLibrary::kEncrypted ||
                            failure == TPdfLibrary::kNotReadable);
                EXPECT_EQ(fs::file_size(output), 0u);
                continue;
            }
            ++joined;
            TWideFileStream written(output.u16string(), TWideFileStream::kModeRead);
            TSmartPDFReader reader(written);
            EXPECT_EQ(reader.FailureCode, TSmartPDFReader::kOpened);
        }
    }
    EXPECT_GT(joined, 100);
}

}  // namespace
}  // namespace foldant
