#include "pdf/pdf_crypt.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "pdf/pdf_cipher.h"
#include "platform/random.h"

namespace foldant {

namespace {

constexpr char kPadding[] =
    "\x28\xBF\x4E\x5E\x4E\x75\x8A\x41\x64\x00\x4E\x56\xFF\xFA\x01\x08"
    "\x2E\x2E\x00\xB6\xD0\x68\x3E\x80\x2F\x0C\xA9\xFE\x64\x53\x69\x7A";
constexpr std::string_view kPaddingText(kPadding, 32);

// Rounds of the strengthened RC4 revisions: extra MD5 passes and extra RC4 passes.
constexpr int kMd5Passes = 50;
constexpr int kRc4Passes = 19;
constexpr size_t kMaxAesPasswordLength = 127;
constexpr size_t kSaltLength = 8;
constexpr size_t kAes256HashLength = 32;
constexpr size_t kAes256EntryLength = 48;

constexpr std::array<TLevelParameters, 5> kLevels = {{
    {1, 2, 0, 5, "", 0, "1.4"},
    {2, 3, 128, 16, "", 0, "1.4"},
    {4, 4, 128, 16, "AESV2", 16, "1.6"},
    {5, 5, 256, 32, "AESV3", 32, "1.4"},
    {5, 6, 256, 32, "AESV3", 32, "1.4"},
}};

std::string LittleEndian(uint32_t value, size_t count) {
    std::string bytes;
    for (size_t i = 0; i < count; ++i) {
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return bytes;
}

std::string XorEach(std::string_view key, int value) {
    std::string result(key);
    for (char& c : result) {
        c = static_cast<char>(c ^ value);
    }
    return result;
}

std::string Rc4OwnerKey(std::string_view ownerPassword, int32_t revision, size_t keyLength) {
    std::string digest = Md5Digest(PadPassword(ownerPassword));
    if (revision >= 3) {
        for (int i = 0; i < kMd5Passes; ++i) {
            digest = Md5Digest(digest);
        }
    }
    return digest.substr(0, std::min(keyLength, digest.size()));
}

// Some writers give a crypt filter's "Length" in bytes rather than bits.
size_t Rc4KeyLength(const TSmartPDFEncryption& encryption) {
    if (encryption.Revision < 3) {
        return 5;
    }
    if (encryption.KeyBits >= 5 && encryption.KeyBits <= 16) {
        return static_cast<size_t>(encryption.KeyBits);
    }
    return static_cast<size_t>(std::clamp(encryption.KeyBits, 40, 128) / 8);
}

std::string ZeroVector() {
    return std::string(kAesBlockSize, '\0');
}

std::string IteratedHash(std::string_view password, std::string_view salt, std::string_view extra) {
    std::string input(password);
    input.append(salt).append(extra);
    std::string k = Sha2Digest(256, input);
    for (int round = 0;;) {
        std::string sequence(password);
        sequence.append(k).append(extra);
        std::string k1;
        k1.reserve(sequence.size() * 64);
        for (int i = 0; i < 64; ++i) {
            k1 += sequence;
        }
        const std::string e = AesCbcEncrypt(std::string_view(k).substr(0, 16),
                                            std::string_view(k).substr(16, 16), k1);
        int sum = 0;
        for (size_t i = 0; i < 16; ++i) {
            sum += static_cast<unsigned char>(e[i]);
        }
        static constexpr int kBits[3] = {256, 384, 512};
        k = Sha2Digest(kBits[sum % 3], e);
        ++round;
        // At least 64 rounds; then on until the last byte of a round's cipher text is no larger
        // than the round number less 32.
        if (round >= 64 && static_cast<unsigned char>(e.back()) <= round - 32) {
            break;
        }
    }
    return k.substr(0, kAes256HashLength);
}

}  // namespace

bool IsProtectionLevel(int level) {
    return level == kLevelRc4_40 || level == kLevelRc4_128 || level == kLevelAes128 ||
           level == kLevelAes256 || level == kLevelAes256R6;
}

const TLevelParameters& LevelParameters(uint8_t level) {
    if (!IsProtectionLevel(level)) {
        throw std::invalid_argument("not a protection level");
    }
    return kLevels[level == kLevelAes256R6 ? 4 : level];
}

uint32_t BuildPermissionWord(uint8_t level, uint8_t permissionFlags, uint8_t extraFlags) {
    struct Grant {
        uint8_t flag;
        uint32_t bit;
    };
    static constexpr Grant kPermissions[] = {{1, 4}, {4, 8}, {2, 16}, {8, 32}};
    static constexpr Grant kExtras[] = {{1, 256}, {2, 512}, {4, 1024}, {8, 2048}};
    uint32_t word = 0xFFFFFFFCu;
    for (const Grant& grant : kPermissions) {
        if ((permissionFlags & grant.flag) == 0) {
            word &= ~grant.bit;
        }
    }
    if (level != kLevelRc4_40) {
        for (const Grant& grant : kExtras) {
            if ((extraFlags & grant.flag) == 0) {
                word &= ~grant.bit;
            }
        }
    }
    return word;
}

std::string PadPassword(std::string_view password) {
    std::string padded(password.substr(0, 32));
    padded.append(kPaddingText.substr(0, 32 - padded.size()));
    return padded;
}

std::string ComputeRc4OwnerValue(std::string_view ownerPassword, std::string_view userPassword,
                                 int32_t revision, size_t keyLength) {
    const std::string key =
        Rc4OwnerKey(ownerPassword.empty() ? userPassword : ownerPassword, revision, keyLength);
    std::string value = Rc4Crypt(key, PadPassword(userPassword));
    if (revision >= 3) {
        for (int i = 1; i <= kRc4Passes; ++i) {
            value = Rc4Crypt(XorEach(key, i), value);
        }
    }
    return value;
}

std::string RecoverRc4UserPassword(std::string_view ownerPassword, std::string_view ownerValue,
                                   int32_t revision, size_t keyLength) {
    const std::string key = Rc4OwnerKey(ownerPassword, revision, keyLength);
    std::string value(ownerValue);
    if (revision >= 3) {
        for (int i = kRc4Passes; i >= 1; --i) {
            value = Rc4Crypt(XorEach(key, i), value);
        }
    }
    return Rc4Crypt(key, value);
}

std::string ComputeRc4FileKey(std::string_view userPassword, std::string_view ownerValue,
                              uint32_t permissionWord, std::string_view fileIdentifier,
                              bool metadataEncrypted, int32_t revision, size_t keyLength) {
    std::string input = PadPassword(userPassword);
    input.append(ownerValue);
    input += LittleEndian(permissionWord, 4);
    input.append(fileIdentifier);
    if (revision >= 4 && !metadataEncrypted) {
        input.append(4, '\xFF');
    }
    keyLength = std::min<size_t>(keyLength, 16);
    std::string digest = Md5Digest(input);
    if (revision >= 3) {
        for (int i = 0; i < kMd5Passes; ++i) {
            digest = Md5Digest(std::string_view(digest).substr(0, keyLength));
        }
    }
    return digest.substr(0, keyLength);
}

std::string ComputeRc4UserValue(std::string_view fileKey, std::string_view fileIdentifier,
                                int32_t revision) {
    if (revision < 3) {
        return Rc4Crypt(fileKey, kPaddingText);
    }
    std::string input(kPaddingText);
    input.append(fileIdentifier);
    std::string value = Rc4Crypt(fileKey, Md5Digest(input));
    for (int i = 1; i <= kRc4Passes; ++i) {
        value = Rc4Crypt(XorEach(fileKey, i), value);
    }
    value.append(16, '\0');
    return value;
}

std::string ComputeAes256Hash(int32_t revision, std::string_view password, std::string_view salt,
                              std::string_view extra) {
    password = password.substr(0, kMaxAesPasswordLength);
    if (revision >= 6) {
        return IteratedHash(password, salt, extra);
    }
    std::string input(password);
    input.append(salt).append(extra);
    return Sha2Digest(256, input);
}

std::string ObjectKeyFor(std::string_view fileKey, int32_t number, int32_t generation, bool aes,
                         int32_t revision) {
    if (revision >= 5) {
        return std::string(fileKey);
    }
    std::string input(fileKey);
    input += LittleEndian(static_cast<uint32_t>(number), 3);
    input += LittleEndian(static_cast<uint32_t>(generation), 2);
    if (aes) {
        input += "sAlT";
    }
    return Md5Digest(input).substr(0, std::min<size_t>(fileKey.size() + 5, 16));
}

void TSmartPDFCrypt::ComputeKeys() {
    const TLevelParameters& parameters = LevelParameters(Level);
    PermissionWord = BuildPermissionWord(Level, PermissionFlags, ExtraFlags);
    Encryption = TSmartPDFEncryption{};
    Encryption.Version = parameters.Version;
    Encryption.Revision = parameters.Revision;
    Encryption.KeyBits = parameters.Revision >= 5     ? static_cast<int32_t>(parameters.KeyLength)
                         : parameters.LengthBits != 0 ? parameters.LengthBits
                                                      : 40;
    Encryption.Permissions = PermissionWord;
    Encryption.UsesAES = parameters.FilterMethod.empty() ? 0 : 1;
    if (parameters.Revision >= 5) {
        ComputeAes256Keys(parameters);
    } else {
        ComputeRc4Keys(parameters);
    }
    ObjectKeyBase = FileKey;
    Encryption.OwnerEntry = OwnerValue;
    Encryption.UserEntry = UserValue;
    Encryption.OwnerKeyEntry = OwnerKeyValue;
    Encryption.UserKeyEntry = UserKeyValue;
    Encryption.PermsEntry = PermsValue;
}

void TSmartPDFCrypt::ComputeRc4Keys(const TLevelParameters& parameters) {
    OwnerValue = ComputeRc4OwnerValue(OwnerPassword, UserPassword, parameters.Revision,
                                      parameters.KeyLength);
    FileKey =
        ComputeRc4FileKey(UserPassword, OwnerValue, PermissionWord, FileIdentifier,
                          Encryption.MetadataEncrypted, parameters.Revision, parameters.KeyLength);
    UserValue = ComputeRc4UserValue(FileKey, FileIdentifier, parameters.Revision);
    OwnerKeyValue.clear();
    UserKeyValue.clear();
    PermsValue.clear();
}

void TSmartPDFCrypt::ComputeAes256Keys(const TLevelParameters& parameters) {
    const int32_t revision = parameters.Revision;
    const std::string_view empty;
    FileKey = platform::RandomBytes(parameters.KeyLength);

    const std::string userSalts = platform::RandomBytes(2 * kSaltLength);
    const std::string_view userSalt(userSalts);
    UserValue = ComputeAes256Hash(revision, UserPassword, userSalt.substr(0, kSaltLength), empty) +
                userSalts;
    UserKeyValue = AesCbcEncrypt(
        ComputeAes256Hash(revision, UserPassword, userSalt.substr(kSaltLength), empty),
        ZeroVector(), FileKey);

    const std::string ownerSalts = platform::RandomBytes(2 * kSaltLength);
    const std::string_view ownerSalt(ownerSalts);
    OwnerValue =
        ComputeAes256Hash(revision, OwnerPassword, ownerSalt.substr(0, kSaltLength), UserValue) +
        ownerSalts;
    OwnerKeyValue = AesCbcEncrypt(
        ComputeAes256Hash(revision, OwnerPassword, ownerSalt.substr(kSaltLength), UserValue),
        ZeroVector(), FileKey);

    std::string block = LittleEndian(PermissionWord, 4);
    block.append(4, '\xFF');
    block += Encryption.MetadataEncrypted ? 'T' : 'F';
    block += "adb";
    block += platform::RandomBytes(4);
    PermsValue = AesCbcEncrypt(FileKey, ZeroVector(), block);
}

bool TSmartPDFCrypt::Authenticate(std::string_view password) {
    const bool ok =
        Encryption.Revision >= 5 ? AuthenticateAes256(password) : AuthenticateRc4(password);
    if (ok) {
        ObjectKeyBase = FileKey;
    }
    return ok;
}

bool TSmartPDFCrypt::TryRc4UserPassword(std::string_view password) {
    const int32_t revision = Encryption.Revision;
    const size_t keyLength = Rc4KeyLength(Encryption);
    const std::string key =
        ComputeRc4FileKey(password, Encryption.OwnerEntry, Encryption.Permissions, FileIdentifier,
                          Encryption.MetadataEncrypted, revision, keyLength);
    const std::string expected = ComputeRc4UserValue(key, FileIdentifier, revision);
    const size_t compared = revision < 3 ? 32 : 16;
    if (Encryption.UserEntry.size() < compared ||
        Encryption.UserEntry.compare(0, compared, expected, 0, compared) != 0) {
        return false;
    }
    FileKey = key;
    return true;
}

bool TSmartPDFCrypt::AuthenticateRc4(std::string_view password) {
    if (Encryption.Revision < 2 || Encryption.Revision > 4 || Encryption.OwnerEntry.size() < 32) {
        return false;
    }
    if (TryRc4UserPassword(password)) {
        return true;
    }
    return TryRc4UserPassword(
        RecoverRc4UserPassword(password, std::string_view(Encryption.OwnerEntry).substr(0, 32),
                               Encryption.Revision, Rc4KeyLength(Encryption)));
}

bool TSmartPDFCrypt::AuthenticateAes256(std::string_view password) {
    const std::string& owner = Encryption.OwnerEntry;
    const std::string& user = Encryption.UserEntry;
    if (owner.size() < kAes256EntryLength || user.size() < kAes256EntryLength) {
        return false;
    }
    const int32_t revision = Encryption.Revision;
    const std::string_view userEntry = std::string_view(user).substr(0, kAes256EntryLength);
    const std::string_view ownerEntry(owner);
    const std::string_view empty;
    std::string intermediate;
    const std::string* wrapped = nullptr;
    if (ComputeAes256Hash(revision, password, userEntry.substr(32, kSaltLength), empty) ==
        userEntry.substr(0, 32)) {
        intermediate =
            ComputeAes256Hash(revision, password, userEntry.substr(40, kSaltLength), empty);
        wrapped = &Encryption.UserKeyEntry;
    } else if (ComputeAes256Hash(revision, password, ownerEntry.substr(32, kSaltLength),
                                 userEntry) == ownerEntry.substr(0, 32)) {
        intermediate =
            ComputeAes256Hash(revision, password, ownerEntry.substr(40, kSaltLength), userEntry);
        wrapped = &Encryption.OwnerKeyEntry;
    } else {
        return false;
    }
    if (wrapped->size() < kAes256HashLength) {
        return false;
    }
    FileKey = AesCbcDecrypt(intermediate, ZeroVector(),
                            std::string_view(*wrapped).substr(0, kAes256HashLength));
    return true;
}

std::string TSmartPDFCrypt::ObjectKey(int32_t number, int32_t generation) const {
    return ObjectKeyFor(ObjectKeyBase, number, generation, Encryption.UsesAES != 0,
                        Encryption.Revision);
}

std::string TSmartPDFCrypt::EncryptValue(std::string_view key, std::string_view plain) const {
    if (Encryption.UsesAES == 0) {
        return Rc4Crypt(key, plain);
    }
    const size_t padding = kAesBlockSize - plain.size() % kAesBlockSize;
    const std::string iv = platform::RandomBytes(kAesBlockSize);
    std::string result;
    result.reserve(kAesBlockSize + plain.size() + padding);
    result.append(iv).append(plain).append(padding, static_cast<char>(padding));
    AesCbcEncryptInPlace(key, iv, result, kAesBlockSize);
    return result;
}

std::string TSmartPDFCrypt::DecryptValue(std::string_view key, std::string_view cipher) const {
    if (Encryption.UsesAES == 0) {
        return Rc4Crypt(key, cipher);
    }
    if (cipher.size() < 2 * kAesBlockSize) {
        return {};
    }
    const std::string_view body =
        cipher.substr(kAesBlockSize, (cipher.size() / kAesBlockSize - 1) * kAesBlockSize);
    std::string plain = AesCbcDecrypt(key, cipher.substr(0, kAesBlockSize), body);
    const auto padding = static_cast<unsigned char>(plain.back());
    if (padding >= 1 && padding <= kAesBlockSize) {
        plain.resize(plain.size() - padding);
    }
    return plain;
}

}  // namespace foldant
