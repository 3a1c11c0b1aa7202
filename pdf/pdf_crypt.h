#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace foldant {

// The protection levels of the encrypted copy; each selects one revision of the standard
// security handler. 4 is not a level.
inline constexpr uint8_t kLevelRc4_40 = 0;
inline constexpr uint8_t kLevelRc4_128 = 1;
inline constexpr uint8_t kLevelAes128 = 2;
inline constexpr uint8_t kLevelAes256 = 3;
inline constexpr uint8_t kLevelAes256R6 = 5;

bool IsProtectionLevel(int level);

// What one level writes into the encryption dictionary and the header.
struct TLevelParameters {
    uint32_t Version;
    int32_t Revision;
    // "Length" in bits; 0 when the dictionary has none.
    int32_t LengthBits;
    size_t KeyLength;
    // "CFM" of the crypt filter, empty without crypt filters.
    std::string_view FilterMethod;
    int32_t FilterLength;
    std::string_view HeaderVersion;
};

// Raises std::invalid_argument for a value that is not a level.
const TLevelParameters& LevelParameters(uint8_t level);

// The values of an encryption dictionary.
struct TSmartPDFEncryption {
    // "Length" in bits for RC4 and AES-128; 32 (bytes) for AES-256.
    int32_t KeyBits = 0;
    int32_t Revision = 0;
    uint32_t Version = 0;
    std::string OwnerEntry;
    std::string UserEntry;
    uint32_t Permissions = 0;
    uint8_t UsesAES = 0;
    std::string OwnerKeyEntry;
    std::string UserKeyEntry;
    std::string PermsEntry;
    bool MetadataEncrypted = true;
};

// The "P" word: every bit set but the two lowest, less the refused permissions. At level 0 the
// four bits of the extra flags stay set, since revision 2 does not know them.
uint32_t BuildPermissionWord(uint8_t level, uint8_t permissionFlags, uint8_t extraFlags);

// The RC4-based algorithms (revisions 2 to 4). `keyLength` is the file key in bytes.
std::string PadPassword(std::string_view password);
std::string ComputeRc4OwnerValue(std::string_view ownerPassword, std::string_view userPassword,
                                 int32_t revision, size_t keyLength);
std::string ComputeRc4FileKey(std::string_view userPassword, std::string_view ownerValue,
                              uint32_t permissionWord, std::string_view fileIdentifier,
                              bool metadataEncrypted, int32_t revision, size_t keyLength);
std::string ComputeRc4UserValue(std::string_view fileKey, std::string_view fileIdentifier,
                                int32_t revision);
// The user password hidden in "O" by the owner password.
std::string RecoverRc4UserPassword(std::string_view ownerPassword, std::string_view ownerValue,
                                   int32_t revision, size_t keyLength);

// The hash of the AES-256 revisions: SHA-256 of password, salt and `extra` at revision 5, the
// iterated hash at revision 6. Passwords longer than 127 bytes are cut.
std::string ComputeAes256Hash(int32_t revision, std::string_view password, std::string_view salt,
                              std::string_view extra);

// The key of one object: the file key itself for AES-256, otherwise derived from the object's
// number and generation (with the AES marker for AES-128).
std::string ObjectKeyFor(std::string_view fileKey, int32_t number, int32_t generation, bool aes,
                         int32_t revision);

// The key material of one document and its ciphers.
class TSmartPDFCrypt {
  public:
    // Computes the permission word, the file key and the entries for writing from Level, the
    // passwords, the flags and FileIdentifier.
    void ComputeKeys();
    // Tries `password` as the user and then as the owner password of the read entries; on
    // success FileKey and ObjectKeyBase are set.
    bool Authenticate(std::string_view password);

    std::string ObjectKey(int32_t number, int32_t generation) const;
    // AES values get a new random vector in front and 1 to 16 bytes of padding behind.
    std::string EncryptValue(std::string_view key, std::string_view plain) const;
    // The inverse; a damaged AES value gives what could be recovered of it.
    std::string DecryptValue(std::string_view key, std::string_view cipher) const;

    std::string ObjectKeyBase;
    std::string FileKey;
    std::u16string Password;
    TSmartPDFEncryption Encryption;
    uint8_t EncryptionState = 0;
    uint32_t PermissionWord = 0;
    uint8_t PermissionFlags = 0;
    uint8_t ExtraFlags = 0;
    uint8_t Level = kLevelRc4_40;
    std::string OwnerValue;
    std::string UserValue;
    std::string OwnerPassword;
    std::string UserPassword;
    bool ShortPermissions = false;
    std::string OwnerKeyValue;
    std::string UserKeyValue;
    std::string PermsValue;
    std::string FileIdentifier;

  private:
    void ComputeRc4Keys(const TLevelParameters& parameters);
    void ComputeAes256Keys(const TLevelParameters& parameters);
    bool AuthenticateRc4(std::string_view password);
    bool AuthenticateAes256(std::string_view password);
    bool TryRc4UserPassword(std::string_view password);
};

}  // namespace foldant
