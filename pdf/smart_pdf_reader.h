#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "pdf/byte_stream.h"
#include "pdf/pdf_objects.h"
#include "pdf/sorted_int64_list.h"

namespace foldant {

// Serves the objects of one PDF file by number, reading only the bytes each object needs.
class TSmartPDFReader {
  public:
    // Whether the file could be opened, and why not.
    enum OpenResult : int32_t {
        kOpened = 0,
        kNotPdf = 1,
        kDamaged = 2,
    };

    struct XRefEntry {
        int32_t number = 0;
        int64_t offset = 0;
        uint32_t generation = 0;
        char kind = 0;
    };

    using ObjectStreamCallback = std::function<void(int32_t number, TPDFStream& stream)>;

    // Opens at once; FailureCode tells whether the file is usable.
    explicit TSmartPDFReader(TByteStream& stream);

    int32_t ObjectCount() const;
    int32_t GetGeneration(int32_t n) const;
    // With a store: a fresh copy parsed into it. Without: the reader's own cached instance.
    TPDFObject* GetObject(int32_t n, TPDFStructure* store);
    std::string GetObjectText(int32_t n);
    // The object's text as a view into `region`, which receives the bytes read; it runs from
    // the object's body to where the next object starts.
    std::string_view ObjectText(int32_t n, std::string& region);
    TPDFDictionary* GetTrailerDictionary(std::string_view name);
    TPDFIndRef* GetTrailerReference(std::string_view name) const;

    const XRefEntry* Entry(int32_t n) const;

    std::string Version;
    TByteStream& Stream;
    std::unique_ptr<TPDFStructure> Store;
    TPDFDictionary* Trailer = nullptr;
    OpenResult FailureCode = kOpened;
    int64_t StartXRef = 0;
    ObjectStreamCallback OnObjectStreamLoaded;
    bool Encrypted = false;
    std::vector<XRefEntry> XRefTable;
    TSortedInt64List Offsets;
    std::vector<TPDFDictionary*> Trailers;
    int32_t CacheCapacity = 100;
    bool HasXRefStream = false;
    int32_t HeaderOffset = 0;
    bool HeaderRelative = false;

  private:
    // An unpacked object stream with the (number, offset) pairs of its header, read once.
    struct ObjectStreamEntry {
        TPDFStream* stream = nullptr;
        bool indexRead = false;
        bool valid = false;
        int64_t count = 0;
        int64_t first = 0;
        std::vector<int64_t> index;
    };

    void Open();
    bool ReadHeader();
    bool LoadXRef();
    bool ReadCrossReferences(int64_t baseOffset);
    void RepairOffByOne();
    void OnEntry(int32_t n, int32_t generation, char kind, int64_t offset);
    TPDFObject* ReadObject(int32_t n, TPDFStructure& store);
    TPDFObject* GetCachedObject(int32_t n);
    std::string GetCompressedObjectText(int32_t streamNumber, int32_t n, uint32_t index);
    ObjectStreamEntry* LoadObjectStream(int32_t streamNumber);
    bool ReadObjectStreamIndex(ObjectStreamEntry& entry);
    std::string ReadFileBytes(int64_t start, int64_t count);

    int64_t fileSize_ = 0;
    std::deque<std::pair<int32_t, TPDFObject*>> cache_;
    std::unordered_map<int32_t, ObjectStreamEntry> objectStreams_;
    size_t objectStreamBytes_ = 0;
    // Objects being read right now: a stream whose Length leads back to itself reads as none.
    std::set<int32_t> reading_;
};

}  // namespace foldant
