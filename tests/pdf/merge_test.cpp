#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "pdf/byte_stream.h"
#include "pdf/page_tree.h"
#include "pdf/pdf_library.h"
#include "pdf/smart_pdf_reader.h"
#include "tests/pdf/pdf_builder.h"
#include "tests/pdf/read_back.h"

namespace foldant {
namespace {

using testing_pdf::PdfBuilder;

std::string Document(int pages, const std::string& catalogExtra,
                     const std::vector<std::string>& extra = {},
                     const std::string& rootExtra = "/MediaBox [0 0 612 792]",
                     const std::string& trailerExtra = "") {
    return testing_pdf::DocumentOfPages(pages, catalogExtra, extra, rootExtra, trailerExtra);
}

// The joined file, read back.
class Joined : public testing_pdf::ReadBack {
  public:
    Joined(const std::string& first, const std::string& second) {
        TMemoryStream a(first);
        TMemoryStream b(second);
        TPdfLibrary library;
        Result = library.JoinStreams(a, b, output_);
        FailureCode = library.FailureCode;
        Open(output_.Bytes());
    }

    const std::string& Bytes() const { return output_.Bytes(); }

    int32_t Result = 0;
    int32_t FailureCode = 0;

  private:
    TMemoryStream output_;
};

TEST(DocumentMerge, NumbersSecondFilePastFirstAndHangsItsTreeUnderTheFirstRoot) {
    PdfBuilder first;
    first.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    first.Object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >>");
    for (int i = 0; i < 3; ++i) {
        first.Object(3 + i, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
                                std::to_string(6 + i) +
                                " 0 R /Resources << /Font << /F1 9 0 R >> >> >>");
        first.Object(6 + i, "<< /Length 2 >>\nstream\nq\n\nendstream");
    }
    first.Object(9, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    first.Object(10, "<< /Producer (a) >>");
    first.Finish("/Root 1 0 R /Info 10 0 R");
    PdfBuilder second;
    second.Object(1, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 /MediaBox [0 0 100 100] >>");
    second.Object(2, "<< /Type /Catalog /Pages 1 0 R >>");
    second.Object(3, "<< /Type /Page /Parent 1 0 R /Contents 5 0 R >>");
    second.Object(4, "<< /Type /Page /Parent 1 0 R /Contents 6 0 R >>");
    second.Object(5, "<< /Length 2 >>\nstream\nQ\n\nendstream");
    second.Object(6, "<< /Length 2 >>\nstream\nQ\n\nendstream");
    second.Object(7, "<< /Producer (b) >>");
    second.Finish("/Root 2 0 R /Info 7 0 R");

    Joined joined(first.Text(), second.Text());
    ASSERT_EQ(joined.Result, 1);
    EXPECT_EQ(joined.Bytes().substr(0, 9), "%PDF-1.4\n");
    EXPECT_NE(joined.Bytes().find("xref\n0 19\n0000000000 65535 f \n"), std::string::npos);
    EXPECT_EQ(joined.TrailerEntry("Size"), "19");
    EXPECT_EQ(joined.TrailerEntry("Root"), "1 0 R");
    EXPECT_EQ(joined.TrailerEntry("Info"), "10 0 R");
    EXPECT_EQ(joined.Entry(1, "AcroForm"), "11 0 R");
    EXPECT_EQ(joined.Entry(11, "Fields"), "[ ]");
    EXPECT_EQ(joined.Entry(11, "NeedAppearances"), "false");
    EXPECT_EQ(joined.Entry(2, "Count"), "5");
    EXPECT_EQ(joined.Entry(2, "Kids"), "[ 3 0 R 4 0 R 5 0 R 12 0 R ]");
    EXPECT_EQ(joined.Entry(12, "Parent"), "2 0 R");
    EXPECT_EQ(joined.Entry(15, "Parent"), "12 0 R");
    EXPECT_EQ(joined.Entry(15, "Contents"), "17 0 R");
    EXPECT_EQ(joined.Entry(13, "Pages"), "12 0 R");
    EXPECT_EQ(joined.Entry(18, "Producer"), "(b)");
    EXPECT_EQ(joined.Pages(), 5);
    EXPECT_EQ(joined.Reader->ObjectCount(), 18);
}

TEST(DocumentMerge, JoiningAFileWithItselfShiftsTheSecondCopy) {
    const std::string file = Document(2, "");
    Joined joined(file, file);
    ASSERT_EQ(joined.Result, 1);
    EXPECT_EQ(joined.Entry(2, "Kids"), "[ 3 0 R 4 0 R 7 0 R ]");
    EXPECT_EQ(joined.Entry(7, "Parent"), "2 0 R");
    EXPECT_EQ(joined.Entry(8, "Parent"), "7 0 R");
    EXPECT_EQ(joined.Entry(6, "Pages"), "7 0 R");
    EXPECT_EQ(joined.Pages(), 4);
}

TEST(DocumentMerge, SecondFilePagesGetTheBoxesAndRotationTheyInherited) {
    PdfBuilder second;
    second.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    second.Object(2,
                  "<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 3 /MediaBox [0 0 595 842] "
                  "/Rotate 90 >>");
    second.Object(3,
                  "<< /Type /Pages /Parent 2 0 R /Kids [4 0 R 5 0 R] /Count 2 /CropBox 7 0 R >>");
    second.Object(4, "<< /Type /Page /Parent 3 0 R >>");
    second.Object(5, "<< /Type /Page /Parent 3 0 R /MediaBox [0 0 10 20] /Rotate 180 >>");
    second.Object(6, "<< /Type /Page /Parent 2 0 R >>");
    second.Object(7, "[1 1 50 50]");
    second.Finish("/Root 1 0 R");

    Joined joined(Document(1, ""), second.Text());
    ASSERT_EQ(joined.Result, 1);
    const int q = 4;
    EXPECT_EQ(joined.Entry(4 + q, "MediaBox"), "[ 0 0 595 842 ]");
    EXPECT_EQ(joined.Entry(4 + q, "CropBox"), "[ 1 1 50 50 ]");
    EXPECT_EQ(joined.Entry(4 + q, "Rotate"), "90");
    EXPECT_EQ(joined.Entry(5 + q, "MediaBox"), "[ 0 0 10 20 ]");
    EXPECT_EQ(joined.Entry(5 + q, "Rotate"), "180");
    EXPECT_EQ(joined.Entry(6 + q, "MediaBox"), "[ 0 0 595 842 ]");
    EXPECT_EQ(joined.Entry(6 + q, "CropBox"), "[ 0 0 595 842 ]");
    EXPECT_EQ(joined.Entry(6 + q, "Rotate"), "90");
    EXPECT_EQ(joined.Pages(), 4);
}

TEST(DocumentMerge, PagesWithoutAnyBoxGetTheLetterBox) {
    Joined joined(Document(1, ""), Document(2, "", {}, ""));
    ASSERT_EQ(joined.Result, 1);
    for (int n : {3 + 4, 4 + 4}) {
        EXPECT_EQ(joined.Entry(n, "MediaBox"), "[ 0 0 612 792 ]");
        EXPECT_EQ(joined.Entry(n, "CropBox"), "[ 0 0 612 792 ]");
        EXPECT_EQ(joined.Entry(n, "Rotate"), "0");
    }
}

// Outline dictionary at 3 + pages, then `items` top-level items.
std::vector<std::string> Outline(int pages, int items) {
    const int dictionary = 3 + pages;
    std::vector<std::string> objects = {
        "<< /Type /Outlines /First " + std::to_string(dictionary + 1) + " 0 R /Last " +
        std::to_string(dictionary + items) + " 0 R /Count " + std::to_string(items) + " >>"};
    for (int i = 1; i <= items; ++i) {
        std::string item =
            "<< /Title (t" + std::to_string(i) + ") /Parent " + std::to_string(dictionary) + " 0 R";
        if (i > 1) {
            item += " /Prev " + std::to_string(dictionary + i - 1) + " 0 R";
        }
        if (i < items) {
            item += " /Next " + std::to_string(dictionary + i + 1) + " 0 R";
        }
        objects.push_back(item + " >>");
    }
    return objects;
}

TEST(DocumentMerge, OutlinesOfBothFilesAreChainedAtTheJunction) {
    const std::string first = Document(2, "/Outlines 5 0 R", Outline(2, 2));
    const std::string second = Document(1, "/Outlines 4 0 R", Outline(1, 3));
    Joined joined(first, second);
    ASSERT_EQ(joined.Result, 1);
    const int q = 8;
    EXPECT_EQ(joined.Entry(1, "Outlines"), "5 0 R");
    EXPECT_EQ(joined.Entry(5, "Count"), "5");
    EXPECT_EQ(joined.Entry(5, "Last"), "15 0 R");
    EXPECT_EQ(joined.Entry(7, "Next"), "13 0 R");
    EXPECT_EQ(joined.Entry(5 + q, "Prev"), "7 0 R");
    for (int item = 5 + q; item <= 7 + q; ++item) {
        EXPECT_EQ(joined.Entry(item, "Parent"), "5 0 R");
    }
    std::vector<std::string> titles;
    for (std::string next = joined.Entry(5, "First"); next != "-";) {
        const int n = std::stoi(next);
        titles.push_back(joined.Entry(n, "Title"));
        next = joined.Entry(n, "Next");
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"(t1)", "(t2)", "(t1)", "(t2)", "(t3)"}));
}

TEST(DocumentMerge, OutlinesOfOneSideAreKept) {
    Joined onlyFirst(Document(1, "/Outlines 4 0 R", Outline(1, 1)), Document(1, ""));
    EXPECT_EQ(onlyFirst.Entry(1, "Outlines"), "4 0 R");
    EXPECT_EQ(onlyFirst.Entry(4, "Count"), "1");

    Joined onlySecond(Document(2, ""), Document(1, "/Outlines 4 0 R", Outline(1, 2)));
    ASSERT_EQ(onlySecond.Result, 1);
    EXPECT_EQ(onlySecond.Entry(1, "Outlines"), "9 0 R");
    EXPECT_EQ(onlySecond.Entry(9, "First"), "10 0 R");
}

TEST(DocumentMerge, LoopingOutlinesAndPageTreesEndTheJoin) {
    std::vector<std::string> looping = Outline(1, 2);
    looping[2] = "<< /Title (t2) /Parent 4 0 R /Prev 5 0 R /Next 5 0 R >>";
    PdfBuilder tree;
    tree.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    tree.Object(2, "<< /Type /Pages /Kids [4 0 R 2 0 R 3 0 R] /Count 2000000000 >>");
    tree.Object(3, "<< /Type /Pages /Parent 3 0 R /Kids [3 0 R] /Count 5 >>");
    tree.Object(4, "<< /Type /Page /Parent 2 0 R >>");
    tree.Finish("/Root 1 0 R");
    const auto start = std::chrono::steady_clock::now();
    Joined outlines(Document(1, "/Outlines 4 0 R", looping),
                    Document(1, "/Outlines 4 0 R", looping));
    Joined pages(Document(1, ""), tree.Text());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_EQ(outlines.Result, 1);
    EXPECT_EQ(pages.Result, 1);
    EXPECT_EQ(pages.Entry(4 + 4, "MediaBox"), "[ 0 0 612 792 ]");
}

TEST(DocumentMerge, SecondFormFieldsAndNeedAppearancesJoinTheFirstForm) {
    const std::string first =
        Document(1, "/AcroForm 4 0 R",
                 {"<< /Fields [5 0 R] /CO [5 0 R] /DA (/Helv 0 Tf) >>", "<< /FT /Tx /T (a) >>"});
    const std::string second =
        Document(1, "/AcroForm << /Fields [4 0 R 5 0 R 99] /CO [5 0 R] /NeedAppearances true >>",
                 {"<< /FT /Tx /T (b) >>", "<< /FT /Tx /T (c) >>"});
    Joined joined(first, second);
    ASSERT_EQ(joined.Result, 1);
    const int q = 5;
    EXPECT_EQ(joined.Entry(1, "AcroForm"), "4 0 R");
    EXPECT_EQ(joined.Entry(4, "Fields"), "[ 5 0 R 9 0 R 10 0 R ]");
    EXPECT_EQ(joined.Entry(4, "CO"), "[ 5 0 R 10 0 R ]");
    EXPECT_EQ(joined.Entry(4, "NeedAppearances"), "true");
    EXPECT_EQ(joined.Entry(4, "DA"), "(/Helv 0 Tf)");
    EXPECT_EQ(joined.Entry(4 + q, "T"), "(b)");
    EXPECT_EQ(joined.TrailerEntry("Size"), std::to_string(q + 6 + 1));
}

// Fields that drew with the second form's default appearance and fonts draw the same under the
// first form.
TEST(DocumentMerge, SecondFormDefaultsStayWithItsFields) {
    const std::string first = Document(
        1, "/AcroForm 4 0 R",
        {"<< /Fields [5 0 R] /DA (/Helv 0 Tf 0 g) /DR << /Font << /Helv 6 0 R >> >> >>",
         "<< /FT /Tx /T (a) >>", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"});
    const std::string second = Document(
        1, "/AcroForm << /Fields [4 0 R 5 0 R] /DA (0 0 0.95 rg /F1 18 Tf) /Q 1 /DR 6 0 R >>",
        {"<< /FT /Tx /T (b) >>", "<< /FT /Tx /T (c) /DA (/Helv 9 Tf) >>",
         "<< /Font << /F1 7 0 R /Helv 7 0 R >> >>",
         "<< /Type /Font /Subtype /Type1 /BaseFont /Courier >>"});
    Joined joined(first, second);
    ASSERT_EQ(joined.Result, 1);
    const int q = 6;
    EXPECT_EQ(joined.Entry(4 + q, "DA"), "(0 0 0.95 rg /F1 18 Tf)");
    EXPECT_EQ(joined.Entry(4 + q, "Q"), "1");
    EXPECT_EQ(joined.Entry(5 + q, "DA"), "(/Helv 9 Tf)");
    EXPECT_EQ(joined.Entry(4, "DA"), "(/Helv 0 Tf 0 g)");
    EXPECT_EQ(joined.Entry(4, "DR"), "<<\n/Font <<\n/Helv 6 0 R\n/F1 13 0 R\n>>\n>>\n");
    EXPECT_EQ(joined.Entry(7 + q, "BaseFont"), "/Courier");
    EXPECT_EQ(joined.Pages(), 2);
}

TEST(DocumentMerge, ArraysHeldAsObjectsOfTheirOwnAreExtended) {
    PdfBuilder first;
    first.Object(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm 5 0 R >>");
    first.Object(2, "<< /Type /Pages /Kids 3 0 R /Count 1 >>");
    first.Object(3, "[4 0 R]");
    first.Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
    first.Object(5, "<< /Fields 6 0 R >>");
    first.Object(6, "[]");
    first.Finish("/Root 1 0 R");
    Joined joined(first.Text(), Document(1, "/AcroForm << /Fields [4 0 R] >>", {"<< /T (b) >>"}));
    ASSERT_EQ(joined.Result, 1);
    EXPECT_EQ(joined.Entry(2, "Kids"), "3 0 R");
    EXPECT_NE(joined.Reader->GetObjectText(3).find("[ 4 0 R 8 0 R ]"), std::string::npos);
    EXPECT_NE(joined.Reader->GetObjectText(6).find("[ 10 0 R ]"), std::string::npos);
    EXPECT_EQ(joined.Entry(5, "CO"), "[ ]");
    EXPECT_EQ(joined.Pages(), 2);
}

TEST(DocumentMerge, FormHeldInTheFirstCatalogMovesToAnObjectOfItsOwn) {
    Joined joined(Document(1, "/AcroForm << /Fields [4 0 R] >>", {"<< /FT /Tx /T (a) >>"}),
                  Document(1, "/AcroForm << /Fields [4 0 R] >>", {"<< /FT /Tx /T (b) >>"}));
    ASSERT_EQ(joined.Result, 1);
    EXPECT_EQ(joined.Entry(1, "AcroForm"), "5 0 R");
    EXPECT_EQ(joined.Entry(5, "Fields"), "[ 4 0 R 9 0 R ]");
    EXPECT_EQ(joined.Entry(5, "NeedAppearances"), "-");
}

TEST(DocumentMerge, NumbersOfBothFilesKeepEveryDecimal) {
    const std::string matrix = "[ 0.00999 0 0 -0.0108696 0.1234567891 -0.99628 ]";
    const std::string font = "<< /Type /Font /Subtype /Type3 /FontMatrix " + matrix + " >>";
    Joined joined(Document(1, "", {font}), Document(1, "", {font}));
    ASSERT_EQ(joined.Result, 1);
    const std::string& bytes = joined.Bytes();
    const size_t first = bytes.find("/FontMatrix " + matrix);
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(bytes.find("/FontMatrix " + matrix, first + 1), std::string::npos);
}

TEST(DocumentMerge, RefusalsWriteNothing) {
    const std::string plain = Document(1, "");
    const std::string encrypted =
        Document(1, "", {"<< /Filter /Standard /V 1 /R 2 >>"}, "", "/Encrypt 4 0 R");
    const std::string encryptNotADictionary = Document(1, "", {"42"}, "", "/Encrypt 4 0 R");
    const std::string notPdf = "just some text\n";

    for (const auto& [a, b, code] : std::vector<std::tuple<std::string, std::string, int32_t>>{
             {encrypted, plain, 410},
             {plain, encrypted, 410},
             {encrypted, notPdf, 410},
             {plain, notPdf, 409},
             {notPdf, plain, 409},
             {plain, Document(1, "").substr(0, 200), 409}}) {
        Joined joined(a, b);
        EXPECT_EQ(joined.Result, 0);
        EXPECT_EQ(joined.FailureCode, code);
        EXPECT_TRUE(joined.Bytes().empty());
    }
    Joined notEncrypted(plain, encryptNotADictionary);
    EXPECT_EQ(notEncrypted.Result, 1);
}

TEST(DocumentMerge, FirstIdentifierIsKeptAndTheSecondRenewed) {
    const std::string first =
        Document(1, "", {}, "",
                 "/ID [<00112233445566778899AABBCCDDEEFF> <00112233445566778899AABBCCDDEEFF>]");
    Joined joined(first, Document(1, ""));
    ASSERT_EQ(joined.Result, 1);
    auto* id = As<TPDFArray>(joined.Reader->Trailer->GetValue("ID"));
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->Item(0)->WriteToText(), "<00112233445566778899AABBCCDDEEFF>");
    const std::string second = id->Item(1)->WriteToText();
    EXPECT_EQ(second.size(), 34u);
    EXPECT_EQ(second.front(), '<');
    EXPECT_NE(second, id->Item(0)->WriteToText());
}

// A file whose only cross-reference data is an uncompressed stream with W [1 4 2].
std::string XRefStreamDocument() {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
    const size_t xref = pdf.Size();
    std::string rows;
    auto row = [&rows](int type, size_t field2, int field3) {
        rows += static_cast<char>(type);
        for (int shift = 24; shift >= 0; shift -= 8) {
            rows += static_cast<char>((field2 >> shift) & 255);
        }
        rows += static_cast<char>((field3 >> 8) & 255);
        rows += static_cast<char>(field3 & 255);
    };
    row(0, 0, 65535);
    for (int n = 1; n <= 3; ++n) {
        row(1, pdf.Offset(n), 0);
    }
    row(1, xref, 0);
    pdf.Object(4, "<< /Type /XRef /Size 5 /W [1 4 2] /Index [0 5] /Root 1 0 R /Length " +
                      std::to_string(rows.size()) + " >>\nstream\n" + rows + "\nendstream");
    pdf.Raw("startxref\n" + std::to_string(xref) + "\n%%EOF\n");
    return pdf.Text();
}

TEST(DocumentMerge, CrossReferenceStreamEntriesLeaveTheTrailer) {
    Joined joined(XRefStreamDocument(), Document(1, ""));
    ASSERT_EQ(joined.Result, 1);
    for (const char* key : {"Type", "W", "Index", "Filter", "DecodeParms", "Length", "Prev"}) {
        EXPECT_EQ(joined.TrailerEntry(key), "-") << key;
    }
    EXPECT_EQ(joined.TrailerEntry("Root"), "1 0 R");
    auto* old = As<TPDFStream>(joined.Reader->GetObject(4, nullptr));
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->GetTypeName(), "XRef");
    EXPECT_EQ(joined.Pages(), 2);
}

TEST(DocumentMerge, HybridPointerOfTheFirstFileIsDropped) {
    std::string hybrid = Document(1, "", {}, "/MediaBox [0 0 612 792]", "/XRefStm 0");
    Joined joined(hybrid, Document(1, ""));
    ASSERT_EQ(joined.Result, 1);
    EXPECT_EQ(joined.TrailerEntry("XRefStm"), "-");
}

TEST(DocumentMerge, CatalogsWithoutAnIndirectTreeRootStillJoin) {
    PdfBuilder singlePage;
    singlePage.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    singlePage.Object(2, "<< /Type /Page /MediaBox [0 0 200 200] /Contents 3 0 R >>");
    singlePage.Object(3, "<< /Length 0 >>\nstream\n\nendstream");
    singlePage.Finish("/Root 1 0 R");
    PdfBuilder directTree;
    directTree.Object(1, "<< /Type /Catalog /Pages << /Type /Pages /Kids [2 0 R] /Count 1 >> >>");
    directTree.Object(2, "<< /Type /Page /MediaBox [0 0 300 300] >>");
    directTree.Finish("/Root 1 0 R");

    Joined pageFirst(singlePage.Text(), Document(2, ""));
    ASSERT_EQ(pageFirst.Result, 1);
    EXPECT_EQ(pageFirst.Pages(), 3);
    Joined pageSecond(Document(2, ""), singlePage.Text());
    ASSERT_EQ(pageSecond.Result, 1);
    EXPECT_EQ(pageSecond.Pages(), 3);
    Joined direct(directTree.Text(), directTree.Text());
    ASSERT_EQ(direct.Result, 1);
    EXPECT_EQ(direct.Pages(), 2);
}

}  // namespace
}  // namespace foldant
