#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "pdf/page_tree.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/wide_file_stream.h"
#include "tests/pdf/pdf_builder.h"

namespace foldant::testing_merge {

namespace fs = std::filesystem;

// A private folder for one test's files, removed afterwards.
class ScratchFolder {
  public:
    ScratchFolder()
        : path_(fs::temp_directory_path() /
                ("foldant-merge-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path_ / name, std::ios::binary) << bytes;
        return File(name);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

inline int32_t PagesOf(const fs::path& path) {
    TWideFileStream file(path.u16string(), TWideFileStream::kModeRead);
    TSmartPDFReader reader(file);
    return reader.FailureCode == 0 ? CountPages(reader) : -1;
}

// A file whose trailer names an encryption dictionary.
inline std::string EncryptedDocument() {
    testing_pdf::PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
    pdf.Object(4, "<< /Filter /Standard /V 1 /R 2 /P -4 >>");
    pdf.Finish("/Root 1 0 R /Encrypt 4 0 R");
    return pdf.Text();
}

}  // namespace foldant::testing_merge
