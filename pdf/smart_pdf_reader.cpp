#include "pdf/smart_pdf_reader.h"

#include "pdf/object_body.h"
#include "pdf/pdf_filters.h"
#include "pdf/pdf_keys.h"
#include "pdf/pdf_lexical.h"
#include "pdf/xref_reader.h"

namespace foldant {

namespace {

// The highest object number the format allows; larger numbers are damage, and honouring them
// would size the object table from a single number in the file.
// Unpacked object streams stay in memory for the reader's life; past this total, further object
// streams are not unpacked.
constexpr size_t kObjectStreamBudget = size_t{512} << 20;
// Nested reads (a stream's Length, an object stream) deeper than this read as none.
constexpr size_t kMaxNestedReads = 32;

std::string VersionFrom(std::string_view text) {
    text = text.substr(0, 10);
    size_t n = 0;
    int points = 0;
    while (n < text.size() && (IsDigit(text[n]) || text[n] == '.')) {
        points += text[n] == '.' ? 1 : 0;
        ++n;
    }
    return points <= 1 ? std::string(text.substr(0, n)) : std::string();
}

}  // namespace

TSmartPDFReader::TSmartPDFReader(TByteStream& stream)
    : Stream(stream), Store(std::make_unique<TPDFStructure>()) {
    Store->OnResolveReference = [this](TPDFIndRef&, int32_t number, int32_t) {
        return GetObject(number, nullptr);
    };
    Open();
}

void TSmartPDFReader::Open() {
    fileSize_ = Stream.Size();
    if (!ReadHeader()) {
        FailureCode = kNotPdf;
    } else if (!LoadXRef() || Trailers.empty()) {
        FailureCode = kDamaged;
    } else {
        Trailer = Trailers.front();
    }
    Encrypted = Trailer != nullptr && Trailer->IndexOfKey(kEncrypt) >= 0;
}

bool TSmartPDFReader::ReadHeader() {
    const std::string head = ReadBytesAt(Stream, 0, 1024);
    const size_t pdf = head.find("%PDF-");
    const size_t postScript = head.find("%!PS-Adobe-");
    if (pdf == std::string::npos && postScript == std::string::npos) {
        return false;
    }
    HeaderOffset = pdf == std::string::npos ? -1 : static_cast<int32_t>(pdf);
    if (pdf != std::string::npos) {
        Version = VersionFrom(std::string_view(head).substr(pdf + 5));
    }
    if (Version.empty() && postScript != std::string::npos) {
        const std::string_view after = std::string_view(head).substr(postScript + 11);
        const size_t marker = after.substr(0, 20).find("PDF-");
        if (marker != std::string_view::npos) {
            Version = VersionFrom(after.substr(marker + 4));
        }
    }
    return !Version.empty();
}

bool TSmartPDFReader::LoadXRef() {
    try {
        TPDFXRefReader finder(Stream, *Store);
        StartXRef = finder.FindStartXRef();
    } catch (const std::exception&) {
        StartXRef = 0;
    }
    if (StartXRef <= 0) {
        return false;
    }
    bool result = ReadCrossReferences(0);
    if (XRefTable.empty() && HeaderOffset > 0) {
        result = ReadCrossReferences(HeaderOffset);
        HeaderRelative = !XRefTable.empty();
    }
    RepairOffByOne();
    Offsets.Sort();
    return result;
}

bool TSmartPDFReader::ReadCrossReferences(int64_t baseOffset) {
    TPDFXRefReader reader(Stream, *Store);
    reader.BaseOffset = baseOffset;
    reader.OnEntry = [this](int32_t n, int32_t generation, char kind, int64_t offset) {
        OnEntry(n, generation, kind, offset);
    };
    reader.OnTrailer = [this](TPDFDictionary& trailer) { Trailers.push_back(&trailer); };
    const bool result = reader.ReadSection(StartXRef);
    HasXRefStream = reader.HasXRefStream;
    return result;
}

// A first subsection numbered from 1 although it starts with the free head: every entry sits
// one number too high.
void TSmartPDFReader::RepairOffByOne() {
    if (XRefTable.size() < 3) {
        return;
    }
    const XRefEntry& zero = XRefTable[0];
    const XRefEntry& one = XRefTable[1];
    if (zero.offset != 0 || zero.generation != 0 || one.offset != 0 || one.generation != 65535 ||
        ReadFileBytes(XRefTable[2].offset, 7) != "1 0 obj") {
        return;
    }
    for (size_t i = 0; i + 1 < XRefTable.size(); ++i) {
        XRefTable[i] = XRefTable[i + 1];
        XRefTable[i].number -= 1;
    }
}

void TSmartPDFReader::OnEntry(int32_t n, int32_t generation, char kind, int64_t offset) {
    if (n < 0 || n > kMaxObjectNumber) {
        return;
    }
    if (XRefTable.size() < static_cast<size_t>(n) + 1) {
        XRefTable.resize(static_cast<size_t>(n) + 1);
    }
    // Only an in-use entry's offset is a file position; a compressed entry's is the number of
    // its object stream, which may well exceed the file size.
    if (kind != 'c' && offset > fileSize_) {
        kind = 'n';
        offset = 0;
        generation = 0;
    }
    if (kind == 'n') {
        Offsets.Add(offset);
    }
    XRefEntry& entry = XRefTable[static_cast<size_t>(n)];
    if (n == 0 || entry.number == n) {
        return;
    }
    entry = {n, offset, static_cast<uint32_t>(generation), kind};
}

int32_t TSmartPDFReader::ObjectCount() const {
    return XRefTable.empty() ? 0 : static_cast<int32_t>(XRefTable.size()) - 1;
}

const TSmartPDFReader::XRefEntry* TSmartPDFReader::Entry(int32_t n) const {
    return n >= 1 && static_cast<size_t>(n) < XRefTable.size() ? &XRefTable[static_cast<size_t>(n)]
                                                               : nullptr;
}

int32_t TSmartPDFReader::GetGeneration(int32_t n) const {
    const XRefEntry* entry = Entry(n);
    return entry == nullptr || entry->kind == 'c' ? 0 : static_cast<int32_t>(entry->generation);
}

std::string TSmartPDFReader::ReadFileBytes(int64_t start, int64_t count) {
    return ReadBytesAt(Stream, start + (HeaderRelative ? HeaderOffset : 0), count);
}

std::string TSmartPDFReader::GetObjectText(int32_t n) {
    std::string region;
    return std::string(ObjectText(n, region));
}

std::string_view TSmartPDFReader::ObjectText(int32_t n, std::string& region) {
    region.clear();
    const XRefEntry* entry = Entry(n);
    if (entry == nullptr || entry->kind == 'f') {
        return {};
    }
    if (entry->kind == 'c') {
        if (entry->offset < 1 || entry->offset > kMaxObjectNumber) {
            return {};
        }
        region = GetCompressedObjectText(static_cast<int32_t>(entry->offset), n, entry->generation);
        return region;
    }
    // Offset 0 is the header: unset entries and entries that pointed outside the file hold no
    // object there, and reading the header region for each of them would cost its bytes again
    // and again.
    const int64_t start = entry->offset;
    if (start <= 0) {
        return {};
    }
    int64_t end = Offsets.NextAfter(start) - 1;
    if (end <= start) {
        end = fileSize_;
    }
    region = ReadFileBytes(start, end - start + 1);
    return ObjectBodyView(region);
}

TPDFObject* TSmartPDFReader::ReadObject(int32_t n, TPDFStructure& store) {
    if (reading_.size() >= kMaxNestedReads || !reading_.insert(n).second) {
        return nullptr;
    }
    struct Leave {
        std::set<int32_t>& reading;
        int32_t n;
        ~Leave() { reading.erase(n); }
    } leave{reading_, n};

    std::string region;
    const std::string_view text = ObjectText(n, region);
    if (text.empty()) {
        return nullptr;
    }
    TPDFObject& object = store.Parse(text);
    auto* dictionary = As<TPDFDictionary>(&object);
    if (dictionary == nullptr) {
        return &object;
    }
    int64_t start = 0;
    int64_t length = 0;
    const auto resolveLength = [this](TPDFIndRef&, int32_t number, int32_t) {
        return GetCachedObject(number);
    };
    if (!LocateStreamData(text, start, length, resolveLength)) {
        return &object;
    }
    const auto from =
        static_cast<size_t>(std::min<int64_t>(start - 1, static_cast<int64_t>(text.size())));
    return &store.NewStreamFrom(std::string(text.substr(from, static_cast<size_t>(length))),
                                *dictionary);
}

TPDFObject* TSmartPDFReader::GetCachedObject(int32_t n) {
    for (const auto& [number, object] : cache_) {
        if (number == n && object != nullptr) {
            return object;
        }
    }
    TPDFObject* object = ReadObject(n, *Store);
    if (static_cast<int32_t>(cache_.size()) >= CacheCapacity && !cache_.empty()) {
        cache_.pop_front();
    }
    cache_.emplace_back(n, object);
    return object;
}

TPDFObject* TSmartPDFReader::GetObject(int32_t n, TPDFStructure* store) {
    return store != nullptr ? ReadObject(n, *store) : GetCachedObject(n);
}

TSmartPDFReader::ObjectStreamEntry* TSmartPDFReader::LoadObjectStream(int32_t streamNumber) {
    if (auto found = objectStreams_.find(streamNumber); found != objectStreams_.end()) {
        return &found->second;
    }
    if (objectStreamBytes_ > kObjectStreamBudget) {
        return nullptr;
    }
    auto* stream = As<TPDFStream>(GetObject(streamNumber, nullptr));
    if (stream == nullptr) {
        return nullptr;
    }
    ObjectStreamEntry& entry = objectStreams_[streamNumber];
    entry.stream = stream;
    if (Encrypted && OnObjectStreamLoaded) {
        OnObjectStreamLoaded(streamNumber, *stream);
    }
    stream->SetData(stream->GetDecodedData(), false);
    objectStreamBytes_ += stream->Data.size();
    return &entry;
}

bool TSmartPDFReader::ReadObjectStreamIndex(ObjectStreamEntry& entry) {
    if (entry.indexRead) {
        return entry.valid;
    }
    entry.indexRead = true;
    TPDFStream& stream = *entry.stream;
    auto* count = As<TPDFNumeric>(stream.Dictionary->GetValue(kN));
    auto* first = As<TPDFNumeric>(stream.Dictionary->GetValue(kFirst));
    if (stream.GetTypeName() != "ObjStm" || count == nullptr || first == nullptr) {
        return false;
    }
    entry.count = count->AsInteger();
    entry.first = first->AsInteger();
    if (entry.count <= 0 || entry.first < 0) {
        return false;
    }
    TPDFStructure scratch;
    const std::string header =
        "[ " + stream.Data.substr(0, static_cast<size_t>(entry.first)) + " ]";
    auto* pairs = As<TPDFArray>(&scratch.Parse(header));
    if (pairs == nullptr || pairs->Count() < 2 * entry.count) {
        return false;
    }
    entry.index.resize(static_cast<size_t>(2 * entry.count));
    for (int32_t i = 0; i < 2 * entry.count; ++i) {
        auto* number = As<TPDFNumeric>(pairs->Item(i));
        entry.index[static_cast<size_t>(i)] = number != nullptr ? number->AsInteger() : 0;
    }
    entry.valid = true;
    return true;
}

std::string TSmartPDFReader::GetCompressedObjectText(int32_t streamNumber, int32_t n,
                                                     uint32_t index) {
    ObjectStreamEntry* entry = LoadObjectStream(streamNumber);
    if (entry == nullptr || !ReadObjectStreamIndex(*entry) ||
        static_cast<int64_t>(index) >= entry->count) {
        return {};
    }
    const std::vector<int64_t>& pairs = entry->index;
    if (pairs[2 * index] != n) {
        return {};
    }
    const std::string& data = entry->stream->Data;
    const int64_t size = static_cast<int64_t>(data.size());
    const int64_t start = pairs[2 * index + 1] + entry->first;
    int64_t end =
        static_cast<int64_t>(index) + 1 < entry->count ? pairs[2 * index + 3] + entry->first : size;
    end = std::min(end, size);
    if (start < 0 || start >= end) {
        return {};
    }
    return data.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

TPDFDictionary* TSmartPDFReader::GetTrailerDictionary(std::string_view name) {
    std::vector<TPDFDictionary*> order;
    if (Trailer != nullptr) {
        order.push_back(Trailer);
    }
    order.insert(order.end(), Trailers.begin(), Trailers.end());
    for (TPDFDictionary* trailer : order) {
        TPDFObject* value = trailer->GetValue(name);
        if (value == nullptr) {
            continue;
        }
        if (auto* reference = As<TPDFIndRef>(value)) {
            value = GetObject(reference->RefNumber, nullptr);
        }
        return As<TPDFDictionary>(value);
    }
    return nullptr;
}

TPDFIndRef* TSmartPDFReader::GetTrailerReference(std::string_view name) const {
    if (Trailer != nullptr) {
        if (auto* reference = As<TPDFIndRef>(Trailer->GetValue(name))) {
            return reference;
        }
    }
    for (TPDFDictionary* trailer : Trailers) {
        if (auto* reference = As<TPDFIndRef>(trailer->GetValue(name))) {
            return reference;
        }
    }
    return nullptr;
}

}  // namespace foldant
