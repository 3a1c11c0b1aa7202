#include <gtest/gtest.h>

#include <string>

#include "pdf/byte_stream.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/smart_pdf_writer.h"

namespace foldant {
namespace {

constexpr char kHeader14[] = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";

struct WrittenFile {
    TMemoryStream target;
    TPDFStructure store;
    TSmartPDFWriter writer{target};

    std::string Finish(bool fullTable = false, int64_t baseOffset = 0) {
        writer.WriteXRefAndTrailer(store.NewDictionary(), fullTable, baseOffset);
        return target.Bytes();
    }
    std::string Table(bool fullTable = false) {
        const std::string bytes = Finish(fullTable);
        const size_t start = bytes.find("xref\n");
        return bytes.substr(start, bytes.find("trailer\n") - start);
    }
};

TEST(PdfWriter, EmptyFileHasHeaderFreeHeadAndTrailer) {
    WrittenFile file;
    file.writer.WriteHeader("1.4");
    EXPECT_EQ(file.Finish(), std::string(kHeader14) +
                                 "xref\n0 1\n0000000000 65535 f \ntrailer\n<<\n>>\n"
                                 "startxref\n15\n%%EOF\n");
}

TEST(PdfWriter, ObjectFramingAndFirstOffset) {
    WrittenFile file;
    file.writer.WriteHeader("1.4");
    file.writer.WriteObject(1, 0, "<< /A 1 >>\n");
    file.writer.WriteObject(2, 0, "");
    file.writer.WriteObject(12, 3, "(x)");
    const std::string bytes = file.Finish();
    EXPECT_EQ(bytes.substr(15, 62),
              "1 0 obj\n<< /A 1 >>\nendobj\n2 0 obj\n\nendobj\n12 3 obj\n(x)\nendobj\n");
    EXPECT_NE(bytes.find("0 3\n0000000000 65535 f \n0000000015 00000 n \n0000000041 00000 n \n"
                         "12 1\n0000000057 00003 n \n"),
              std::string::npos);
    EXPECT_EQ(file.writer.Lengths, (std::vector<int32_t>{26, 16, 20}));
}

TEST(PdfWriter, GapsSplitSubsectionsWithoutFreeEntries) {
    WrittenFile objectsTwoThree;
    objectsTwoThree.writer.WriteObject(3, 0, "null");
    objectsTwoThree.writer.WriteObject(2, 0, "null");
    EXPECT_EQ(objectsTwoThree.Table(),
              "xref\n0 1\n0000000000 65535 f \n2 2\n0000000020 00000 n \n"
              "0000000000 00000 n \n");

    WrittenFile runs;
    for (int n : {1, 2, 3, 5, 6}) {
        runs.writer.WriteObject(n, 0, "null");
    }
    const std::string table = runs.Table();
    EXPECT_EQ(table.substr(0, 9), "xref\n0 4\n");
    EXPECT_NE(table.find("\n5 2\n"), std::string::npos);
    EXPECT_EQ(table.size(), 5 + 4 + 4 * 20 + 4 + 2 * 20);
}

TEST(PdfWriter, FullTableChainsFreeNumbersAndSetsSize) {
    WrittenFile file;
    file.writer.WriteObject(1, 0, "null");
    file.writer.WriteObject(3, 7, "null");
    const std::string bytes = file.Finish(true);
    EXPECT_NE(bytes.find("xref\n0 4\n0000000002 65535 f \n0000000000 00000 n \n"
                         "0000000000 00001 f \n0000000020 00007 n \n"),
              std::string::npos);
    EXPECT_NE(bytes.find("/Size 4"), std::string::npos);
}

TEST(PdfWriter, BaseOffsetMovesEntriesAndStartXRef) {
    WrittenFile file;
    file.writer.WriteHeader("1.4");
    file.writer.WriteObject(1, 0, "null");
    const std::string bytes = file.Finish(false, 1000);
    const size_t xref = bytes.find("xref\n");
    EXPECT_NE(bytes.find("0000001015 00000 n \n"), std::string::npos);
    EXPECT_NE(bytes.find("startxref\n" + std::to_string(xref + 1000) + "\n%%EOF\n"),
              std::string::npos);
}

TEST(PdfWriter, OffsetsStayRightAcrossLargeObjectsAndAStartedTarget) {
    TMemoryStream target;
    target.Write("prefix", 6);
    TPDFStructure store;
    TSmartPDFWriter writer(target);
    const std::string big(3 << 20, 'x');
    writer.WriteObject(1, 0, "(a)");
    writer.WriteObject(2, 0, big);
    writer.WriteObject(3, 300, "(b)");
    writer.WriteXRefAndTrailer(store.NewDictionary(), false, 0);
    const std::string& bytes = target.Bytes();
    for (size_t i = 0; i < 3; ++i) {
        const std::string head = std::to_string(writer.Numbers[i]) + ' ' +
                                 std::to_string(writer.Generations[i]) + " obj\n";
        EXPECT_EQ(bytes.compare(static_cast<size_t>(writer.Offsets[i]), head.size(), head), 0)
            << head;
    }
    EXPECT_EQ(writer.Offsets[0], 6);
    EXPECT_NE(bytes.find(XRefEntryText(writer.Offsets[2], 300, 'n')), std::string::npos);
    EXPECT_GE(writer.Offsets.size(), writer.Numbers.size() + 10);
}

TEST(PdfWriter, ReaderFindsEveryWrittenObject) {
    TMemoryStream target;
    TPDFStructure store;
    {
        TSmartPDFWriter writer(target);
        writer.WriteHeader("1.4");
        writer.WriteObject(1, 0, "<< /Type /Catalog /Pages 2 0 R >>");
        writer.WriteObject(2, 0, "<< /Type /Pages /Kids [ ] /Count 0 >>");
        writer.WriteObject(4, 0, "<< /Length 5 >>\nstream\nhello\nendstream");
        TPDFDictionary& trailer = store.NewDictionary();
        trailer.Add("Size", store.NewNumber(5));
        trailer.Add("Root", store.NewReference(1, 0));
        writer.WriteXRefAndTrailer(trailer, false, 0);
    }
    TMemoryStream input(target.Bytes());
    TSmartPDFReader reader(input);
    ASSERT_EQ(reader.FailureCode, TSmartPDFReader::kOpened);
    auto* stream = As<TPDFStream>(reader.GetObject(4, nullptr));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Data, "hello");
    EXPECT_EQ(reader.GetTrailerDictionary("Root")->GetTypeName(), "Catalog");
}

}  // namespace
}  // namespace foldant
