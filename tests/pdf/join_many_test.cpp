#include <gtest/gtest.h>

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
using Refusals = std::vector<TPdfLibrary::Refusal>;

using testing_pdf::DocumentOfPages;

// A document of one page with an encryption dictionary, which no join takes.
std::string EncryptedDocument() {
    return DocumentOfPages(1, "", {"<< /Filter /Standard /V 1 /R 2 /O <00> /U <00> /P -4 >>"},
                           "/MediaBox [0 0 612 792]", "/Encrypt 4 0 R");
}

// One page and an outline of `titles` top-level items: the outline dictionary is object 4, the
// items 5...
std::string OutlinedDocument(const std::vector<std::string>& titles) {
    const int count = static_cast<int>(titles.size());
    std::vector<std::string> tail{"<< /Type /Outlines /First 5 0 R /Last " +
                                  std::to_string(4 + count) + " 0 R /Count " +
                                  std::to_string(count) + " >>"};
    for (int i = 0; i < count; ++i) {
        std::string item =
            "<< /Title (" + titles[static_cast<size_t>(i)] + ") /Parent 4 0 R /Dest [ 3 0 R /Fit ]";
        if (i > 0) {
            item += " /Prev " + std::to_string(4 + i) + " 0 R";
        }
        if (i + 1 < count) {
            item += " /Next " + std::to_string(6 + i) + " 0 R";
        }
        tail.push_back(item + " >>");
    }
    return DocumentOfPages(1, "/Outlines 4 0 R", tail);
}

// The one-pass join of the inputs onto `first`, read back. A missing item stands for a file
// that could not be opened.
class JoinedMany : public testing_pdf::ReadBack {
  public:
    JoinedMany(const std::string& first, const std::vector<const std::string*>& items) {
        TMemoryStream a(first);
        std::vector<std::unique_ptr<TMemoryStream>> streams;
        std::vector<TByteStream*> inputs;
        for (const std::string* item : items) {
            if (item == nullptr) {
                inputs.push_back(nullptr);
                continue;
            }
            streams.push_back(std::make_unique<TMemoryStream>(*item));
            inputs.push_back(streams.back().get());
        }
        TPdfLibrary library;
        Result = library.JoinStreams(a, inputs, output_);
        FailureCode = library.FailureCode;
        ItemRefusals = library.ItemRefusals;
        OutputPages = library.OutputPages;
        Open(output_.Bytes());
    }

    const std::string& Bytes() const { return output_.Bytes(); }

    int32_t Result = 0;
    TPdfLibrary::Refusal FailureCode = TPdfLibrary::kNoRefusal;
    Refusals ItemRefusals;
    int32_t OutputPages = 0;

  private:
    TMemoryStream output_;
};

// Each file's objects follow those of the files before it; every page tree hangs under the
// first root in the order of the files.
TEST(JoinMany, NumbersEachFileAfterThoseBeforeItAndHangsTheTreesInOrder) {
    const std::string first = DocumentOfPages(1);
    const std::string two = DocumentOfPages(2);
    const std::string three = DocumentOfPages(3);
    JoinedMany joined(first, {&two, &three, &two});
    ASSERT_EQ(joined.Result, 1);
    EXPECT_EQ(joined.ItemRefusals, Refusals(3, TPdfLibrary::kNoRefusal));
    // The first file: objects 1 to 3 and its new form 4. Then 4, 5 and 4 objects.
    EXPECT_EQ(joined.Entry(1, "AcroForm"), "4 0 R");
    EXPECT_EQ(joined.Entry(2, "Kids"), "[ 3 0 R 6 0 R 10 0 R 15 0 R ]");
    EXPECT_EQ(joined.Entry(2, "Count"), "8");
    for (int32_t root : {6, 10, 15}) {
        EXPECT_EQ(joined.Entry(root, "Parent"), "2 0 R") << root;
    }
    EXPECT_EQ(joined.Entry(12, "Parent"), "10 0 R");
    EXPECT_EQ(joined.Entry(17, "Parent"), "15 0 R");
    EXPECT_EQ(joined.TrailerEntry("Size"), "18");
    EXPECT_EQ(joined.Reader->ObjectCount(), 17);
    EXPECT_EQ(joined.Pages(), 8);
    EXPECT_EQ(joined.OutputPages, 8);
}

// The first file has no outline: the first one joined that has one gives the dictionary, and
// the later ones chain on to its last item.
TEST(JoinMany, OutlinesOfTheLaterFilesChainOnToTheFirstOutlineJoined) {
    const std::string first = DocumentOfPages(1);
    const std::string plain = DocumentOfPages(1);
    const std::string two = OutlinedDocument({"a", "b"});
    const std::string three = OutlinedDocument({"c"});
    const std::string four = OutlinedDocument({"d", "e", "f"});
    JoinedMany joined(first, {&plain, &two, &three, &four});
    ASSERT_EQ(joined.Result, 1);

    const int32_t outlines = joined.RefNumber(1, "Outlines");
    ASSERT_NE(outlines, 0);
    EXPECT_EQ(joined.Entry(outlines, "Count"), "6");
    std::string titles;
    int32_t previous = 0;
    int32_t item = joined.RefNumber(outlines, "First");
    for (int guard = 0; item != 0 && guard < 10; ++guard) {
        titles += joined.Entry(item, "Title");
        EXPECT_EQ(joined.RefNumber(item, "Parent"), outlines) << item;
        EXPECT_EQ(joined.RefNumber(item, "Prev"), previous) << item;
        previous = item;
        item = joined.RefNumber(item, "Next");
    }
    EXPECT_EQ(titles, "(a)(b)(c)(d)(e)(f)");
    EXPECT_EQ(joined.RefNumber(outlines, "Last"), previous);
}

TEST(JoinMany, OutlinesOfTheFirstFileStayInFrontAndCountEveryItem) {
    const std::string first = OutlinedDocument({"a"});
    const std::string two = OutlinedDocument({"b", "c"});
    const std::string plain = DocumentOfPages(2);
    const std::string three = OutlinedDocument({"d"});
    JoinedMany joined(first, {&two, &plain, &three});
    ASSERT_EQ(joined.Result, 1);
    EXPECT_EQ(joined.Entry(1, "Outlines"), "4 0 R");
    EXPECT_EQ(joined.Entry(4, "Count"), "4");
    std::string titles;
    for (int32_t item = joined.RefNumber(4, "First"), guard = 0; item != 0 && guard < 10;
         item = joined.RefNumber(item, "Next"), ++guard) {
        titles += joined.Entry(item, "Title");
    }
    EXPECT_EQ(titles, "(a)(b)(c)(d)");
}

TEST(JoinMany, FieldsOfEveryFileJoinTheFirstForm) {
    const std::string first = DocumentOfPages(1);
    const std::string two =
        DocumentOfPages(1, "/AcroForm << /Fields [ 4 0 R ] >>",
                        {"<< /FT /Tx /T (two) /Rect [0 0 10 10] /P 3 0 R /Subtype /Widget >>"});
    const std::string three =
        DocumentOfPages(1, "/AcroForm << /Fields [ 4 0 R ] /NeedAppearances true >>",
                        {"<< /FT /Tx /T (three) /Rect [0 0 10 10] /P 3 0 R /Subtype /Widget >>"});
    JoinedMany joined(first, {&two, &three});
    ASSERT_EQ(joined.Result, 1);
    const int32_t form = joined.RefNumber(1, "AcroForm");
    ASSERT_NE(form, 0);
    EXPECT_EQ(joined.Entry(form, "NeedAppearances"), "true");
    auto* fields = As<TPDFArray>(joined.Dict(form)->GetValue("Fields"));
    ASSERT_NE(fields, nullptr);
    std::string names;
    for (TPDFObject* field : fields->Items) {
        names += joined.Entry(As<TPDFIndRef>(field)->RefNumber, "T");
    }
    EXPECT_EQ(names, "(two)(three)");
}

// Each item that cannot be joined is left out with its reason; the rest join as if it were not
// there.
TEST(JoinMany, RefusedItemsAreLeftOutAndTheOthersJoin) {
    const std::string first = DocumentOfPages(1);
    const std::string good = DocumentOfPages(2);
    const std::string encrypted = EncryptedDocument();
    const std::string notPdf = "nothing of a PDF file";
    JoinedMany joined(first, {&good, &encrypted, &notPdf, nullptr, &good});
    ASSERT_EQ(joined.Result, 1);
    EXPECT_EQ(joined.ItemRefusals,
              (Refusals{TPdfLibrary::kNoRefusal, TPdfLibrary::kEncrypted, TPdfLibrary::kNotReadable,
                        TPdfLibrary::kNotOpened, TPdfLibrary::kNoRefusal}));
    EXPECT_EQ(joined.FailureCode, TPdfLibrary::kNoRefusal);
    EXPECT_EQ(joined.Pages(), 5);
    EXPECT_EQ(joined.Entry(2, "Kids"), "[ 3 0 R 6 0 R 10 0 R ]");
}

TEST(JoinMany, NothingIsWrittenWhenNoItemCanBeJoined) {
    const std::string first = DocumentOfPages(1);
    const std::string notPdf = "%PDF-1.4 and nothing else";
    JoinedMany joined(first, {nullptr, &notPdf});
    EXPECT_EQ(joined.Result, 0);
    EXPECT_EQ(joined.FailureCode, TPdfLibrary::kNotReadable);
    EXPECT_EQ(joined.ItemRefusals, (Refusals{TPdfLibrary::kNotOpened, TPdfLibrary::kNotReadable}));
    EXPECT_TRUE(joined.Bytes().empty());
}

// A first file that cannot take pages refuses every item, the encrypted ones as encrypted.
TEST(JoinMany, AnEncryptedFirstFileRefusesEveryItem) {
    const std::string first = EncryptedDocument();
    const std::string good = DocumentOfPages(1);
    JoinedMany joined(first, {&good, &good});
    EXPECT_EQ(joined.Result, 0);
    EXPECT_EQ(joined.FailureCode, TPdfLibrary::kEncrypted);
    EXPECT_EQ(joined.ItemRefusals, Refusals(2, TPdfLibrary::kEncrypted));
    EXPECT_TRUE(joined.Bytes().empty());
}

}  // namespace
}  // namespace foldant
