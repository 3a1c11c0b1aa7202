#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "pdf/page_tree.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/wide_file_stream.h"
#include "tests/support/corpus.h"

namespace foldant {
namespace {

struct ManifestRow {
    std::string file;
    std::string pages;
    std::string encrypted;
    std::string check;
};

std::vector<ManifestRow> ReadManifest(const std::filesystem::path& folder) {
    std::vector<ManifestRow> rows;
    std::ifstream manifest(folder / "MANIFEST.tsv");
    std::string line;
    std::getline(manifest, line);
    while (std::getline(manifest, line)) {
        std::istringstream fields(line);
        ManifestRow row;
        std::string bytes;
        std::getline(fields, row.file, '\t');
        std::getline(fields, bytes, '\t');
        std::getline(fields, row.pages, '\t');
        std::getline(fields, row.encrypted, '\t');
        std::getline(fields, row.check, '\t');
        rows.push_back(row);
    }
    return rows;
}

// Files where the manifest's number is not the count of page leaves.
const std::map<std::string, std::string> kCountDiffers = {
    {"q-many-nulls.pdf", "the root's /Count says 0 while its Kids hold one page"},
};

struct FileResult {
    int32_t failure = 0;
    bool encrypted = false;
    int32_t pages = 0;
};

FileResult ReadEverything(const std::filesystem::path& path) {
    TWideFileStream file(path.u16string(), TWideFileStream::kModeRead);
    TSmartPDFReader reader(file);
    auto scratch = std::make_unique<TPDFStructure>();
    for (int32_t n = 1; n <= reader.ObjectCount(); ++n) {
        if (TPDFObject* object = reader.GetObject(n, scratch.get())) {
            try {
                object->WriteToText();
            } catch (const std::range_error&) {
            }
        }
        if (scratch->Count() > 100) {
            scratch = std::make_unique<TPDFStructure>();
        }
    }
    // The count reads plain page-tree nodes from their bytes; it must see the pages the walk
    // over whole pages visits, in every file, damaged ones included.
    int32_t visited = 0;
    ForEachPage(reader, [&visited](TPDFDictionary&) { ++visited; });
    const int32_t counted = CountPages(reader);
    EXPECT_EQ(counted, visited);
    return {reader.FailureCode, reader.Encrypted, counted};
}

TEST(Corpus, EveryObjectOfEveryFileReadsAndCleanFilesHaveTheirPages) {
    const std::filesystem::path folder = FOLDANT_CORPUS_DIR;
    if (!std::filesystem::exists(folder / "MANIFEST.tsv")) {
        GTEST_SKIP() << foldant::testing::CorpusMissing();
    }
    const std::vector<ManifestRow> rows = ReadManifest(folder);
    ASSERT_GT(rows.size(), 700u);
    int checked = 0;
    for (const ManifestRow& row : rows) {
        SCOPED_TRACE(row.file);
        const FileResult result = ReadEverything(folder / "pdf" / row.file);
        if (row.check != "clean" || row.encrypted != "no") {
            if (row.check == "clean" && row.encrypted == "yes") {
                EXPECT_TRUE(result.encrypted);
            }
            continue;
        }
        ++checked;
        EXPECT_EQ(result.failure, 0);
        if (kCountDiffers.count(row.file) == 0) {
            EXPECT_EQ(std::to_string(result.pages), row.pages);
        }
    }
    EXPECT_GT(checked, 300);
}

}  // namespace
}  // namespace foldant
