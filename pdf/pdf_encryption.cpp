#include "pdf/pdf_encryption.h"

#include <optional>
#include <stdexcept>
#include <vector>

#include "pdf/page_tree.h"
#include "pdf/pdf_keys.h"
#include "platform/windows1252.h"

namespace foldant {

namespace {

// Deeper than any object the parser builds; guards against containers that contain themselves.
constexpr int kMaxDepth = 1024;
constexpr std::string_view kStandardCryptFilter = "StdCF";

std::optional<int32_t> NumberEntry(const TPDFDictionary& dictionary, std::string_view name) {
    if (auto* number = As<TPDFNumeric>(dictionary.GetValue(name, true))) {
        return number->AsInteger();
    }
    return std::nullopt;
}

std::string StringEntry(const TPDFDictionary& dictionary, std::string_view name) {
    auto* text = As<TPDFString>(dictionary.GetValue(name, true));
    return text != nullptr ? text->Value : std::string();
}

std::string NameEntry(const TPDFDictionary& dictionary, std::string_view name) {
    auto* value = As<TPDFName>(dictionary.GetValue(name, true));
    return value != nullptr ? value->Value : std::string();
}

// The standard crypt filter's dictionary when strings and streams both use it.
TPDFDictionary* StandardCryptFilter(const TPDFDictionary& encrypt) {
    if (NameEntry(encrypt, kStrF) != kStandardCryptFilter ||
        NameEntry(encrypt, kStmF) != kStandardCryptFilter) {
        return nullptr;
    }
    auto* filters = As<TPDFDictionary>(encrypt.GetValue(kCF, true));
    return filters != nullptr ? As<TPDFDictionary>(filters->GetValue(kStandardCryptFilter, true))
                              : nullptr;
}

// Revision 6 asks for UTF-8 passwords; the older revisions know single-byte text only.
std::string PasswordBytes(const std::u16string& password, int32_t revision) {
    return revision >= 6 ? Utf16ToUtf8(password) : Utf16ToAnsi(password);
}

// The first string of the first trailer's "ID" array that has one; empty when that trailer's
// "ID" is no such array or no trailer has one.
std::string FileIdentifierOf(const std::vector<const TPDFDictionary*>& trailers) {
    for (const TPDFDictionary* trailer : trailers) {
        if (trailer->IndexOfKey(kID) < 0) {
            continue;
        }
        if (auto* array = As<TPDFArray>(trailer->GetValue(kID, true))) {
            if (auto* first = As<TPDFString>(array->Item(0))) {
                return first->Value;
            }
        }
        return std::string();
    }
    return std::string();
}

TPDFString& HexString(TPDFStructure& store, const std::string& bytes) {
    return store.NewString(bytes, TPDFString::kHexadecimal);
}

}  // namespace

bool IsEncryptedInput(TSmartPDFReader& reader) {
    return reader.Trailer != nullptr && reader.GetTrailerDictionary(kEncrypt) != nullptr;
}

TSmartPDFInfo::TSmartPDFInfo(TSmartPDFReader& reader, bool full, const std::u16string& password)
    : Reader(reader), Crypt(std::make_unique<TSmartPDFCrypt>()) {
    ReadEncryptDictionary();
    Crypt->Encryption = Encryption;
    Crypt->EncryptionState = EncryptionState;
    Crypt->Password = password;
    Crypt->ShortPermissions = (Encryption.Permissions & 0xFFFF0000u) == 0;
    RefreshFileIdentifier();
    if (EncryptionState != kNotEncrypted && Encryption.Revision != 0) {
        Authenticated = Crypt->Authenticate(PasswordBytes(password, Encryption.Revision));
    }
    Reader.OnObjectStreamLoaded = [this](int32_t number, TPDFStream& stream) {
        DecryptObjectStream(number, stream);
    };
    if (full) {
        Catalog = Reader.GetTrailerDictionary(kRoot);
        PageCount = CountPages(Reader);
    }
}

TSmartPDFInfo::~TSmartPDFInfo() {
    Reader.OnObjectStreamLoaded = nullptr;
}

void TSmartPDFInfo::ReadEncryptDictionary() {
    Encryption = TSmartPDFEncryption{};
    EncryptDict = IsEncryptedInput(Reader) ? Reader.GetTrailerDictionary(kEncrypt) : nullptr;
    if (EncryptDict == nullptr) {
        EncryptionState = kNotEncrypted;
        return;
    }
    const std::optional<int32_t> version = NumberEntry(*EncryptDict, kV);
    if (NameEntry(*EncryptDict, kFilter) == "Standard") {
        ReadStandardHandler(static_cast<uint32_t>(version.value_or(0)));
    }
    EncryptionState = version.value_or(0) != 0 ? kEncrypted : kEncryptedWithoutVersion;
}

void TSmartPDFInfo::ReadStandardHandler(uint32_t version) {
    const TPDFDictionary& encrypt = *EncryptDict;
    const int32_t revision = NumberEntry(encrypt, kR).value_or(0);
    const std::optional<int32_t> length = NumberEntry(encrypt, kLength);
    Encryption.Version = version;
    Encryption.Revision = revision;
    Encryption.Permissions = static_cast<uint32_t>(NumberEntry(encrypt, kP).value_or(0));
    Encryption.OwnerEntry = StringEntry(encrypt, kO);
    Encryption.UserEntry = StringEntry(encrypt, kU);

    if ((version == 1 || version == 2) && (revision == 2 || revision == 3)) {
        Encryption.KeyBits = (version > 1 || revision == 3) ? length.value_or(40) : 40;
        return;
    }
    if (version == 4 && revision == 4) {
        if (auto* metadata = As<TPDFBoolean>(encrypt.GetValue(kEncryptMetadata, true))) {
            Encryption.MetadataEncrypted = metadata->Value;
        }
        const TPDFDictionary* filter = StandardCryptFilter(encrypt);
        if (filter == nullptr) {
            return;
        }
        const std::string method = NameEntry(*filter, kCFM);
        if (method == "AESV2") {
            Encryption.UsesAES = 1;
            Encryption.KeyBits = NumberEntry(*filter, kLength).value_or(128);
        } else if (method == "V2") {
            Encryption.KeyBits = NumberEntry(*filter, kLength).value_or(40);
        }
        return;
    }
    if (version == 5 && (revision == 5 || revision == 6)) {
        const TPDFDictionary* filter = StandardCryptFilter(encrypt);
        if (filter == nullptr || NameEntry(*filter, kCFM) != "AESV3") {
            return;
        }
        Encryption.UsesAES = 1;
        Encryption.OwnerKeyEntry = StringEntry(encrypt, kOE);
        Encryption.UserKeyEntry = StringEntry(encrypt, kUE);
        Encryption.PermsEntry = StringEntry(encrypt, kPerms);
        const int32_t bits = NumberEntry(*filter, kLength).value_or(32);
        Encryption.KeyBits = bits == 256 ? 32 : bits;
    }
}

void TSmartPDFInfo::RefreshFileIdentifier() {
    std::vector<const TPDFDictionary*> trailers;
    if (Reader.Trailer != nullptr) {
        trailers.push_back(Reader.Trailer);
    }
    trailers.insert(trailers.end(), Reader.Trailers.begin(), Reader.Trailers.end());
    Crypt->FileIdentifier = FileIdentifierOf(trailers);
}

void TSmartPDFInfo::DecryptObjectStream(int32_t number, TPDFStream& stream) {
    if (EncryptionState != kEncrypted || !Authenticated) {
        return;
    }
    stream.SetRawData(Crypt->DecryptValue(Crypt->ObjectKey(number, 0), stream.Data));
}

std::string TSmartPDFInfo::EncryptionStatus() const {
    switch (EncryptionState) {
        case kNotEncrypted:
            return "0";
        case kEncrypted:
            return "1";
        default:
            return "9";
    }
}

TPDFDictionary& TSmartPDFInfo::SetupEncryption(const TNewTrailer& newTrailer,
                                               std::string_view ownerPassword,
                                               std::string_view userPassword, int32_t encryptNumber,
                                               uint8_t level, uint8_t permissionFlags,
                                               uint8_t extraFlags) {
    TPDFDictionary& trailer = newTrailer.Dictionary;
    TSmartPDFCrypt& crypt = *Crypt;
    if (newTrailer.NewIdentifier) {
        crypt.FileIdentifier = FileIdentifierOf({&trailer});
    }
    crypt.OwnerPassword = std::string(ownerPassword);
    crypt.UserPassword = std::string(userPassword);
    crypt.PermissionFlags = permissionFlags;
    crypt.ExtraFlags = extraFlags;
    crypt.Level = level;
    crypt.ComputeKeys();

    TPDFStructure& store = trailer.Owner;
    trailer.Add(kEncrypt, store.NewReference(encryptNumber, 0));
    if (auto* size = As<TPDFNumeric>(trailer.GetValue(kSize))) {
        size->SetValue(size->Value + 1);
    }

    const TLevelParameters& parameters = LevelParameters(level);
    TPDFDictionary& dictionary = store.NewDictionary();
    dictionary.Add(kFilter, store.NewName("Standard"));
    dictionary.Add(kV, store.NewNumber(parameters.Version));
    dictionary.Add(kR, store.NewNumber(parameters.Revision));
    if (parameters.LengthBits != 0) {
        dictionary.Add(kLength, store.NewNumber(parameters.LengthBits));
    }
    if (!parameters.FilterMethod.empty()) {
        dictionary.Add(kStrF, store.NewName(std::string(kStandardCryptFilter)));
        dictionary.Add(kStmF, store.NewName(std::string(kStandardCryptFilter)));
        TPDFDictionary& filter = store.NewDictionary();
        filter.Add(kAuthEvent, store.NewName("DocOpen"));
        filter.Add(kLength, store.NewNumber(parameters.FilterLength));
        filter.Add(kCFM, store.NewName(std::string(parameters.FilterMethod)));
        TPDFDictionary& filters = store.NewDictionary();
        filters.Add(kStandardCryptFilter, filter);
        dictionary.Add(kCF, filters);
    }
    dictionary.Add(kO, HexString(store, crypt.OwnerValue));
    dictionary.Add(kU, HexString(store, crypt.UserValue));
    if (parameters.Revision >= 5) {
        dictionary.Add(kOE, HexString(store, crypt.OwnerKeyValue));
        dictionary.Add(kUE, HexString(store, crypt.UserKeyValue));
        dictionary.Add(kPerms, HexString(store, crypt.PermsValue));
    }
    dictionary.Add(kP, store.NewNumber(static_cast<int32_t>(crypt.PermissionWord)));
    EncryptDict = &dictionary;
    return dictionary;
}

void TSmartPDFInfo::EncryptObject(TPDFObject& object, int32_t number, int32_t generation) {
    EncryptValues(object, Crypt->ObjectKey(number, generation), 0);
}

void TSmartPDFInfo::EncryptValues(TPDFObject& object, const std::string& key, int depth) {
    if (depth > kMaxDepth) {
        throw std::length_error("EncryptObject: object nested too deeply");
    }
    if (auto* text = As<TPDFString>(&object)) {
        text->SetValue(Crypt->EncryptValue(key, text->Value));
    } else if (auto* array = As<TPDFArray>(&object)) {
        for (TPDFObject* item : array->Items) {
            if (item != nullptr) {
                EncryptValues(*item, key, depth + 1);
            }
        }
    } else if (auto* dictionary = As<TPDFDictionary>(&object)) {
        for (const TPDFDictionary::Entry& entry : dictionary->Entries) {
            if (entry.second != nullptr) {
                EncryptValues(*entry.second, key, depth + 1);
            }
        }
    } else if (auto* stream = As<TPDFStream>(&object)) {
        stream->SetRawData(Crypt->EncryptValue(key, stream->Data));
        EncryptValues(*stream->Dictionary, key, depth + 1);
    }
}

}  // namespace foldant
