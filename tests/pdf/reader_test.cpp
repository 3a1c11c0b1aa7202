#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "pdf/new_trailer.h"
#include "pdf/page_tree.h"
#include "pdf/pdf_error.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/wide_file_stream.h"
#include "pdf_builder.h"

namespace foldant {
namespace {

using testing_pdf::PdfBuilder;
using testing_pdf::SimpleDocument;

std::string Compress(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()));
    out.resize(size);
    return out;
}

// Owns the bytes and the reader over them.
struct Opened {
    explicit Opened(const std::string& bytes)
        : stream(std::make_unique<TMemoryStream>(bytes)),
          reader(std::make_unique<TSmartPDFReader>(*stream)) {}
    std::string Text(int32_t n) {
        TPDFObject* object = reader->GetObject(n, &scratch);
        return object != nullptr ? object->WriteToText() : "<none>";
    }
    std::unique_ptr<TMemoryStream> stream;
    std::unique_ptr<TSmartPDFReader> reader;
    TPDFStructure scratch;
};

TEST(Reader, OpensASimpleFile) {
    Opened file(SimpleDocument(3));
    TSmartPDFReader& reader = *file.reader;
    EXPECT_EQ(reader.FailureCode, 0);
    EXPECT_EQ(reader.Version, "1.4");
    EXPECT_FALSE(reader.Encrypted);
    EXPECT_EQ(reader.ObjectCount(), 5);
    EXPECT_EQ(CountPages(reader), 3);
    EXPECT_EQ(file.Text(1), "<<\n/Type /Catalog\n/Pages 2 0 R\n>>\n");
    EXPECT_EQ(file.Text(0), "<none>");
    EXPECT_EQ(file.Text(6), "<none>");
    ASSERT_NE(reader.Trailer, nullptr);
    EXPECT_EQ(reader.Trailer->GetInteger("Size", 0), 6);
}

TEST(Reader, HeaderVariantsAndFailureCodes) {
    EXPECT_EQ(Opened("%PDF-1.7\n" + SimpleDocument(1).substr(9)).reader->Version, "1.7");
    EXPECT_EQ(Opened("no header at all").reader->FailureCode, 1);
    EXPECT_EQ(Opened("%PDF-1.2.3\n").reader->FailureCode, 1);
    EXPECT_EQ(Opened("%PDF-1.4\n1 0 obj 1 endobj\n").reader->FailureCode, 2);
    Opened postScript("%!PS-Adobe-3.0 PDF-1.3\n" + SimpleDocument(1).substr(9));
    EXPECT_EQ(postScript.reader->Version, "1.3");
    EXPECT_EQ(postScript.reader->HeaderOffset, -1);
}

TEST(Reader, BytesBeforeTheHeaderWithOffsetsFromTheFileStart) {
    PdfBuilder pdf(std::string(20, 'j') + "%PDF-1.4\n");
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page >>");
    pdf.Finish("/Root 1 0 R");
    Opened file(pdf.Text());
    EXPECT_EQ(file.reader->FailureCode, 0);
    EXPECT_EQ(file.reader->HeaderOffset, 20);
    EXPECT_FALSE(file.reader->HeaderRelative);
    EXPECT_EQ(CountPages(*file.reader), 1);
}

TEST(Reader, BytesBeforeTheHeaderWithOffsetsFromTheHeader) {
    // The offsets, startxref included, count from the header, so the first attempt to read
    // the table finds nothing at the file position.
    Opened opened(std::string(700, 'j') + SimpleDocument(2));
    TSmartPDFReader& reader = *opened.reader;
    EXPECT_EQ(reader.FailureCode, 0);
    EXPECT_TRUE(reader.HeaderRelative);
    EXPECT_EQ(reader.HeaderOffset, 700);
    EXPECT_EQ(CountPages(reader), 2);
    EXPECT_EQ(opened.Text(3), "<<\n/Type /Page\n/Parent 2 0 R\n/MediaBox [ 0 0 612 792 ]\n>>\n");
}

TEST(Reader, IncrementalUpdateReadsTheNewerObjectAndFallsBackForTrailerEntries) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>").Object(2, "(old)").Object(3, "<< >>");
    const size_t first = pdf.Finish("/Root 1 0 R /Info 3 0 R");
    const size_t updated = pdf.Size();
    pdf.Raw("2 0 obj\n(new)\nendobj\n");
    const size_t xref = pdf.Size();
    pdf.Raw("xref\n0 1\n" + PdfBuilder::Entry(0, 65535, 'f') + "2 1\n" +
            PdfBuilder::Entry(updated, 0, 'n') + "trailer\n<< /Size 4 /Root 1 0 R /Prev " +
            std::to_string(first) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
    Opened file(pdf.Text());
    TSmartPDFReader& reader = *file.reader;
    EXPECT_EQ(reader.FailureCode, 0);
    EXPECT_EQ(file.Text(2), "(new)");
    EXPECT_EQ(reader.Trailers.size(), 2u);
    EXPECT_EQ(reader.Trailer, reader.Trailers[0]);
    EXPECT_EQ(reader.Trailer->GetValue("Info"), nullptr);
    TPDFIndRef* info = reader.GetTrailerReference("Info");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->RefNumber, 3);
    EXPECT_NE(reader.GetTrailerDictionary("Info"), nullptr);
    EXPECT_EQ(reader.GetTrailerDictionary("Root")->GetTypeName(), "Catalog");
}

TEST(Reader, LastObjectRunsToTheEndOfTheFileAndStreamsKeepTheirData) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Length 5 >>\nstream\nhello\nendstream");
    pdf.Finish("");
    pdf.Raw("4 0 obj\n[1 2 3]\nendobj\n");
    Opened file(pdf.Text());
    auto* stream = As<TPDFStream>(file.reader->GetObject(1, &file.scratch));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Data, "hello");
    EXPECT_EQ(file.reader->GetObjectText(1).substr(0, 4), "\n<< ");
}

TEST(Reader, StreamWhoseLengthRefersToItselfReadsAsItsDictionary) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Length 1 0 R >>\nstream\nhello\nendstream");
    pdf.Object(2, "<< /Length 3 0 R >>\nstream\nabc\nendstream");
    pdf.Object(3, "3");
    pdf.Finish("");
    Opened file(pdf.Text());
    EXPECT_EQ(file.Text(1), "<<\n/Length 1 0 R\n>>\n");
    auto* stream = As<TPDFStream>(file.reader->GetObject(2, nullptr));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->Data, "abc");
}

TEST(Reader, CacheReturnsTheSameObjectUntilItIsPushedOut) {
    Opened file(SimpleDocument(120));
    TSmartPDFReader& reader = *file.reader;
    TPDFObject* first = reader.GetObject(3, nullptr);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reader.GetObject(3, nullptr), first);
    for (int32_t n = 4; n < 104; ++n) {
        reader.GetObject(n, nullptr);
    }
    TPDFObject* again = reader.GetObject(3, nullptr);
    EXPECT_NE(again, first);
    EXPECT_EQ(again->WriteToText(), first->WriteToText());
    EXPECT_NE(reader.GetObject(3, &file.scratch), again);
}

TEST(Reader, OffByOneTableIsShiftedDown) {
    PdfBuilder pdf;
    pdf.Object(1, "(one)").Object(2, "(two)");
    const size_t xref = pdf.Size();
    pdf.Raw("xref\n0 4\n" + PdfBuilder::Entry(0, 0, 'f') + PdfBuilder::Entry(0, 65535, 'f') +
            PdfBuilder::Entry(pdf.Offset(1), 0, 'n') + PdfBuilder::Entry(pdf.Offset(2), 0, 'n') +
            "trailer\n<< /Size 4 >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
    Opened file(pdf.Text());
    EXPECT_EQ(file.Text(1), "(one)");
    EXPECT_EQ(file.Text(2), "(two)");
}

TEST(Reader, EntriesOutsideTheFileAndHugeNumbersAreHarmless) {
    PdfBuilder pdf;
    pdf.Object(1, "(one)");
    const size_t xref = pdf.Size();
    pdf.Raw("xref\n0 2\n" + PdfBuilder::Entry(0, 65535, 'f') + PdfBuilder::Entry(999999, 0, 'n') +
            "2000000000 1\n" + PdfBuilder::Entry(pdf.Offset(1), 0, 'n') +
            "trailer\n<< /Size 3 >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n");
    Opened file(pdf.Text());
    EXPECT_EQ(file.reader->ObjectCount(), 1);
    EXPECT_EQ(file.Text(1), "<none>");
}

class ObjectStreamTest : public ::testing::Test {
  protected:
    // Objects 1 to 3 inside object stream 5 (N 3, First 15); 6 is the cross-reference stream.
    static std::string File(bool encrypted) {
        const std::string objects = "1 0 2 6 3 12   (aaa) (bbb) 42";
        const std::string packed = Compress(objects);
        std::string pdf = "%PDF-1.5\n";
        const size_t five = pdf.size();
        pdf += "5 0 obj\n<< /Type /ObjStm /N 3 /First 15 /Filter /FlateDecode /Length " +
               std::to_string(packed.size()) + " >>\nstream\n" + packed + "\nendstream\nendobj\n";
        const size_t six = pdf.size();
        auto row = [](int type, size_t field, int index) {
            return std::string{static_cast<char>(type), static_cast<char>(field >> 8),
                               static_cast<char>(field & 0xFF), static_cast<char>(index)};
        };
        const std::string rows = row(0, 0, 255) + row(2, 5, 0) + row(2, 5, 1) + row(2, 5, 2) +
                                 row(0, 0, 0) + row(1, five, 0) + row(1, six, 0);
        pdf += "6 0 obj\n<< /Type /XRef /Size 7 /W [1 2 1] /Length " + std::to_string(rows.size()) +
               (encrypted ? " /Encrypt 9 0 R" : "") + " >>\nstream\n" + rows +
               "\nendstream\nendobj\nstartxref\n" + std::to_string(six) + "\n%%EOF\n";
        return pdf;
    }
};

TEST_F(ObjectStreamTest, CompressedObjectsAreFoundByIndex) {
    Opened file(File(false));
    TSmartPDFReader& reader = *file.reader;
    EXPECT_EQ(reader.FailureCode, 0);
    EXPECT_TRUE(reader.HasXRefStream);
    EXPECT_EQ(file.Text(1), "(aaa)");
    EXPECT_EQ(file.Text(2), "(bbb)");
    EXPECT_EQ(file.Text(3), "42");
    EXPECT_EQ(reader.GetGeneration(2), 0);
    // An index whose stored number differs reads as none.
    reader.XRefTable[2].generation = 0;
    EXPECT_EQ(file.Text(2), "<none>");
    reader.XRefTable[2].generation = 7;
    EXPECT_EQ(file.Text(2), "<none>");
}

TEST_F(ObjectStreamTest, EncryptedFileHandsEachObjectStreamOverBeforeDecoding) {
    Opened file(File(true));
    TSmartPDFReader& reader = *file.reader;
    EXPECT_TRUE(reader.Encrypted);
    int calls = 0;
    reader.OnObjectStreamLoaded = [&](int32_t number, TPDFStream& stream) {
        ++calls;
        EXPECT_EQ(number, 5);
        EXPECT_EQ(static_cast<unsigned char>(stream.Data[0]), 0x78);
    };
    EXPECT_EQ(file.Text(1), "(aaa)");
    EXPECT_EQ(file.Text(3), "42");
    EXPECT_EQ(calls, 1);
}

TEST(NewTrailer, NewIdentifierAndCleanedEntriesLeaveTheReadersTrailerAlone) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog >>");
    pdf.Finish("/Root 1 0 R /Type /XRef /W [1 2 1] /Filter /FlateDecode");
    Opened file(pdf.Text());
    TSmartPDFReader& reader = *file.reader;
    ASSERT_NE(reader.Trailer, nullptr);
    reader.Trailer->Add("Prev", reader.Store->NewNumber(5));
    const std::string before = reader.Trailer->WriteToText();

    TPDFStructure store;
    const TNewTrailer made = NewTrailer(reader, store);
    EXPECT_TRUE(made.NewIdentifier);
    EXPECT_EQ(&made.Dictionary.Owner, &store);
    EXPECT_EQ(reader.Trailer->WriteToText(), before);
    const std::string text = made.Dictionary.WriteToText();
    for (const char* key : {"/Prev", "/Type", "/W", "/Filter", "/Info"}) {
        EXPECT_EQ(text.find(key), std::string::npos) << key;
    }
    EXPECT_NE(text.find("/Root 1 0 R"), std::string::npos);
    EXPECT_EQ(made.Dictionary.GetInteger("Size", 0), 2);
    auto* id = As<TPDFArray>(made.Dictionary.GetValue("ID"));
    ASSERT_NE(id, nullptr);
    ASSERT_EQ(id->Count(), 2);
    auto* first = As<TPDFString>(id->Item(0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Value.size(), 16u);
    EXPECT_EQ(first->Mode, TPDFString::kHexadecimal);
    EXPECT_EQ(first->WriteToText(), id->Item(1)->WriteToText());
}

TEST(NewTrailer, ExistingIdentifierKeepsItsFirstElement) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog >>");
    pdf.Finish("/Root 1 0 R /ID [<0102> (second)]");
    Opened file(pdf.Text());
    TSmartPDFReader& reader = *file.reader;
    const std::string before = reader.Trailer->WriteToText();
    TPDFStructure store;
    const TNewTrailer made = NewTrailer(reader, store);
    EXPECT_FALSE(made.NewIdentifier);
    EXPECT_EQ(reader.Trailer->WriteToText(), before);
    auto* id = As<TPDFArray>(made.Dictionary.GetValue("ID"));
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->Item(0)->WriteToText(), "<0102>");
    auto* second = As<TPDFString>(id->Item(1));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Value.size(), 16u);
    EXPECT_EQ(second->Mode, TPDFString::kHexadecimal);
    TPDFStructure again;
    EXPECT_NE(
        As<TPDFString>(As<TPDFArray>(NewTrailer(reader, again).Dictionary.GetValue("ID"))->Item(1))
            ->Value,
        second->Value);
}

TEST(NewTrailer, InfoAndRootFromAnOlderTrailer) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog >>").Object(2, "<< /Title (t) >>");
    const size_t older = pdf.Finish("/Root 1 0 R /Info 2 0 R /ID [<01> <02>]");
    pdf.Object(3, "42");
    pdf.Finish("/Prev " + std::to_string(older));
    Opened file(pdf.Text());
    TSmartPDFReader& reader = *file.reader;
    ASSERT_EQ(reader.Trailers.size(), 2u);
    TPDFStructure store;
    const TNewTrailer made = NewTrailer(reader, store);
    EXPECT_NE(made.Dictionary.WriteToText().find("/Info 2 0 R"), std::string::npos);
    EXPECT_NE(made.Dictionary.WriteToText().find("/Root 1 0 R"), std::string::npos);
    EXPECT_EQ(made.Dictionary.GetInteger("Size", 0), 4);
    // Only the newest trailer's identifier is renewed; an older one is not looked at.
    EXPECT_TRUE(made.NewIdentifier);
    EXPECT_EQ(reader.Trailer->IndexOfKey("Info"), -1);
    EXPECT_EQ(reader.Trailer->IndexOfKey("ID"), -1);
}

TEST(NewTrailer, ReaderWithoutTrailerGivesAFreshOne) {
    Opened file("%PDF-1.4\nnothing else\n");
    ASSERT_EQ(file.reader->Trailer, nullptr);
    TPDFStructure store;
    const TNewTrailer made = NewTrailer(*file.reader, store);
    EXPECT_TRUE(made.NewIdentifier);
    EXPECT_EQ(made.Dictionary.GetInteger("Size", 0), 1);
}

TEST(PageTree, CyclesAndRepeatedNodesEnd) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 2 0 R 3 0 R] >>");
    pdf.Object(3, "<< /Type /Page >>");
    pdf.Object(4, "<< /Type /Pages /Kids [2 0 R 5 0 R] >>");
    pdf.Object(5, "<< /Contents 9 0 R >>");
    pdf.Finish("/Root 1 0 R");
    Opened file(pdf.Text());
    EXPECT_EQ(CountPages(*file.reader), 2);
}

// Pages are read one at a time into a store that is emptied between them, while inner nodes,
// also those whose kids are an object of their own, stay until their kids are walked.
TEST(PageTree, VisitsPagesInOrderBelowInnerNodesWithIndirectKids) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R 4 0 R 7 0 R] >>");
    pdf.Object(3, "<< /Type /Page /Rotate 90 >>");
    pdf.Object(4, "<< /Type /Pages /Kids 5 0 R >>");
    pdf.Object(5, "[6 0 R 8 0 R]");
    pdf.Object(6, "<< /Type /Page /Rotate 180 >>");
    pdf.Object(7, "<< /Type /Page /Rotate 270 >>");
    pdf.Object(8, "<< /Type /Pages /Kids [9 0 R] >>");
    pdf.Object(9, "<< /Type /Page /Rotate 0 >>");
    pdf.Finish("/Root 1 0 R");
    Opened file(pdf.Text());
    std::vector<int32_t> rotations;
    ForEachPage(*file.reader, [&rotations](TPDFDictionary& page) {
        rotations.push_back(As<TPDFNumeric>(page.GetValue("Rotate"))->AsInteger());
    });
    EXPECT_EQ(rotations, (std::vector<int32_t>{90, 180, 0, 270}));
}

TEST(PageTree, RootThatIsAPageAndMissingCatalog) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Page /Kids [3 0 R] >>");
    pdf.Finish("/Root 1 0 R");
    EXPECT_EQ(CountPages(*Opened(pdf.Text()).reader), 1);
    EXPECT_EQ(CountPages(*Opened(SimpleDocument(2).substr(0, 200)).reader), 0);
}

TEST(WideFileStream, OpensForReadingAndFailsWithError) {
    const auto path = std::filesystem::temp_directory_path() / "foldant_wide_stream_test.pdf";
    std::ofstream(path, std::ios::binary) << SimpleDocument(1);
    TWideFileStream file(path.u16string(), TWideFileStream::kModeRead);
    TSmartPDFReader reader(file);
    EXPECT_EQ(reader.FailureCode, 0);
    EXPECT_EQ(CountPages(reader), 1);
    try {
        TWideFileStream missing(u"/nonexistent/folder/file.pdf", TWideFileStream::kModeRead);
        FAIL() << "opened a missing file";
    } catch (const PdfError& error) {
        EXPECT_STREQ(error.what(), "Error");
    }
    EXPECT_THROW(TWideFileStream(path.u16string(), 3), PdfError);
    EXPECT_THROW(TWideFileStream(path.u16string(), 0x80), PdfError);
    std::filesystem::remove(path);
}

TEST(WideFileStream, CreateModeTruncatesAndWrites) {
    const auto path = std::filesystem::temp_directory_path() / "foldant_wide_stream_create.bin";
    std::ofstream(path, std::ios::binary) << "old content that is long";
    {
        TWideFileStream file(path.u16string(), TWideFileStream::kModeCreate);
        EXPECT_EQ(file.Size(), 0);
        EXPECT_EQ(file.Write("new", 3), 3);
    }
    TWideFileStream file(path.u16string(), TWideFileStream::kModeRead);
    EXPECT_EQ(ReadBytesAt(file, 0, 100), "new");
    std::filesystem::remove(path);
}

TEST(SortedOffsets, NextAfterFindsTheFollowingDistinctValue) {
    TSortedInt64List offsets;
    for (int64_t value : {50, 10, 30, 30, 90}) {
        offsets.Add(value);
    }
    offsets.Sort();
    EXPECT_EQ(offsets.NextAfter(10), 30);
    EXPECT_EQ(offsets.NextAfter(30), 50);
    EXPECT_EQ(offsets.NextAfter(31), 50);
    EXPECT_EQ(offsets.NextAfter(90), 90);
    EXPECT_EQ(offsets.NextAfter(5), 10);
    EXPECT_EQ(TSortedInt64List().NextAfter(5), -1);
}

}  // namespace
}  // namespace foldant
