#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace foldant::testing_pdf {

// Builds small PDF files with a classic cross-reference table, for tests.
class PdfBuilder {
  public:
    explicit PdfBuilder(std::string header = "%PDF-1.4\n") : text_(std::move(header)) {}

    // Appends "n 0 obj" body "endobj" and remembers its offset.
    PdfBuilder& Object(int number, const std::string& body) {
        offsets_[number] = text_.size();
        text_ += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
        return *this;
    }
    PdfBuilder& Raw(const std::string& bytes) {
        text_ += bytes;
        return *this;
    }
    size_t Offset(int number) const { return offsets_.at(number); }
    size_t Size() const { return text_.size(); }

    static std::string Entry(size_t offset, int generation, char kind,
                             const std::string& end = " \n") {
        char line[32];
        std::snprintf(line, sizeof line, "%010zu %05d %c", offset, generation, kind);
        return line + end;
    }

    // A table covering 0..highest, the trailer and the end of the file. Returns the xref
    // offset.
    size_t Finish(const std::string& trailerEntries, const std::string& lineEnd = " \n") {
        const size_t xref = text_.size();
        const int highest = offsets_.empty() ? 0 : offsets_.rbegin()->first;
        text_ += "xref\n0 " + std::to_string(highest + 1) + "\n";
        text_ += Entry(0, 65535, 'f', lineEnd);
        for (int n = 1; n <= highest; ++n) {
            auto found = offsets_.find(n);
            text_ += found != offsets_.end() ? Entry(found->second, 0, 'n', lineEnd)
                                             : Entry(0, 0, 'f', lineEnd);
        }
        text_ += "trailer\n<< /Size " + std::to_string(highest + 1) + " " + trailerEntries +
                 " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
        return xref;
    }

    const std::string& Text() const { return text_; }

  private:
    std::string text_;
    std::map<int, size_t> offsets_;
};

// A catalog, a page tree of `pages` pages and their (empty) contents.
inline std::string SimpleDocument(int pages) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    std::string kids;
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(3 + i) + " 0 R ";
    }
    pdf.Object(2, "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(pages) + " >>");
    for (int i = 0; i < pages; ++i) {
        pdf.Object(3 + i, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
    }
    pdf.Finish("/Root 1 0 R");
    return pdf.Text();
}

// Catalog 1, page-tree root 2 (with `rootExtra`), pages 3.. inheriting from it, then `extra`
// objects numbered on from there.
inline std::string DocumentOfPages(int pages, const std::string& catalogExtra = "",
                                   const std::vector<std::string>& extra = {},
                                   const std::string& rootExtra = "/MediaBox [0 0 612 792]",
                                   const std::string& trailerExtra = "") {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R " + catalogExtra + " >>");
    std::string kids;
    for (int i = 0; i < pages; ++i) {
        kids += std::to_string(3 + i) + " 0 R ";
    }
    pdf.Object(2, "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(pages) + " " +
                      rootExtra + " >>");
    for (int i = 0; i < pages; ++i) {
        pdf.Object(3 + i, "<< /Type /Page /Parent 2 0 R >>");
    }
    for (size_t i = 0; i < extra.size(); ++i) {
        pdf.Object(3 + pages + static_cast<int>(i), extra[i]);
    }
    pdf.Finish("/Root 1 0 R " + trailerExtra);
    return pdf.Text();
}

}  // namespace foldant::testing_pdf
