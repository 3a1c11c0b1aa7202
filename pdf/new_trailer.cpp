#include "pdf/new_trailer.h"

#include <chrono>
#include <string>
#include <string_view>

#include "pdf/pdf_cipher.h"
#include "pdf/pdf_keys.h"
#include "platform/guid.h"

namespace foldant {

namespace {

std::string HexLower(const uint8_t* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

// 16 bytes that differ from file to file: a digest over a new GUID and the current time.
std::string NewDocumentIdentifier() {
    const platform::Guid guid = platform::NewGuid();
    std::string seed(guid.bytes.begin(), guid.bytes.end());
    const double days =
        std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count() /
            86400.0 +
        25569.0;
    seed += std::to_string(days);
    const std::string first = Md5Digest(seed);
    const std::string hex = HexLower(reinterpret_cast<const uint8_t*>(first.data()), first.size());
    return Md5Digest(std::string_view(hex).substr(0, 8));
}

// An entry the newest trailer lacks is taken from the first older trailer that refers to it.
void AddFromOlderTrailers(const TSmartPDFReader& reader, std::string_view key,
                          TPDFDictionary& trailer) {
    if (trailer.IndexOfKey(key) >= 0) {
        return;
    }
    if (const TPDFIndRef* reference = reader.GetTrailerReference(key)) {
        trailer.Add(key, trailer.Owner.CopyOf(*reference));
    }
}

// True when a whole new identifier was made. An identifier that is an object of its own is
// copied from the input as it stands, so there is no second element here to renew.
bool RenewIdentifier(TPDFDictionary& trailer) {
    TPDFStructure& store = trailer.Owner;
    if (trailer.IndexOfKey(kID) >= 0) {
        auto* array = As<TPDFArray>(trailer.GetValue(kID));
        if (auto* second = array != nullptr ? As<TPDFString>(array->Item(1)) : nullptr) {
            second->SetValue(NewDocumentIdentifier());
            second->Mode = TPDFString::kHexadecimal;
        }
        return false;
    }
    TPDFString& id = store.NewString(NewDocumentIdentifier(), TPDFString::kHexadecimal);
    trailer.Add(kID, store.NewArrayOf({&id, &id}));
    return true;
}

}  // namespace

TNewTrailer NewTrailer(const TSmartPDFReader& reader, TPDFStructure& store) {
    auto& trailer = reader.Trailer != nullptr
                        ? static_cast<TPDFDictionary&>(store.CopyOf(*reader.Trailer))
                        : store.NewDictionary();
    trailer.DeleteKey(kSize);
    trailer.Add(kSize, store.NewNumber(reader.ObjectCount() + 1));
    AddFromOlderTrailers(reader, kInfo, trailer);
    AddFromOlderTrailers(reader, kRoot, trailer);
    const bool newIdentifier = RenewIdentifier(trailer);
    for (std::string_view key : {kPrev, kDecodeParms, kFilter, kLength, kType, kW, kIndex}) {
        trailer.DeleteKey(key);
    }
    return {trailer, newIdentifier};
}

}  // namespace foldant
