#include "pdf/encrypted_copy.h"

#include <memory>

#include "pdf/copy_loop.h"
#include "pdf/new_trailer.h"
#include "pdf/page_tree.h"
#include "pdf/pdf_encryption.h"
#include "pdf/pdf_keys.h"
#include "pdf/pdf_library.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/smart_pdf_writer.h"
#include "pdf/wide_file_stream.h"
#include "platform/file_system.h"
#include "platform/windows1252.h"

namespace foldant {

namespace {

// Every object under its own number and generation, encrypted with its own key.
class TEncryptingCopy final : public TObjectCopy {
  public:
    TEncryptingCopy(TSmartPDFReader& reader, TSmartPDFInfo& info) : reader_(reader), info_(info) {}

    int32_t HighestNumber() override { return reader_.ObjectCount(); }
    int32_t GenerationOf(int32_t number) override { return reader_.GetGeneration(number); }
    TPDFObject* Read(int32_t number, TPDFStructure& store) override {
        return reader_.GetObject(number, &store);
    }
    std::string Text(TPDFObject& object, int32_t number, int32_t generation) override {
        info_.EncryptObject(object, number, generation);
        return object.WriteToText();
    }

  private:
    TSmartPDFReader& reader_;
    TSmartPDFInfo& info_;
};

}  // namespace

bool EncryptedCopyStreams(TByteStream& source, TByteStream& destination, uint8_t permissionFlags,
                          uint8_t extraFlags, uint8_t level, TPdfLibrary::Refusal& failureCode) {
    failureCode = TPdfLibrary::kNoRefusal;
    if (!IsProtectionLevel(level)) {
        return false;
    }
    TSmartPDFReader reader(source);
    if (reader.FailureCode != TSmartPDFReader::kOpened) {
        failureCode = TPdfLibrary::kNotReadable;
        return false;
    }
    TSmartPDFInfo info(reader, false, std::u16string());
    if (info.EncryptionState != TSmartPDFInfo::kNotEncrypted) {
        failureCode = TPdfLibrary::kEncrypted;
        return false;
    }
    TPDFStructure trailerStore;
    const TNewTrailer newTrailer = NewTrailer(reader, trailerStore);
    TPDFDictionary& trailer = newTrailer.Dictionary;
    // A hybrid file's pointer to its cross-reference stream would lead readers of the copy to
    // bytes that are no such stream, and they would then miss the encryption dictionary.
    trailer.DeleteKey(kXRefStm);

    const int32_t highest = reader.ObjectCount();
    TPDFDictionary& encrypt =
        info.SetupEncryption(newTrailer, "", "", highest + 1, level, permissionFlags, extraFlags);
    TSmartPDFWriter writer(destination);
    writer.WriteHeader(LevelParameters(level).HeaderVersion);
    TEncryptingCopy copy(reader, info);
    CopyEveryObject(copy, 0, writer);
    writer.WriteObject(highest + 1, 0, encrypt.WriteToText());
    writer.WriteXRefAndTrailer(trailer, false, 0);
    if (writer.WriteFailed()) {
        failureCode = TPdfLibrary::kNotWritten;
        return false;
    }
    return destination.Size() > 0;
}

bool EncryptedCopyFiles(const std::string& source, const std::string& destination,
                        uint8_t permissionFlags, uint8_t extraFlags, uint8_t level,
                        TPdfLibrary::Refusal& failureCode) {
    TWideFileStream sourceFile(AnsiToUtf16(source), TWideFileStream::kModeRead);
    platform::DeleteFile(destination);
    TWideFileStream destinationFile(AnsiToUtf16(destination), TWideFileStream::kModeCreate);
    int32_t pages = 0;
    {
        TSmartPDFReader counter(sourceFile);
        pages = counter.FailureCode == TSmartPDFReader::kOpened ? CountPages(counter) : 0;
    }
    if (!EncryptedCopyStreams(sourceFile, destinationFile, permissionFlags, extraFlags, level,
                              failureCode)) {
        return false;
    }
    if (!destinationFile.Close() || !ReadsBackComplete(destination, pages)) {
        failureCode = TPdfLibrary::kNotWritten;
        return false;
    }
    return true;
}

bool TPdfLibraryEx::EncryptedCopy(const std::string& source, const std::string& destination,
                                  uint8_t permissionFlags, uint8_t extraFlags, uint8_t level) {
    return EncryptedCopyFiles(source, destination, permissionFlags, extraFlags, level, FailureCode);
}

}  // namespace foldant
