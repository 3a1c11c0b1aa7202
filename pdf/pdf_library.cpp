#include "pdf/pdf_library.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "pdf/buffered_read_stream.h"
#include "pdf/compact_writer.h"
#include "pdf/copy_loop.h"
#include "pdf/document_join.h"
#include "pdf/new_trailer.h"
#include "pdf/object_copy.h"
#include "pdf/page_tree.h"
#include "pdf/pdf_error.h"
#include "pdf/pdf_keys.h"
#include "pdf/smart_pdf_document.h"
#include "pdf/smart_pdf_reader.h"
#include "pdf/smart_pdf_writer.h"
#include "pdf/wide_file_stream.h"
#include "platform/file_system.h"
#include "platform/windows1252.h"

namespace foldant {

namespace {

bool IsEncrypted(TSmartPDFReader& reader) {
    return reader.Trailer != nullptr && reader.GetTrailerDictionary(kEncrypt) != nullptr;
}

// Whether the document has a page tree that can take or give pages.
bool HasPageTree(TSmartPDFDocument& document) {
    return document.Catalog != nullptr && document.PageTreeRoot != nullptr &&
           document.PageTreeRootRef != nullptr;
}

// The join's copy of one document: every object moves up by the document's offset. An object
// the join did not change, or changed only to write it (a page that received its boxes), is
// copied as its bytes with its references renumbered; the rest are written from the object model.
class TRenumberedCopy final : public TObjectCopy {
  public:
    // `takeStreamData`: stream data whose length fits is copied as it stands. The compacting
    // writer finds equal streams by their text, which the long way writes alike for every
    // input, so it goes without.
    TRenumberedCopy(TSmartPDFDocument& document, int32_t offset, bool takeStreamData)
        : document_(document), offset_(offset), takeStreamData_(takeStreamData) {}

    int32_t HighestNumber() override { return document_.HighestNumber(); }
    int32_t GenerationOf(int32_t number) override { return document_.GenerationOf(number); }

    std::optional<std::string> CopyBytes(int32_t number) override {
        const std::string* edited = document_.EditedText(number);
        if (edited == nullptr && document_.HasOwnVersion(number)) {
            return std::nullopt;
        }
        const std::string_view body = edited != nullptr
                                          ? std::string_view(*edited)
                                          : document_.Reader.ObjectText(number, region_);
        const StreamLengthLookup lengthOf = [this](int32_t length) { return LengthValue(length); };
        return CopyRenumbered(body, offset_, takeStreamData_ ? &lengthOf : nullptr);
    }

    TPDFObject* Read(int32_t number, TPDFStructure& store) override {
        return document_.GetObject(number, &store);
    }

    std::string Text(TPDFObject& object, int32_t, int32_t) override {
        if (offset_ != 0) {
            object.ShiftObjectNumbers(offset_);
        }
        return object.WriteToText();
    }

  private:
    std::optional<int64_t> LengthValue(int32_t number) {
        auto* length = As<TPDFNumeric>(document_.GetObject(number, nullptr));
        if (length == nullptr || length->Value != static_cast<double>(length->AsInteger())) {
            return std::nullopt;
        }
        return length->AsInteger();
    }

    TSmartPDFDocument& document_;
    int32_t offset_;
    bool takeStreamData_;
    std::string region_;
};

template <class Writer>
void CopyObjects(TSmartPDFDocument& document, int32_t offset, Writer& writer) {
    TRenumberedCopy copy(document, offset, std::is_same_v<Writer, TSmartPDFWriter>);
    CopyEveryObject(copy, offset, writer);
}

void SetTrailerSize(TPDFDictionary& trailer, int32_t size) {
    TPDFStructure& store = trailer.Owner;
    trailer.SetEntry(store.NewName(std::string(kSize)), store.NewNumber(size));
    // A hybrid file's pointer to its cross-reference stream would lead readers of the new file
    // to bytes that are no such stream.
    trailer.RemoveKey(kXRefStm);
}

// One input of a join: its reader and its editing layer, or why it cannot be joined.
struct JoinInput {
    explicit JoinInput(TByteStream& stream)
        : reader(std::make_unique<TSmartPDFReader>(stream)),
          encrypted(IsEncrypted(*reader)),
          document(std::make_unique<TSmartPDFDocument>(*reader)) {}

    // Without a page tree the document could neither take nor give pages.
    bool Usable() {
        if (reader->FailureCode != TSmartPDFReader::kOpened) {
            return false;
        }
        document->EnsurePageTreeRoot();
        return HasPageTree(*document);
    }

    std::unique_ptr<TSmartPDFReader> reader;
    bool encrypted = false;
    std::unique_ptr<TSmartPDFDocument> document;
};

// Why an item cannot be joined onto `first` (whose own refusal, if any, is `firstRefusal`):
// encryption on either side first, then a file that is not readable as PDF.
TPdfLibrary::Refusal RefusalOf(TPdfLibrary::Refusal firstRefusal, JoinInput& item) {
    if (firstRefusal == TPdfLibrary::kEncrypted || item.encrypted) {
        return TPdfLibrary::kEncrypted;
    }
    if (firstRefusal != TPdfLibrary::kNoRefusal || !item.Usable()) {
        return TPdfLibrary::kNotReadable;
    }
    return TPdfLibrary::kNoRefusal;
}

TPdfLibrary::Refusal RefusalOfFirst(JoinInput& first) {
    if (first.encrypted) {
        return TPdfLibrary::kEncrypted;
    }
    if (!first.Usable() || first.document->RootKids() == nullptr) {
        return TPdfLibrary::kNotReadable;
    }
    return TPdfLibrary::kNoRefusal;
}

template <class Writer>
void CopyParts(const TDocumentJoin& join, Writer& writer) {
    for (const TDocumentJoin::Part& part : join.Parts()) {
        CopyObjects(*part.Document, part.Offset, writer);
    }
}

// An input file opened for the join, read through a buffer.
class OpenedFile {
  public:
    explicit OpenedFile(const std::string& path)
        : file_(AnsiToUtf16(path), TWideFileStream::kModeRead), input_(file_) {}
    TByteStream& Input() { return input_; }

  private:
    TWideFileStream file_;
    TBufferedReadStream input_;
};

}  // namespace

int32_t TPdfLibrary::JoinStreams(TByteStream& first, TByteStream& second, TByteStream& output) {
    return JoinStreams(first, std::vector<TByteStream*>{&second}, output);
}

int32_t TPdfLibrary::JoinStreams(TByteStream& first, const std::vector<TByteStream*>& items,
                                 TByteStream& output) {
    JoinInput a(first);
    const Refusal firstRefusal = RefusalOfFirst(a);
    // Every input stays open until its objects are written; a refused one is dropped at once.
    std::vector<std::unique_ptr<JoinInput>> joined;
    ItemRefusals.assign(items.size(), kNoRefusal);
    FailureCode = kNoRefusal;
    OutputPages = firstRefusal == kNoRefusal ? CountPages(*a.reader) : 0;
    for (size_t k = 0; k < items.size(); ++k) {
        if (items[k] == nullptr) {
            ItemRefusals[k] = FailureCode = kNotOpened;
            continue;
        }
        auto item = std::make_unique<JoinInput>(*items[k]);
        if (const Refusal refusal = RefusalOf(firstRefusal, *item); refusal != kNoRefusal) {
            ItemRefusals[k] = FailureCode = refusal;
            continue;
        }
        OutputPages += CountPages(*item->reader);
        joined.push_back(std::move(item));
    }
    if (joined.empty()) {
        OutputPages = 0;
        return 0;
    }
    FailureCode = kNoRefusal;

    TPDFStructure trailerStore;
    TPDFDictionary& trailer = NewTrailer(*a.reader, trailerStore).Dictionary;
    TSmartPDFWriter writer(output);
    writer.WriteHeader("1.4");
    TDocumentJoin join(*a.document);
    for (const std::unique_ptr<JoinInput>& item : joined) {
        join.Append(*item->document);
    }
    join.Finish();
    SetTrailerSize(trailer, join.HighestNumber() + 1);
    if (Compact) {
        TCompactWriter compact;
        CopyParts(join, compact);
        compact.Finish(trailer, writer);
    } else {
        CopyParts(join, writer);
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
    OpenedFile firstFile(first);
    OpenedFile secondFile(second);
    return JoinOpened(firstFile.Input(), {&secondFile.Input()}, output);
}

bool TPdfLibraryEx::JoinFiles(const std::string& first, const std::vector<std::string>& items,
                              const std::string& output) {
    OpenedFile firstFile(first);
    std::vector<std::unique_ptr<OpenedFile>> itemFiles;
    std::vector<TByteStream*> inputs;
    for (const std::string& item : items) {
        try {
            itemFiles.push_back(std::make_unique<OpenedFile>(item));
            inputs.push_back(&itemFiles.back()->Input());
        } catch (const PdfError&) {
            inputs.push_back(nullptr);
        }
    }
    return JoinOpened(firstFile.Input(), inputs, output);
}

bool TPdfLibraryEx::JoinOpened(TByteStream& first, const std::vector<TByteStream*>& items,
                               const std::string& output) {
    platform::DeleteFile(output);
    TWideFileStream outputFile(AnsiToUtf16(output), TWideFileStream::kModeCreate);
    if (JoinStreams(first, items, outputFile) != 1) {
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
