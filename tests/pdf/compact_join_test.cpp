#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "pdf/byte_stream.h"
#include "pdf/object_copy.h"
#include "pdf/page_tree.h"
#include "pdf/pdf_library.h"
#include "pdf/smart_pdf_reader.h"
#include "tests/pdf/pdf_builder.h"

namespace foldant {
namespace {

namespace fs = std::filesystem;
using testing_pdf::PdfBuilder;

const std::string kFontBytes = "FONT-PROGRAM-BYTES-0123456789";
const std::string kImageBytes = "IMAGE-PIXELS";  // 2 x 2 RGB
const std::string kOrphanBytes = "ORPHANED-STREAM";

std::string Stream(const std::string& dictionary, const std::string& data) {
    return "<< " + dictionary + " >>\nstream\n" + data + "\nendstream";
}

// Two pages that read exactly alike, one text line each in font F1, and an image; F2 is a
// second font with the same bytes throughout (font, descriptor, font program, its length
// object). Object 30 is referred to by nothing.
std::string Invoice(const std::string& text) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>");
    const std::string page =
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Resources 6 0 R /Contents 5 0 R >>";
    pdf.Object(3, page);
    pdf.Object(4, page);
    const std::string content = "BT /F1 12 Tf 10 50 Td (" + text +
                                ") Tj ET q 20 0 0 20 10 100 cm "
                                "/Im1 Do Q";
    pdf.Object(5, Stream("/Length " + std::to_string(content.size()), content));
    pdf.Object(6, "<< /Font << /F1 7 0 R /F2 10 0 R >> /XObject << /Im1 9 0 R >> >>");
    for (int font : {7, 10}) {
        pdf.Object(font,
                   "<< /Type /Font /Subtype /TrueType /BaseFont /Invoice /FirstChar 32 "
                   "/LastChar 32 /Widths [250] /FontDescriptor " +
                       std::to_string(font + 1) + " 0 R >>");
        pdf.Object(font + 1, "<< /Type /FontDescriptor /FontName /Invoice /Flags 32 /FontFile2 " +
                                 std::to_string(font + 5) + " 0 R >>");
        pdf.Object(font + 5, "<< /Length " + std::to_string(font + 10) + " 0 R >>\nstream\n" +
                                 kFontBytes + "\nendstream");
        pdf.Object(font + 10, std::to_string(kFontBytes.size()));
    }
    pdf.Object(9, Stream("/Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace "
                         "/DeviceRGB /BitsPerComponent 8 /Length 12",
                         kImageBytes));
    pdf.Object(30, Stream("/Length " + std::to_string(kOrphanBytes.size()), kOrphanBytes));
    pdf.Finish("/Root 1 0 R");
    return pdf.Text();
}

size_t Occurrences(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// Objects that say they are pages: a page two others read alike with must stay a page of its own.
int PageObjects(TSmartPDFReader& reader) {
    int pages = 0;
    for (int32_t n = 1; n <= reader.ObjectCount(); ++n) {
        auto* dictionary = As<TPDFDictionary>(reader.GetObject(n, nullptr));
        if (dictionary != nullptr && dictionary->GetTypeName() == "Page") {
            ++pages;
        }
    }
    return pages;
}

class CompactJoin : public ::testing::Test {
  protected:
    std::string Join(bool compact) {
        TMemoryStream first(Invoice("Invoice 1"));
        TMemoryStream second(Invoice("Invoice 2"));
        TMemoryStream output;
        TPdfLibrary library;
        library.Compact = compact;
        EXPECT_EQ(library.JoinStreams(first, second, output), 1);
        return output.Bytes();
    }

    // qpdf's verdict on the bytes, when qpdf is there.
    static void ExpectQpdfAccepts(const std::string& bytes) {
        if (std::system("qpdf --version >/dev/null 2>&1") != 0) {
            return;
        }
        const fs::path file =
            fs::temp_directory_path() /
            ("foldant-compact-" + std::to_string(std::random_device{}()) + ".pdf");
        std::ofstream(file, std::ios::binary) << bytes;
        EXPECT_EQ(std::system(("qpdf --check '" + file.string() + "' >/dev/null 2>&1").c_str()), 0);
        fs::remove(file);
    }
};

TEST_F(CompactJoin, EqualFontsAndImagesAreStoredOnceAndUnusedObjectsLeftOut) {
    const std::string plain = Join(false);
    ASSERT_EQ(Occurrences(plain, kFontBytes), 4u);
    ASSERT_EQ(Occurrences(plain, kImageBytes), 2u);
    ASSERT_EQ(Occurrences(plain, kOrphanBytes), 2u);

    const std::string compact = Join(true);
    EXPECT_EQ(Occurrences(compact, kFontBytes), 1u);
    EXPECT_EQ(Occurrences(compact, kImageBytes), 1u);
    EXPECT_EQ(Occurrences(compact, kOrphanBytes), 0u);
    EXPECT_EQ(Occurrences(compact, "/Type /FontDescriptor"), 1u);
    EXPECT_EQ(Occurrences(compact, "/Type /Font "), 1u);
    EXPECT_EQ(Occurrences(compact, "Invoice 1"), 1u);
    EXPECT_EQ(Occurrences(compact, "Invoice 2"), 1u);
    ExpectQpdfAccepts(compact);

    TMemoryStream written(compact);
    TSmartPDFReader reader(written);
    ASSERT_EQ(reader.FailureCode, TSmartPDFReader::kOpened);
    EXPECT_EQ(CountPages(reader), 4);
    EXPECT_EQ(PageObjects(reader), 4);
    // Catalog, the form every join gives the first file, three page-tree nodes, four pages,
    // two contents; one each of resources, font, descriptor, font program, its length, image.
    EXPECT_EQ(reader.ObjectCount(), 16);
    for (int32_t n = 1; n <= reader.ObjectCount(); ++n) {
        EXPECT_NE(reader.GetObject(n, nullptr), nullptr) << "number " << n << " is a gap";
    }
}

TEST_F(CompactJoin, ASingleFileIsCompactedToo) {
    TMemoryStream input(Invoice("alone"));
    TMemoryStream output;
    TPdfLibrary library;
    ASSERT_EQ(library.CompactStream(input, output), 1);
    EXPECT_EQ(Occurrences(output.Bytes(), kFontBytes), 1u);
    EXPECT_EQ(Occurrences(output.Bytes(), kOrphanBytes), 0u);
    ExpectQpdfAccepts(output.Bytes());
    TMemoryStream written(output.Bytes());
    TSmartPDFReader reader(written);
    EXPECT_EQ(CountPages(reader), 2);
    EXPECT_EQ(PageObjects(reader), 2);
}

// Nothing is reachable without a catalog; an empty copy must not pass for a compacted file.
TEST(CompactFile, RefusesAFileWithoutACatalog) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Page /MediaBox [0 0 10 10] >>");
    pdf.Finish("/Info 1 0 R");
    TMemoryStream input(pdf.Text());
    TMemoryStream output;
    TPdfLibrary library;
    EXPECT_EQ(library.CompactStream(input, output), 0);
    EXPECT_EQ(library.FailureCode, TPdfLibrary::kNotReadable);
    EXPECT_EQ(output.Size(), 0);
}

TEST(CompactScan, WholeObjectsTakeStreamsAndSingleValues) {
    struct Collect final : TReferenceRewriter {
        bool Rewrite(int64_t number, int64_t generation, std::string_view,
                     std::string& out) override {
            out += "<" + std::to_string(number) + "/" + std::to_string(generation) + ">";
            return true;
        }
        void TopLevelKey(std::string_view key, std::string_view name) override {
            keys += std::string(key) + "=" + std::string(name) + ";";
        }
        std::string keys;
    } collect;
    EXPECT_EQ(CopyRewritten("<< /Type /XObject /Length 3 0 R /D << /In 1 0 R >> >>\nstream\n5 0 R"
                            "\nendstream",
                            collect, ScanScope::kWholeObjects),
              "<< /Type /XObject /Length <3/0> /D << /In <1/0> >> >>\nstream\n5 0 R\nendstream");
    EXPECT_EQ(collect.keys, "Type=XObject;Length=;D=;");
    EXPECT_EQ(CopyRewritten("7 2 R", collect, ScanScope::kWholeObjects), "<7/2>");
    EXPECT_EQ(CopyRewritten("  42 ", collect, ScanScope::kWholeObjects), "  42");
    EXPECT_FALSE(CopyRewritten("[1 0 R", collect, ScanScope::kWholeObjects).has_value());
    EXPECT_FALSE(CopyRewritten("<< /L 3 >>stream\nx", collect, ScanScope::kContainers).has_value());
}

}  // namespace
}  // namespace foldant
