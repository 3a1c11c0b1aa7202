#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "pdf/pdf_library.h"
#include "tests/support/command_output.h"
#include "tests/support/corpus.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;

constexpr int kPartnerPages = 2;
// Sanitizer builds take every tenth file.
#if defined(__SANITIZE_ADDRESS__)
constexpr size_t kStep = 10;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr size_t kStep = 10;
#else
constexpr size_t kStep = 1;
#endif
#else
constexpr size_t kStep = 1;
#endif

#if defined(_WIN32)
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

struct CleanFile {
    std::string name;
    int pages = 0;
    // The file mentions outlines or a form, so the reader's view of them is compared too.
    bool outlinesOrForm = false;
};

std::vector<CleanFile> CleanCorpusFiles() {
    std::vector<CleanFile> files;
    // The checkers and renderers this compares with are Linux programs; under wine every case
    // would only start and skip.
    if (kWindows || !testing::CorpusAvailable()) {
        return files;
    }
    std::ifstream manifest(fs::path(FOLDANT_CORPUS_DIR) / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    size_t index = 0;
    while (std::getline(manifest, line)) {
        std::vector<std::string> fields;
        std::istringstream row(line);
        for (std::string field; std::getline(row, field, '\t');) {
            fields.push_back(field);
        }
        if (fields.size() < 8 || fields[4] != "clean" || fields[3] != "no" ||
            index++ % kStep != 0) {
            continue;
        }
        files.push_back(
            {fields[0], std::atoi(fields[2].c_str()), fields[6] != "-" || fields[7] != "-"});
    }
    return files;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

int RunQuietly(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Every page as a low-resolution image, first to last.
std::vector<std::string> RenderAll(const fs::path& file, const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    RunQuietly("pdftoppm -r 12 " + Quoted(file) + " " + Quoted(folder / "page"));
    std::vector<fs::path> images;
    for (const auto& entry : fs::directory_iterator(folder)) {
        images.push_back(entry.path());
    }
    std::sort(images.begin(), images.end());
    std::vector<std::string> pages;
    for (const fs::path& image : images) {
        pages.push_back(ReadAll(image));
    }
    return pages;
}

int PdfInfoPages(const fs::path& file) {
    const std::string info = testing::CommandOutput("pdfinfo " + Quoted(file));
    const size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

void PrintTo(const CleanFile& file, std::ostream* out) {
    *out << file.name;
}

class CompactCorpusJoin : public ::testing::TestWithParam<CleanFile> {
  protected:
    void SetUp() override {
        if (RunQuietly("qpdf --version") != 0 || RunQuietly("pdftoppm -v") != 0) {
            GTEST_SKIP() << "qpdf/poppler tools not available";
        }
        scratch_ = fs::temp_directory_path() /
                   ("foldant-compact-corpus-" + std::to_string(std::random_device{}()));
        fs::create_directories(scratch_);
    }
    void TearDown() override {
        if (!scratch_.empty()) {
            fs::remove_all(scratch_);
        }
    }

    fs::path scratch_;
};

// The compact join must show a reader exactly what the plain join shows: the same pages drawn
// alike, the same annotations, outline items (leading to the same pages) and fields.
TEST_P(CompactCorpusJoin, ShowsWhatThePlainJoinShows) {
    const CleanFile& row = GetParam();
    const fs::path file = fs::path(FOLDANT_CORPUS_DIR) / "pdf" / row.name;
    const fs::path partner = fs::path(FOLDANT_SOURCE_DIR) / "samples" / "Rechnung 2026-0815.pdf";
    const fs::path plain = scratch_ / "plain.pdf";
    const fs::path compact = scratch_ / "compact.pdf";
    for (bool after : {true, false}) {
        SCOPED_TRACE(after ? "after the partner" : "before the partner");
        const fs::path& first = after ? partner : file;
        const fs::path& second = after ? file : partner;
        TPdfLibraryEx plainJoin;
        ASSERT_TRUE(plainJoin.JoinFiles(first.string(), second.string(), plain.string()));
        TPdfLibraryEx compactJoin;
        compactJoin.Compact = true;
        ASSERT_TRUE(compactJoin.JoinFiles(first.string(), second.string(), compact.string()))
            << compactJoin.FailureCode;
        EXPECT_EQ(RunQuietly("qpdf --check " + Quoted(compact)), 0)
            << testing::CommandOutput("qpdf --check " + Quoted(compact));
        EXPECT_EQ(PdfInfoPages(compact), row.pages + kPartnerPages);
        EXPECT_LE(fs::file_size(compact), fs::file_size(plain));
        const std::vector<std::string> expected = RenderAll(plain, scratch_ / "plain-pages");
        const std::vector<std::string> pages = RenderAll(compact, scratch_ / "compact-pages");
        ASSERT_EQ(pages.size(), expected.size());
        for (size_t i = 0; i < pages.size(); ++i) {
            EXPECT_TRUE(pages[i] == expected[i]) << "page " << i + 1 << " is drawn differently";
        }
        if (row.outlinesOrForm) {
            const std::string view =
                "/usr/bin/python3 " FOLDANT_SOURCE_DIR "/tests/pdf/reader_view.py ";
            const std::string both =
                testing::CommandOutput(view + Quoted(plain) + " " + Quoted(compact));
            const size_t second = both.find("== file", 1);
            ASSERT_NE(second, std::string::npos) << both;
            EXPECT_EQ(both.substr(second), both.substr(0, second));
        }
    }
}

std::string TestName(const ::testing::TestParamInfo<CleanFile>& info) {
    std::string name;
    for (char c : info.param.name) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(CleanFiles, CompactCorpusJoin, ::testing::ValuesIn(CleanCorpusFiles()),
                         TestName);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CompactCorpusJoin);

}  // namespace
}  // namespace foldant
