#include <gtest/gtest.h>

#include <regex>
#include <utility>
#include <vector>

#include "pdf/encrypted_copy.h"
#include "pdf/pdf_cipher.h"
#include "pdf/pdf_library.h"
#include "pdf_builder.h"
#include "security_support.h"

namespace foldant {
namespace {

using testing_pdf::PdfBuilder;
using testing_security::OpenedFile;

const std::string kIdA = "<000102030405060708090a0b0c0d0e0f>";
const std::string kIdB = "<f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff>";

// Catalog, page tree, one page whose contents stream has a string in its dictionary and an
// indirect length, a gap at 5, an information dictionary and the length object.
std::string SourceDocument(const std::string& trailerExtra) {
    PdfBuilder pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R >>");
    pdf.Object(4, "<< /Length 7 0 R /Note (Inside) /Empty () >>\nstream\nHELLO\nendstream");
    pdf.Object(6, "<< /Title (Info title) /Keywords [(a) <62>] >>");
    pdf.Object(7, "5");
    pdf.Finish("/Root 1 0 R /Info 6 0 R " + trailerExtra);
    return pdf.Text();
}

struct CopyResult {
    bool ok = false;
    // Every copy sets it, a successful one to kNoRefusal.
    TPdfLibrary::Refusal failureCode = TPdfLibrary::kNotWritten;
    std::string bytes;
};

CopyResult Encrypt(const std::string& source, uint8_t level, uint8_t permissions = 15,
                   uint8_t extras = 15) {
    TMemoryStream input(source);
    TMemoryStream output;
    CopyResult result;
    result.ok = EncryptedCopyStreams(input, output, permissions, extras, level, result.failureCode);
    result.bytes = output.Bytes();
    return result;
}

std::string Decrypt(const TSmartPDFCrypt& crypt, int32_t number, const std::string& cipher) {
    return crypt.DecryptValue(crypt.ObjectKey(number, 0), cipher);
}

std::string StringIn(TPDFDictionary& dictionary, const char* name) {
    auto* text = As<TPDFString>(dictionary.GetValue(name));
    return text != nullptr ? text->Value : "<missing>";
}

std::vector<std::string> IdStrings(TSmartPDFReader& reader) {
    std::vector<std::string> strings;
    if (auto* id = As<TPDFArray>(reader.Trailer->GetValue("ID"))) {
        for (TPDFObject* item : id->Items) {
            auto* text = As<TPDFString>(item);
            strings.push_back(text != nullptr ? text->Value : "<not a string>");
        }
    }
    return strings;
}

TEST(SecurityCopy, Level1EverythingGranted) {
    const CopyResult copy = Encrypt(SourceDocument("/ID [" + kIdA + " " + kIdB + "]"), 1);
    ASSERT_TRUE(copy.ok);
    EXPECT_EQ(copy.failureCode, 0);
    EXPECT_EQ(copy.bytes.substr(0, 9), "%PDF-1.4\n");
    OpenedFile file(copy.bytes);
    ASSERT_EQ(file.reader.FailureCode, 0);
    EXPECT_EQ(file.info->EncryptionStatus(), "1");
    ASSERT_TRUE(file.info->Authenticated);

    const std::string dictionary = file.reader.GetObjectText(8);
    EXPECT_TRUE(std::regex_search(dictionary, std::regex("<<\n/Filter /Standard\n/V 2\n/R 3\n"
                                                         "/Length 128\n/O <[0-9A-Fa-f]{64}>\n"
                                                         "/U <[0-9A-Fa-f]{64}>\n/P -4\n>>")))
        << dictionary;
    const TSmartPDFEncryption& read = file.info->Encryption;
    EXPECT_EQ(read.UserEntry.substr(16), std::string(16, '\0'));
    // "O" of empty passwords does not depend on the file, so it is known in advance.
    EXPECT_EQ(read.OwnerEntry, ComputeRc4OwnerValue("", "", 3, 16));

    const TPDFDictionary& trailer = *file.reader.Trailer;
    EXPECT_EQ(trailer.GetValue("Encrypt")->WriteToText(), "8 0 R");
    EXPECT_EQ(trailer.GetInteger("Size", 0), 9);
    EXPECT_NE(As<TPDFNull>(file.reader.GetObject(5, nullptr)), nullptr);
}

TEST(SecurityCopy, StringsAndStreamDataUseTheirObjectsKey) {
    const CopyResult copy = Encrypt(SourceDocument(""), 1);
    ASSERT_TRUE(copy.ok);
    OpenedFile file(copy.bytes);
    ASSERT_TRUE(file.info->Authenticated);
    const TSmartPDFCrypt& crypt = *file.info->Crypt;

    auto* stream = As<TPDFStream>(file.reader.GetObject(4, nullptr));
    ASSERT_NE(stream, nullptr);
    EXPECT_NE(stream->Data, "HELLO");
    EXPECT_EQ(Decrypt(crypt, 4, stream->Data), "HELLO");
    EXPECT_EQ(Decrypt(crypt, 4, StringIn(*stream->Dictionary, "Note")), "Inside");
    EXPECT_NE(Decrypt(crypt, 6, StringIn(*stream->Dictionary, "Note")), "Inside");
    EXPECT_EQ(stream->Dictionary->GetInteger("Length", -1), 5);

    auto* info = As<TPDFDictionary>(file.reader.GetObject(6, nullptr));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(Decrypt(crypt, 6, StringIn(*info, "Title")), "Info title");
    auto* keywords = As<TPDFArray>(info->GetValue("Keywords"));
    ASSERT_NE(keywords, nullptr);
    EXPECT_EQ(Decrypt(crypt, 6, As<TPDFString>(keywords->Item(1))->Value), "b");
    EXPECT_EQ(As<TPDFString>(keywords->Item(1))->Mode, TPDFString::kHexadecimal);
}

TEST(SecurityCopy, Level0NothingGranted) {
    const CopyResult copy = Encrypt(SourceDocument(""), 0, 0, 0);
    ASSERT_TRUE(copy.ok);
    OpenedFile file(copy.bytes);
    ASSERT_TRUE(file.info->Authenticated);
    EXPECT_EQ(static_cast<int32_t>(file.info->Encryption.Permissions), -64);
    EXPECT_EQ(file.info->EncryptDict->IndexOfKey("Length"), -1);
    const TSmartPDFCrypt& crypt = *file.info->Crypt;
    EXPECT_EQ(crypt.FileKey.size(), 5u);
    EXPECT_EQ(crypt.ObjectKey(4, 0).size(), 10u);
    auto* stream = As<TPDFStream>(file.reader.GetObject(4, nullptr));
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(Decrypt(crypt, 4, stream->Data), "HELLO");
    EXPECT_TRUE(std::regex_search(file.reader.GetObjectText(8),
                                  std::regex("<<\n/Filter /Standard\n/V 1\n/R 2\n/O <")));
}

TEST(SecurityCopy, Level1NothingGrantedAndPrintingOnly) {
    OpenedFile nothing(Encrypt(SourceDocument(""), 1, 0, 0).bytes);
    EXPECT_EQ(static_cast<int32_t>(nothing.info->Encryption.Permissions), -3904);
    OpenedFile print(Encrypt(SourceDocument(""), 1, 1, 0).bytes);
    EXPECT_EQ(static_cast<int32_t>(print.info->Encryption.Permissions), -3900);
    EXPECT_TRUE(print.info->Authenticated);
}

TEST(SecurityCopy, Level2PadsEveryValueAndWritesVersion16) {
    const CopyResult copy = Encrypt(SourceDocument(""), 2);
    ASSERT_TRUE(copy.ok);
    EXPECT_EQ(copy.bytes.substr(0, 9), "%PDF-1.6\n");
    OpenedFile file(copy.bytes);
    ASSERT_TRUE(file.info->Authenticated);
    EXPECT_TRUE(std::regex_search(
        file.reader.GetObjectText(8),
        std::regex("<<\n/Filter /Standard\n/V 4\n/R 4\n/Length 128\n/StrF /StdCF\n/StmF /StdCF\n"
                   "/CF <<\n/StdCF <<\n/AuthEvent /DocOpen\n/Length 16\n/CFM /AESV2\n>>\n>>\n"
                   "/O <[0-9A-Fa-f]{64}>\n/U <[0-9A-Fa-f]{64}>\n/P -4\n>>")))
        << file.reader.GetObjectText(8);
    const TSmartPDFCrypt& crypt = *file.info->Crypt;
    auto* stream = As<TPDFStream>(file.reader.GetObject(4, nullptr));
    ASSERT_NE(stream, nullptr);
    const std::string empty = StringIn(*stream->Dictionary, "Empty");
    EXPECT_EQ(empty.size(), 32u);
    EXPECT_EQ(Decrypt(crypt, 4, empty), "");
    EXPECT_EQ(stream->Data.size(), 32u);
    EXPECT_EQ(stream->Dictionary->GetInteger("Length", -1), 32);
    EXPECT_EQ(Decrypt(crypt, 4, stream->Data), "HELLO");
}

TEST(SecurityCopy, Aes256LevelsWriteKeyEntriesBeforeThePermissions) {
    for (const auto& [level, revision] : {std::pair{3, 5}, std::pair{5, 6}}) {
        const CopyResult copy = Encrypt(SourceDocument(""), static_cast<uint8_t>(level), 1, 0);
        ASSERT_TRUE(copy.ok);
        EXPECT_EQ(copy.bytes.substr(0, 9), "%PDF-1.4\n");
        OpenedFile file(copy.bytes);
        ASSERT_TRUE(file.info->Authenticated) << level;
        const std::string pattern =
            "<<\n/Filter /Standard\n/V 5\n/R " + std::to_string(revision) +
            "\n/Length 256\n/StrF /StdCF\n/StmF /StdCF\n/CF <<\n/StdCF <<\n/AuthEvent /DocOpen\n"
            "/Length 32\n/CFM /AESV3\n>>\n>>\n/O <[0-9A-Fa-f]{96}>\n/U <[0-9A-Fa-f]{96}>\n"
            "/OE <[0-9A-Fa-f]{64}>\n/UE <[0-9A-Fa-f]{64}>\n/Perms <[0-9A-Fa-f]{32}>\n/P -3900\n>>";
        EXPECT_TRUE(std::regex_search(file.reader.GetObjectText(8), std::regex(pattern)))
            << file.reader.GetObjectText(8);
        auto* info = As<TPDFDictionary>(file.reader.GetObject(6, nullptr));
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(Decrypt(*file.info->Crypt, 6, StringIn(*info, "Title")), "Info title");
    }
}

TEST(SecurityCopy, SourceWithoutIdGetsOneNewStringTwice) {
    const CopyResult copy = Encrypt(SourceDocument(""), 1);
    ASSERT_TRUE(copy.ok);
    OpenedFile file(copy.bytes);
    const std::vector<std::string> id = IdStrings(file.reader);
    ASSERT_EQ(id.size(), 2u);
    EXPECT_EQ(id[0].size(), 16u);
    EXPECT_EQ(id[0], id[1]);
    EXPECT_TRUE(file.info->Authenticated);
}

TEST(SecurityCopy, SourceIdKeepsItsFirstStringWhichEntersTheKey) {
    const CopyResult copy =
        Encrypt(SourceDocument("/ID [" + kIdA + " " + kIdB + "] /XRefStm 9999"), 1);
    ASSERT_TRUE(copy.ok);
    OpenedFile file(copy.bytes);
    const std::vector<std::string> id = IdStrings(file.reader);
    ASSERT_EQ(id.size(), 2u);
    EXPECT_EQ(testing_security::Hex(id[0]), kIdA.substr(1, 32));
    EXPECT_NE(testing_security::Hex(id[1]), kIdB.substr(1, 32));
    EXPECT_EQ(file.reader.Trailer->IndexOfKey("XRefStm"), -1);
    ASSERT_TRUE(file.info->Authenticated);

    TSmartPDFCrypt withSecond;
    withSecond.Encryption = file.info->Encryption;
    withSecond.FileIdentifier = id[1];
    EXPECT_FALSE(withSecond.Authenticate(""));
}

// Records every byte range read, to show which parts of a file were looked at.
class RecordingStream : public TMemoryStream {
  public:
    using TMemoryStream::TMemoryStream;
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t start = Position();
        const int64_t n = TMemoryStream::Read(buffer, count);
        reads.emplace_back(start, start + n);
        return n;
    }
    bool Touched(int64_t from, int64_t to) const {
        for (const auto& [start, end] : reads) {
            if (start < to && from < end) {
                return true;
            }
        }
        return false;
    }
    std::vector<std::pair<int64_t, int64_t>> reads;
};

std::string EncryptedSource(const std::string& encryptBody) {
    PdfBuilder pdf;
    pdf.Raw("%" + std::string(2000, 'x') + "\n");
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    pdf.Object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>");
    pdf.Raw("%" + std::string(2000, 'y') + "\n");
    pdf.Object(4, encryptBody);
    pdf.Finish("/Root 1 0 R /Encrypt 4 0 R /ID [" + kIdA + " " + kIdA + "]");
    return pdf.Text();
}

TEST(SecurityCopy, EncryptedSourceIsRefusedUnreadWithAnEmptyOutput) {
    const std::string source =
        EncryptedSource("<< /Filter /Standard /V 2 /R 3 /Length 128 /P -4 /O <00> /U <00> >>");
    RecordingStream input(source);
    TMemoryStream output;
    TPdfLibrary::Refusal failureCode = TPdfLibrary::kNoRefusal;
    EXPECT_FALSE(EncryptedCopyStreams(input, output, 15, 15, 1, failureCode));
    EXPECT_EQ(failureCode, TPdfLibrary::kEncrypted);
    EXPECT_EQ(output.Size(), 0);
    const size_t catalog = source.find("1 0 obj");
    const size_t pages = source.find("%yyy");
    EXPECT_FALSE(input.Touched(static_cast<int64_t>(catalog), static_cast<int64_t>(pages)));
}

TEST(SecurityInfo, EncryptionStatusOfEachKindOfDictionary) {
    const struct {
        std::string body;
        std::string status;
    } cases[] = {
        {"<< /Filter /Standard /V 2 /R 3 /P -4 /O <00> /U <00> >>", "1"},
        {"<< /Filter /OtherHandler /V 4 >>", "1"},
        {"<< /Filter /Standard /R 3 >>", "9"},
        {"<< /Filter /Standard /V 0 >>", "9"},
        {"(not a dictionary)", "0"},
    };
    for (const auto& c : cases) {
        TMemoryStream input(EncryptedSource(c.body));
        TSmartPDFReader reader(input);
        TSmartPDFInfo info(reader, false, std::u16string());
        EXPECT_EQ(info.EncryptionStatus(), c.status) << c.body;
    }
    TMemoryStream plain(SourceDocument(""));
    TSmartPDFReader reader(plain);
    TSmartPDFInfo info(reader, true, std::u16string());
    EXPECT_EQ(info.EncryptionStatus(), "0");
    EXPECT_EQ(info.PageCount, 1);
    EXPECT_TRUE(info.Encryption.MetadataEncrypted);
    EXPECT_EQ(info.Encryption.UsesAES, 0);
}

TEST(SecurityInfo, ReadsTheRecordOfAnAes128Dictionary) {
    TMemoryStream input(EncryptedSource(
        "<< /Filter /Standard /V 4 /R 4 /Length 128 /StrF /StdCF /StmF /StdCF /EncryptMetadata "
        "false /CF << /StdCF << /CFM /AESV2 >> >> /P -3904 /O <01> /U <02> >>"));
    TSmartPDFReader reader(input);
    TSmartPDFInfo info(reader, false, std::u16string());
    EXPECT_EQ(info.Encryption.UsesAES, 1);
    EXPECT_EQ(info.Encryption.KeyBits, 128);
    EXPECT_FALSE(info.Encryption.MetadataEncrypted);
    EXPECT_EQ(static_cast<int32_t>(info.Encryption.Permissions), -3904);
    EXPECT_EQ(info.Encryption.OwnerEntry, "\x01");
    EXPECT_FALSE(info.Authenticated);
}

TEST(SecurityCopy, RefusesWhatIsNotAPdfOrNotALevel) {
    const CopyResult text = Encrypt("just some text", 1);
    EXPECT_FALSE(text.ok);
    EXPECT_EQ(text.failureCode, TPdfLibrary::kNotReadable);
    EXPECT_TRUE(text.bytes.empty());
    const CopyResult four = Encrypt(SourceDocument(""), 4);
    EXPECT_FALSE(four.ok);
    EXPECT_TRUE(four.bytes.empty());
}

}  // namespace
}  // namespace foldant
