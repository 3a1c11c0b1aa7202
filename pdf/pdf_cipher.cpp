#include "pdf/pdf_cipher.h"

#include <gcrypt.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>

namespace foldant {

namespace {

constexpr size_t kAes128KeySize = 16;
constexpr size_t kAes256KeySize = 32;
constexpr size_t kRc4MaxKeySize = 256;
// The library refuses RC4 keys under 40 bits, which the format allows.
constexpr size_t kLibraryRc4MinKeySize = 5;

// The library wants one version check before first use; no secure memory is needed, since the
// keys derived here live in ordinary strings anyway.
void EnsureLibraryReady() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (gcry_check_version(GCRYPT_VERSION) == nullptr) {
            throw std::runtime_error("cryptography library too old");
        }
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
}

void CheckAesArguments(std::string_view key, std::string_view iv, std::string_view data) {
    if ((key.size() != kAes128KeySize && key.size() != kAes256KeySize) ||
        iv.size() != kAesBlockSize || data.size() % kAesBlockSize != 0) {
        throw std::invalid_argument("AES-CBC: bad key, vector or data length");
    }
}

void Check(gcry_error_t error, const char* what) {
    if (error != 0) {
        throw std::runtime_error(std::string(what) + ": " + gcry_strerror(error));
    }
}

std::string Digest(int algorithm, std::string_view data) {
    EnsureLibraryReady();
    std::string result(gcry_md_get_algo_dlen(algorithm), '\0');
    gcry_md_hash_buffer(algorithm, result.data(), data.data(), data.size());
    return result;
}

// A cipher handle that is closed on every path.
class Cipher {
  public:
    Cipher(int algorithm, int mode, std::string_view key) {
        EnsureLibraryReady();
        Check(gcry_cipher_open(&handle_, algorithm, mode, 0), "cipher open");
        Check(gcry_cipher_setkey(handle_, key.data(), key.size()), "cipher key");
    }
    Cipher(const Cipher&) = delete;
    Cipher& operator=(const Cipher&) = delete;
    ~Cipher() { gcry_cipher_close(handle_); }

    void SetVector(std::string_view iv) {
        Check(gcry_cipher_setiv(handle_, iv.data(), iv.size()), "cipher vector");
    }
    void EncryptInPlace(char* bytes, size_t length) {
        Check(gcry_cipher_encrypt(handle_, bytes, length, nullptr, 0), "encrypt");
    }
    void Decrypt(char* out, std::string_view in) {
        Check(gcry_cipher_decrypt(handle_, out, in.size(), in.data(), in.size()), "decrypt");
    }

  private:
    gcry_cipher_hd_t handle_ = nullptr;
};

int AesAlgorithm(std::string_view key) {
    return key.size() == kAes128KeySize ? GCRY_CIPHER_AES128 : GCRY_CIPHER_AES256;
}

}  // namespace

std::string Md5Digest(std::string_view data) {
    return Digest(GCRY_MD_MD5, data);
}

std::string Sha2Digest(int bits, std::string_view data) {
    switch (bits) {
        case 384:
            return Digest(GCRY_MD_SHA384, data);
        case 512:
            return Digest(GCRY_MD_SHA512, data);
        default:
            return Digest(GCRY_MD_SHA256, data);
    }
}

std::string Rc4Crypt(std::string_view key, std::string_view data) {
    if (key.empty() || key.size() > kRc4MaxKeySize) {
        throw std::invalid_argument("RC4: bad key length");
    }
    // The key schedule reads the key cyclically, so a key repeated whole gives the same stream.
    std::string scheduleKey(key);
    while (scheduleKey.size() < kLibraryRc4MinKeySize) {
        scheduleKey += key;
    }
    std::string result(data);
    if (!result.empty()) {
        Cipher cipher(GCRY_CIPHER_ARCFOUR, GCRY_CIPHER_MODE_STREAM, scheduleKey);
        cipher.EncryptInPlace(result.data(), result.size());
    }
    return result;
}

std::string AesCbcEncrypt(std::string_view key, std::string_view iv, std::string_view data) {
    std::string result(data);
    AesCbcEncryptInPlace(key, iv, result, 0);
    return result;
}

void AesCbcEncryptInPlace(std::string_view key, std::string_view iv, std::string& data,
                          size_t offset) {
    const size_t start = std::min(offset, data.size());
    CheckAesArguments(key, iv, std::string_view(data).substr(start));
    if (data.size() == start) {
        return;
    }
    Cipher cipher(AesAlgorithm(key), GCRY_CIPHER_MODE_CBC, key);
    cipher.SetVector(iv);
    cipher.EncryptInPlace(data.data() + start, data.size() - start);
}

std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data) {
    CheckAesArguments(key, iv, data);
    std::string result(data.size(), '\0');
    if (data.empty()) {
        return result;
    }
    Cipher cipher(AesAlgorithm(key), GCRY_CIPHER_MODE_CBC, key);
    cipher.SetVector(iv);
    cipher.Decrypt(result.data(), data);
    return result;
}

}  // namespace foldant
