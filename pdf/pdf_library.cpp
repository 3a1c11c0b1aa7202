#include "pdf/pdf_library.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "pdf/buffered_read_stream.h"
#include "pdf/compact_writer.h"
#include "pdf/named_destinations.h"
#include "pdf/new_trailer.h"
#include "pdf/object_copy.h"
#include "pdf/page_tree.h"
#include "pdf/pdf_error.h"
#include "pdf/smart_pdf_document.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/smart_pdf_writer.h"
#include "pdf/wide_file_stream.h"
#include "platform/file_system.h"
#include "platform/windows1252.h"

namespace foldant {

namespace {

// The copy store is renewed once it holds more objects than this.
constexpr int32_t kCopyStoreLimit = 100;

bool IsEncrypted(TSmartPDFReader& reader) {
    return reader.Trailer != nullptr && reader.GetTrailerDictionary("Encrypt") != nullptr;
}

// Whether the document has a page tree that can take or give pages.
bool HasPageTree(TSmartPDFDocument& document) {
    return document.Catalog != nullptr && document.PageTreeRoot != nullptr &&
           document.PageTreeRootRef != nullptr;
}

struct RootId {
    int32_t number = 0;
    int32_t generation = 0;
};

RootId RootOf(const TSmartPDFDocument& document) {
    return {document.PageTreeRootRef->RefNumber, document.PageTreeRootRef->RefGeneration};
}

// Writes the objects 1..HighestNumber of one document, renumbered by `offset`; a number without
// an object is written as null so every number of the output is present.
template <class Writer>
void CopyObjects(TSmartPDFDocument& document, int32_t offset, Writer& writer) {
    auto store = std::make_unique<TPDFStructure>();
    const int32_t highest = document.HighestNumber();
    std::string region;
    const StreamLengthLookup lengthOf = [&document](int32_t number) -> std::optional<int64_t> {
        auto* length = As<TPDFNumeric>(document.GetObject(number, nullptr));
        if (length == nullptr || length->Value != static_cast<double>(length->AsInteger())) {
            return std::nullopt;
        }
        return length->AsInteger();
    };
    // The compacting writer finds equal streams by their text, which the long way writes alike
    // for every input; the plain join takes stream data as it stands.
    const StreamLengthLookup* streams =
        std::is_same_v<Writer, TSmartPDFWriter> ? &lengthOf : nullptr;
    for (int32_t n = 1; n <= highest; ++n) {
        const std::string* edited = document.EditedText(n);
        if (edited != nullptr || !document.HasOwnVersion(n)) {
            const std::string_view body = edited != nullptr ? std::string_view(*edited)
                                                            : document.Reader.ObjectText(n, region);
            if (std::optional<std::string> copy = CopyRenumbered(body, offset, streams)) {
                writer.WriteObject(n + offset, document.GenerationOf(n), *copy);
                continue;
            }
        }
        TPDFObject* object = document.GetObject(n, store.get());
        if (object == nullptr) {
            writer.WriteObject(n + offset, document.GenerationOf(n), "null");
        } else {
            if (offset != 0) {
                object->ShiftObjectNumbers(offset);
            }
            writer.WriteObject(n + offset, document.GenerationOf(n), object->WriteToText());
        }
        if (store->Count() > kCopyStoreLimit) {
            store->Clear();
        }
    }
}

void SetTrailerSize(TPDFDictionary& trailer, int32_t size) {
    TPDFStructure& store = trailer.Owner;
    trailer.SetEntry(store.NewName("Size"), store.NewNumber(size));
    // A hybrid file's pointer to its cross-reference stream would lead readers of the new file
    // to bytes that are no such stream.
    trailer.RemoveKey("XRefStm");
}

// The refusal code for the inputs, or 0 when they can be joined. Without a page tree on both
// sides the output could not hold the pages of both files.
TPdfLibrary::Refusal RefusalOf(TSmartPDFReader& readerA, TSmartPDFDocument& a,
                               TSmartPDFReader& readerB, TSmartPDFDocument& b, bool encrypted) {
    if (encrypted) {
        return TPdfLibrary::kEncrypted;
    }
    if (readerA.FailureCode != TSmartPDFReader::kOpened ||
        readerB.FailureCode != TSmartPDFReader::kOpened) {
        return TPdfLibrary::kNotReadable;
    }
    a.EnsurePageTreeRoot();
    b.EnsurePageTreeRoot();
    if (!HasPageTree(a) || !HasPageTree(b) || a.RootKids() == nullptr) {
        return TPdfLibrary::kNotReadable;
    }
    return TPdfLibrary::kNoRefusal;
}

// Hangs the second page tree under the first root and joins forms and outlines; every change
// is registered in the document whose number range it belongs to.
void LinkDocuments(TSmartPDFDocument& a, TSmartPDFDocument& b, const RootId& rootA,
                   const RootId& rootB, int32_t q) {
    b.PushDownPageBoxes();
    b.SetRootParent(rootA.number - q, rootA.generation);
    const int32_t added = b.PageCount();
    a.AppendRootKid(rootB.number + q, rootB.generation, added);
    if (b.FormDict != nullptr) {
        b.PushDownFieldDefaults();
        a.MergeFormResources(b, q);
        a.MergeForm(b.FieldsArray(), b.CalcOrderArray(), b.NeedAppearances(), q);
    }
    if (b.HasOutlines()) {
        if (a.HasOutlines()) {
            a.JoinOutlines(b, q);
        } else {
            a.AdoptOutlines(*As<TPDFIndRef>(b.Catalog->GetValue("Outlines")), q);
        }
    }
    JoinNamedDestinations(a, b, q);
}

}  // namespace

int32_t TPdfLibrary::JoinStreams(TByteStream& first, TByteStream& second, TByteStream& output) {
    TSmartPDFReader readerA(first);
    TSmartPDFReader readerB(second);
    const bool encrypted = IsEncrypted(readerA) || IsEncrypted(readerB);
    TSmartPDFDocument a(readerA);
    TSmartPDFDocument b(readerB);
    FailureCode = RefusalOf(readerA, a, readerB, b, encrypted);
    OutputPages = 0;
    if (FailureCode != kNoRefusal) {
        return 0;
    }
    OutputPages = CountPages(readerA) + CountPages(readerB);

    TPDFStructure trailerStore;
    TPDFDictionary& trailer = NewTrailer(readerA, trailerStore).Dictionary;
    TSmartPDFWriter writer(output);
    writer.WriteHeader("1.4");
    const RootId rootA = RootOf(a);
    const RootId rootB = RootOf(b);
    a.EnsureForm();
    const int32_t q = a.HighestNumber();
    LinkDocuments(a, b, rootA, rootB, q);

    if (Compact) {
        TCompactWriter compact;
        CopyObjects(a, 0, compact);
        CopyObjects(b, q, compact);
        SetTrailerSize(trailer, a.HighestNumber() + b.HighestNumber() + 1);
        compact.Finish(trailer, writer);
    } else {
        CopyObjects(a, 0, writer);
        CopyObjects(b, q, writer);
        SetTrailerSize(trailer, a.HighestNumber() + b.HighestNumber() + 1);
        writer.WriteXRefAndTrailer(trailer, false, 0);
    }
    if (writer.WriteFailed()) {
        FailureCode = kNotWritten;
        return 0;
    }
    return 1;
}

int32_t TPdfLibrary::CompactStream(TByteStream& source, TByteStream& output) {
    TSmartPDFReader reader(source);
    TSmartPDFDocument document(reader);
    OutputPages = 0;
    FailureCode = kNoRefusal;
    if (IsEncrypted(reader)) {
        FailureCode = kEncrypted;
    } else if (reader.FailureCode != TSmartPDFReader::kOpened || reader.Trailer == nullptr ||
               document.Catalog == nullptr) {
        // Without a catalog nothing is reachable, and the copy would be an empty file.
        FailureCode = kNotReadable;
    }
    if (FailureCode != kNoRefusal) {
        return 0;
    }
    OutputPages = CountPages(reader);
    TPDFStructure trailerStore;
    TPDFDictionary& trailer = NewTrailer(reader, trailerStore).Dictionary;
    TSmartPDFWriter writer(output);
    writer.WriteHeader("1.4");
    TCompactWriter compact;
    CopyObjects(document, 0, compact);
    SetTrailerSize(trailer, document.HighestNumber() + 1);
    compact.Finish(trailer, writer);
    if (writer.WriteFailed()) {
        FailureCode = kNotWritten;
        return 0;
    }
    return 1;
}

bool TPdfLibraryEx::JoinFiles(const std::string& first, const std::string& second,
                              const std::string& output) {
    TWideFileStream firstFile(AnsiToUtf16(first), TWideFileStream::kModeRead);
    TWideFileStream secondFile(AnsiToUtf16(second), TWideFileStream::kModeRead);
    platform::DeleteFile(output);
    TWideFileStream outputFile(AnsiToUtf16(output), TWideFileStream::kModeCreate);
    TBufferedReadStream firstInput(firstFile);
    TBufferedReadStream secondInput(secondFile);
    if (JoinStreams(firstInput, secondInput, outputFile) != 1) {
        return false;
    }
    if (!outputFile.Close() || !ReadsBackComplete(output, OutputPages)) {
        FailureCode = kNotWritten;
        return false;
    }
    return true;
}

bool TPdfLibraryEx::CompactFile(const std::string& source, const std::string& output) {
    TWideFileStream sourceFile(AnsiToUtf16(source), TWideFileStream::kModeRead);
    platform::DeleteFile(output);
    TWideFileStream outputFile(AnsiToUtf16(output), TWideFileStream::kModeCreate);
    TBufferedReadStream input(sourceFile);
    if (CompactStream(input, outputFile) != 1) {
        return false;
    }
    if (!outputFile.Close() || !ReadsBackComplete(output, OutputPages)) {
        FailureCode = kNotWritten;
        return false;
    }
    return true;
}

bool ReadsBackComplete(const std::string& path, int32_t minimumPages) {
    try {
        TWideFileStream file(AnsiToUtf16(path), TWideFileStream::kModeRead);
        TBufferedReadStream input(file);
        TSmartPDFReader reader(input);
        return reader.FailureCode == TSmartPDFReader::kOpened && reader.Trailer != nullptr &&
               CountPages(reader) >= minimumPages;
    } catch (const PdfError&) {
        return false;
    }
}

}  // namespace foldant
