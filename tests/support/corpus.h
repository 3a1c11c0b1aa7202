#pragma once

// The shared corpus of real PDF files lies beside the checkout, in ../shared/corpus (see the
// README). A checkout without it skips the tests that need it and says why.

#include <filesystem>
#include <string>

namespace foldant::testing {

inline bool CorpusAvailable() {
    return std::filesystem::exists(std::filesystem::path(FOLDANT_CORPUS_DIR) / "MANIFEST.tsv");
}

inline std::string CorpusMissing() {
    return "skipped: the PDF corpus is not at " FOLDANT_CORPUS_DIR " (see the README)";
}

}  // namespace foldant::testing
