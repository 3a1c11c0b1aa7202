#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/new_trailer.h"
#include "pdf/pdf_crypt.h"
#include "pdf/pdf_objects.h"
#include "pdf/smart_pdf_reader.h"

namespace foldant {

// The security side of one input document: whether it is encrypted, and the setup and
// encryption of a copy written from it. Lives no longer than its reader, on which it installs
// a callback for its own life.
class TSmartPDFInfo {
  public:
    static constexpr uint8_t kNotEncrypted = 0;
    static constexpr uint8_t kEncrypted = 1;
    // Encrypted, but "V" is absent or 0.
    static constexpr uint8_t kEncryptedWithoutVersion = 2;

    // Reads the input's encryption dictionary, if any, and tries `password` on it. With `full`
    // the catalog and the page count are read as well.
    TSmartPDFInfo(TSmartPDFReader& reader, bool full, const std::u16string& password);
    ~TSmartPDFInfo();
    TSmartPDFInfo(const TSmartPDFInfo&) = delete;
    TSmartPDFInfo& operator=(const TSmartPDFInfo&) = delete;

    // "0" unencrypted, "1" encrypted, "9" encrypted without a version.
    std::string EncryptionStatus() const;
    // Prepares Crypt for writing the copy that `trailer` ends, points that trailer at the new
    // encryption dictionary (object `encryptNumber`) and returns the dictionary, built in the
    // trailer's store. A new identifier of the trailer becomes the file identifier the keys
    // are made from.
    TPDFDictionary& SetupEncryption(const TNewTrailer& trailer, std::string_view ownerPassword,
                                    std::string_view userPassword, int32_t encryptNumber,
                                    uint8_t level, uint8_t permissionFlags, uint8_t extraFlags);
    // Encrypts the strings and stream data inside one object with that object's key.
    void EncryptObject(TPDFObject& object, int32_t number, int32_t generation);

    TSmartPDFReader& Reader;
    TPDFDictionary* EncryptDict = nullptr;
    uint8_t EncryptionState = kNotEncrypted;
    TSmartPDFEncryption Encryption;
    std::unique_ptr<TSmartPDFCrypt> Crypt;
    // Whether the password opened an encrypted input.
    bool Authenticated = false;
    // Read only with `full`.
    TPDFDictionary* Catalog = nullptr;
    int32_t PageCount = 0;

  private:
    void ReadEncryptDictionary();
    void ReadStandardHandler(uint32_t version);
    void RefreshFileIdentifier();
    void DecryptObjectStream(int32_t number, TPDFStream& stream);
    void EncryptValues(TPDFObject& object, const std::string& key, int depth);
};

// True when the reader's trailer names an encryption dictionary, whatever its handler.
bool IsEncryptedInput(TSmartPDFReader& reader);

}  // namespace foldant
