#include "pdf/encrypted_copy.h"

#include <memory>

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

// The object store is renewed once it holds more objects than this.
constexpr int32_t kCopyStoreLimit = 100;

// Every number 1..highest under its own number and generation, encrypted with its own key; a
// number without an object is written as null.
void WriteEncryptedObjects(TSmartPDFReader& reader, TSmartPDFInfo& info, int32_t highest,
                           TSmartPDFWriter& writer) {
    auto store = std::make_unique<TPDFStructure>();
    for (int32_t n = 1; n <= highest; ++n) {
        const int32_t generation = reader.GetGeneration(n);
        TPDFObject* object = reader.GetObject(n, store.get());
        if (object == nullptr) {
            writer.WriteObject(n, generation, "null");
        } else {
            info.EncryptObject(*object, n, generation);
            writer.WriteObject(n, generation, object->WriteToText());
        }
        if (store->Count() > kCopyStoreLimit) {
            store = std::make_unique<TPDFStructure>();
        }
    }
}

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
    WriteEncryptedObjects(reader, info, highest, writer);
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
