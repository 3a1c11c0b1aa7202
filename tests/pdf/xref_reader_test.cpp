#include <gtest/gtest.h>
#include <zlib.h>

#include <tuple>

#include "pdf/pdf_objects.h"
#include "pdf/xref_reader.h"
#include "pdf_builder.h"

namespace foldant {
namespace {

using testing_pdf::PdfBuilder;

struct Reported {
    int32_t number;
    int32_t generation;
    char kind;
    int64_t offset;
    bool operator==(const Reported&) const = default;
};

class XRefTest : public ::testing::Test {
  protected:
    bool Walk(const std::string& file, int64_t start = -1) {
        stream = std::make_unique<TMemoryStream>(file);
        reader = std::make_unique<TPDFXRefReader>(*stream, trailerStore);
        reader->OnEntry = [this](int32_t n, int32_t g, char k, int64_t o) {
            entries.push_back({n, g, k, o});
        };
        reader->OnTrailer = [this](TPDFDictionary& trailer) { trailers.push_back(&trailer); };
        return reader->ReadSection(start >= 0 ? start : reader->FindStartXRef());
    }
    int64_t StartOf(const std::string& file) {
        TMemoryStream memory(file);
        TPDFStructure store;
        return TPDFXRefReader(memory, store).FindStartXRef();
    }
    std::vector<int32_t> Numbers() const {
        std::vector<int32_t> numbers;
        for (const Reported& entry : entries) {
            numbers.push_back(entry.number);
        }
        return numbers;
    }

    TPDFStructure trailerStore;
    std::unique_ptr<TMemoryStream> stream;
    std::unique_ptr<TPDFXRefReader> reader;
    std::vector<Reported> entries;
    std::vector<TPDFDictionary*> trailers;
};

TEST_F(XRefTest, StartXRefFromTheEndOfTheFile) {
    const std::string body = std::string(3000, 'x');
    EXPECT_EQ(StartOf(body + "startxref\n1234\n%%EOF\n"), 1234);
    EXPECT_EQ(StartOf(body + "startxref\n1234\n%%EOF\n" + std::string(2000, ' ')), 1234);
    EXPECT_EQ(StartOf(body + "startxref\n11\n%%EOF\nmore\nstartxref\n22\n%%EOF\n"), 22);
    EXPECT_EQ(StartOf(body + "startxref\n1234\n%%EO"), 1234);
    EXPECT_EQ(StartOf(body + "startxref\n% generated\n1234 % here\n%%EOF"), 1234);
    EXPECT_EQ(StartOf(body + "startxref\r\n1234\r\n%%EOF\r\n"), 1234);
    EXPECT_EQ(StartOf(body + "startxref\n1234\n"), 0);
    EXPECT_EQ(StartOf(body + "1234\n%%EOF"), 0);
    EXPECT_EQ(StartOf(""), 0);
}

TEST_F(XRefTest, StartXRefKeywordCutByAWindowBorderIsFound) {
    // "%%EOF" placed so that it straddles the border between the first and second window.
    const std::string tail = std::string(1022, ' ');
    const std::string file = std::string(5000, 'x') + "startxref\n77\n%%EOF" + tail;
    EXPECT_EQ(StartOf(file), 77);
}

TEST_F(XRefTest, ClassicTableReportsEntriesAndTrailer) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog >>").Object(2, "42");
    pdf.Finish("/Root 1 0 R");
    ASSERT_TRUE(Walk(pdf.Text()));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], (Reported{0, 65535, 'f', 0}));
    EXPECT_EQ(entries[1], (Reported{1, 0, 'n', static_cast<int64_t>(pdf.Offset(1))}));
    EXPECT_EQ(entries[2], (Reported{2, 0, 'n', static_cast<int64_t>(pdf.Offset(2))}));
    ASSERT_EQ(trailers.size(), 1u);
    auto* root = As<TPDFIndRef>(trailers[0]->GetValue("Root"));
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->RefNumber, 1);
    EXPECT_FALSE(reader->HasXRefStream);
}

TEST_F(XRefTest, EntriesWithOneByteLineEndsAndBlankLines) {
    PdfBuilder pdf;
    pdf.Object(1, "1").Object(2, "2").Object(3, "3");
    pdf.Finish("", "\n\n");
    ASSERT_TRUE(Walk(pdf.Text()));
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(entries[3].offset, static_cast<int64_t>(pdf.Offset(3)));
}

TEST_F(XRefTest, FirstSubsectionNumberedFromOneStartsAtZero) {
    const std::string table = "xref\n1 4\n" + PdfBuilder::Entry(0, 65535, 'f') +
                              PdfBuilder::Entry(10, 0, 'n') + PdfBuilder::Entry(20, 0, 'n') +
                              PdfBuilder::Entry(30, 0, 'n') + "trailer\n<< /Size 4 >>\n";
    ASSERT_TRUE(Walk("%PDF-1.4\n" + table, 9));
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(entries[3].offset, 30);
}

TEST_F(XRefTest, SubsectionHeaderAtTheEndOfTheFile) {
    EXPECT_FALSE(Walk("xref\n1 1\n", 0));
    EXPECT_TRUE(entries.empty());
}

TEST_F(XRefTest, SeveralSubsectionsAndACountBeyondTheFile) {
    const std::string table = "xref\n0 1\n" + PdfBuilder::Entry(0, 65535, 'f') + "7 2\n" +
                              PdfBuilder::Entry(70, 0, 'n') + PdfBuilder::Entry(80, 1, 'n') +
                              "trailer\n<< /Size 9 >>\n";
    ASSERT_TRUE(Walk(table, 0));
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{0, 7, 8}));
    EXPECT_EQ(entries[2].generation, 1);
    entries.clear();
    // A header claiming a billion entries reads only the bytes that are there.
    EXPECT_FALSE(Walk("xref\n0 1000000000\n" + PdfBuilder::Entry(0, 65535, 'f'), 0));
    EXPECT_LE(entries.size(), 1u);
}

TEST_F(XRefTest, OffsetBeforeTheKeywordOrInsideFillerStillFindsTheTable) {
    PdfBuilder pdf;
    pdf.Object(1, "(" + std::string(100, 'a') + ")");
    const size_t xref = pdf.Finish("");
    ASSERT_TRUE(Walk(pdf.Text(), static_cast<int64_t>(xref) - 5));
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{0, 1}));

    PdfBuilder filled;
    filled.Object(1, "1");
    const size_t runStart = filled.Size();
    filled.Raw(std::string(3000, '\n'));
    filled.Finish("");
    entries.clear();
    ASSERT_TRUE(Walk(filled.Text(), static_cast<int64_t>(runStart)));
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{0, 1}));
}

TEST_F(XRefTest, OffsetIntoNothingFails) {
    EXPECT_FALSE(Walk(std::string(10000, 'x'), 5000));
    EXPECT_FALSE(Walk("short", 1 << 30));
    EXPECT_FALSE(Walk("%PDF startxref\n5\n%%EOF", -1));
}

TEST_F(XRefTest, PrevChainIsReadNewestFirstAndLoopsEnd) {
    PdfBuilder pdf;
    pdf.Object(1, "1").Object(2, "2");
    const size_t first = pdf.Finish("");
    const size_t second = pdf.Size();
    pdf.Raw("xref\n0 1\n" + PdfBuilder::Entry(0, 65535, 'f') + "2 1\n" +
            PdfBuilder::Entry(5, 0, 'n') + "trailer\n<< /Size 3 /Prev " + std::to_string(first) +
            " >>\n");
    ASSERT_TRUE(Walk(pdf.Text(), static_cast<int64_t>(second)));
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{0, 2, 0, 1, 2}));
    EXPECT_EQ(trailers.size(), 2u);

    PdfBuilder looping;
    looping.Object(1, "1");
    const size_t self = looping.Size();
    looping.Raw("xref\n0 2\n" + PdfBuilder::Entry(0, 65535, 'f') + PdfBuilder::Entry(9, 0, 'n') +
                "trailer\n<< /Size 2 /Prev " + std::to_string(self) + " >>\n");
    entries.clear();
    EXPECT_FALSE(Walk(looping.Text(), static_cast<int64_t>(self)));
    // The entries were reported once; the retries with longer text repeat only the trailer.
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{0, 1}));
}

std::string Compress(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()));
    out.resize(size);
    return out;
}

std::string Row(int type, int field2, int field3) {
    return std::string{static_cast<char>(type), static_cast<char>(field2 >> 8),
                       static_cast<char>(field2 & 0xFF), static_cast<char>(field3)};
}

TEST_F(XRefTest, CrossReferenceStreamWithIndexAndWidths) {
    const std::string rows =
        Row(0, 0, 255) + Row(1, 300, 0) + Row(2, 7, 3) + Row(1, 400, 2) + Row(9, 1, 1);
    const std::string data = Compress(rows);
    const std::string file =
        "%PDF-1.5\n12 0 obj\n<< /Type /XRef /Size 12 /W [1 2 1] /Index [0 3 10 2] "
        "/Filter /FlateDecode /Length " +
        std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
    ASSERT_TRUE(Walk(file, 9));
    EXPECT_TRUE(reader->HasXRefStream);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0], (Reported{0, 255, 'f', 0}));
    EXPECT_EQ(entries[1], (Reported{1, 0, 'n', 300}));
    EXPECT_EQ(entries[2], (Reported{2, 3, 'c', 7}));
    EXPECT_EQ(entries[3], (Reported{10, 2, 'n', 400}));
    EXPECT_EQ(entries[4], (Reported{11, 0, ' ', 0}));
    ASSERT_EQ(trailers.size(), 1u);
    EXPECT_EQ(trailers[0]->GetTypeName(), "XRef");
}

TEST_F(XRefTest, TrailersBelongToTheGivenStoreAndKeepTheirValuesAsWritten) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog >>");
    pdf.Finish("/Root 1 0 R /Scale 0.123456789 /ID [<0a0b> (two)] /Odd#20Name true");
    ASSERT_TRUE(Walk(pdf.Text()));
    ASSERT_EQ(trailers.size(), 1u);
    // The walk's own objects are gone with the walk; the trailer stays with its store.
    reader.reset();
    const TPDFDictionary& trailer = *trailers[0];
    EXPECT_EQ(&trailer.Owner, &trailerStore);
    ASSERT_NE(trailer.GetValue("Scale"), nullptr);
    EXPECT_EQ(trailer.GetValue("Scale")->WriteToText(), "0.123456789");
    auto* id = As<TPDFArray>(trailer.GetValue("ID"));
    ASSERT_NE(id, nullptr);
    ASSERT_EQ(id->Count(), 2);
    EXPECT_EQ(As<TPDFString>(id->Item(0))->Value, "\x0a\x0b");
    EXPECT_EQ(As<TPDFString>(id->Item(0))->Mode, TPDFString::kHexadecimal);
    EXPECT_EQ(As<TPDFString>(id->Item(1))->Value, "two");
    EXPECT_NE(As<TPDFBoolean>(trailer.GetValue("Odd Name")), nullptr);
}

TEST_F(XRefTest, CrossReferenceStreamIsDecodedWithoutTheCallersResolver) {
    // The caller's store would read objects through a reader that is still being built.
    int resolved = 0;
    trailerStore.OnResolveReference = [&resolved](TPDFIndRef&, int32_t, int32_t) {
        ++resolved;
        return nullptr;
    };
    const std::string rows = Row(0, 0, 255) + Row(1, 300, 0);
    const std::string file =
        "%PDF-1.5\n12 0 obj\n<< /Type /XRef /Size 2 /W [1 2 1] /Filter 5 0 R /Length 8 >>\n"
        "stream\n" +
        rows + "\nendstream\nendobj\n";
    ASSERT_TRUE(Walk(file, 9));
    EXPECT_EQ(resolved, 0);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1], (Reported{1, 0, 'n', 300}));
    ASSERT_EQ(trailers.size(), 1u);
    auto* filter = As<TPDFIndRef>(trailers[0]->GetValue("Filter"));
    ASSERT_NE(filter, nullptr);
    EXPECT_EQ(filter->RefNumber, 5);
}

TEST_F(XRefTest, CrossReferenceStreamEntryForItselfHoldingItsOwnNumber) {
    // Entry 12 claims offset 12, where the file holds no "12": the data start is reported.
    const std::string rows = Row(1, 12, 0) + Row(1, 9, 0);
    const std::string file =
        "%PDF-1.5\nxxxx\n12 0 obj\n<< /Type /XRef /Size 14 /W [1 2 1] "
        "/Index [12 2] /Length 8 >>\nstream\n" +
        rows + "\nendstream\nendobj\n";
    ASSERT_TRUE(Walk(file, 14));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].offset, static_cast<int64_t>(file.find("stream\n") + 7));
    EXPECT_EQ(entries[1].offset, 9);
}

TEST_F(XRefTest, CrossReferenceStreamWithPredictorAndShortData) {
    // Rows of 5 bytes tagged with the PNG Up filter; the declared Size promises more entries
    // than the data holds, and reading stops with the data.
    const std::string rows = std::string{2, 1, 0, 0, 17, 0} + std::string{2, 0, 0, 0, 5, 0};
    const std::string data = Compress(rows);
    const std::string file =
        "3 0 obj\n<< /Type /XRef /Size 100000000 /W [1 3 1] /Filter /FlateDecode "
        "/DecodeParms << /Predictor 12 /Columns 5 >> /Length " +
        std::to_string(data.size()) + " >>\nstream\r\n" + data + "\nendstream\nendobj\n";
    ASSERT_TRUE(Walk(file, 0));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (Reported{0, 0, 'n', 17}));
    EXPECT_EQ(entries[1], (Reported{1, 0, 'n', 22}));
}

TEST_F(XRefTest, CrossReferenceStreamOfZeroWidthReportsNothing) {
    const std::string file =
        "3 0 obj\n<< /Type /XRef /Size 2000000000 /W [0 0 0] /Length 0 >>\nstream\n\nendstream\n";
    ASSERT_TRUE(Walk(file, 0));
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(trailers.size(), 1u);
}

TEST_F(XRefTest, NotACrossReferenceStream) {
    EXPECT_FALSE(Walk("3 0 obj\n<< /Type /Page /Size 3 >>\nstream\nx\nendstream", 0));
    EXPECT_TRUE(trailers.empty());
    EXPECT_TRUE(IsXRefStreamText("<< /Index [1 2] >>stream"));
    EXPECT_FALSE(IsXRefStreamText("<< /Index [1 2 >>stream"));
    EXPECT_FALSE(IsXRefStreamText("/Index [1 2] << >>stream"));
}

TEST_F(XRefTest, HybridFileReportsTableThenStreamThenPrev) {
    PdfBuilder pdf;
    pdf.Object(1, "1");
    const size_t older = pdf.Finish("");
    const std::string rows = Row(1, 50, 0);
    const size_t streamOffset = pdf.Size();
    pdf.Raw("9 0 obj\n<< /Type /XRef /Size 10 /W [1 2 1] /Index [5 1] /Length 4 >>\nstream\n" +
            rows + "\nendstream\nendobj\n");
    const size_t newest = pdf.Size();
    pdf.Raw("xref\n0 1\n" + PdfBuilder::Entry(0, 65535, 'f') + "2 1\n" +
            PdfBuilder::Entry(7, 0, 'n') + "trailer\n<< /Size 10 /XRefStm " +
            std::to_string(streamOffset) + " /Prev " + std::to_string(older) + " >>\n");
    ASSERT_TRUE(Walk(pdf.Text(), static_cast<int64_t>(newest)));
    EXPECT_TRUE(reader->Hybrid);
    EXPECT_EQ(Numbers(), (std::vector<int32_t>{0, 2, 5, 0, 1}));
}

TEST_F(XRefTest, ReadAtCutsToTheFile) {
    TMemoryStream memory("0123456789");
    TPDFStructure store;
    TPDFXRefReader xref(memory, store);
    EXPECT_EQ(xref.ReadAt(4, -2), "0123");
    EXPECT_EQ(xref.ReadAt(100, 8), "89");
    EXPECT_EQ(xref.ReadAt(0, 3), "");
    xref.BaseOffset = 5;
    EXPECT_EQ(xref.ReadAt(2, 0), "56");
}

}  // namespace
}  // namespace foldant
