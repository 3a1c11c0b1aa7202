#include "pdf/pdf_cipher.h"

#include <nettle/aes.h>
#include <nettle/arcfour.h>
#include <nettle/cbc.h>
#include <nettle/md5.h>
#include <nettle/sha2.h>

#include <algorithm>
#include <stdexcept>

namespace foldant {

namespace {

const uint8_t* Bytes(std::string_view text) {
    return reinterpret_cast<const uint8_t*>(text.data());
}

uint8_t* Bytes(std::string& text) {
    return reinterpret_cast<uint8_t*>(text.data());
}

void CheckAesArguments(std::string_view key, std::string_view iv, std::string_view data) {
    if ((key.size() != AES128_KEY_SIZE && key.size() != AES256_KEY_SIZE) ||
        iv.size() != kAesBlockSize || data.size() % kAesBlockSize != 0) {
        throw std::invalid_argument("AES-CBC: bad key, vector or data length");
    }
}

template <class Context, class Digest>
std::string HashWith(void (*init)(Context*), void (*update)(Context*, size_t, const uint8_t*),
                     Digest digest, size_t size, std::string_view data) {
    Context context;
    init(&context);
    update(&context, data.size(), Bytes(data));
    std::string result(size, '\0');
    digest(&context, size, Bytes(result));
    return result;
}

void Aes128Decrypt(const void* context, size_t length, uint8_t* dst, const uint8_t* src) {
    aes128_decrypt(static_cast<const aes128_ctx*>(context), length, dst, src);
}

void Aes256Decrypt(const void* context, size_t length, uint8_t* dst, const uint8_t* src) {
    aes256_decrypt(static_cast<const aes256_ctx*>(context), length, dst, src);
}

}  // namespace

std::string Md5Digest(std::string_view data) {
    return HashWith<md5_ctx>(md5_init, md5_update, md5_digest, MD5_DIGEST_SIZE, data);
}

std::string Sha2Digest(int bits, std::string_view data) {
    switch (bits) {
        case 384:
            return HashWith<sha384_ctx>(sha384_init, sha512_update, sha384_digest,
                                        SHA384_DIGEST_SIZE, data);
        case 512:
            return HashWith<sha512_ctx>(sha512_init, sha512_update, sha512_digest,
                                        SHA512_DIGEST_SIZE, data);
        default:
            return HashWith<sha256_ctx>(sha256_init, sha256_update, sha256_digest,
                                        SHA256_DIGEST_SIZE, data);
    }
}

std::string Rc4Crypt(std::string_view key, std::string_view data) {
    if (key.empty() || key.size() > ARCFOUR_MAX_KEY_SIZE) {
        throw std::invalid_argument("RC4: bad key length");
    }
    arcfour_ctx context;
    arcfour_set_key(&context, key.size(), Bytes(key));
    std::string result(data.size(), '\0');
    arcfour_crypt(&context, data.size(), Bytes(result), Bytes(data));
    return result;
}

std::string AesCbcEncrypt(std::string_view key, std::string_view iv, std::string_view data) {
    std::string result(data);
    AesCbcEncryptInPlace(key, iv, result, 0);
    return result;
}

void AesCbcEncryptInPlace(std::string_view key, std::string_view iv, std::string& data,
                          size_t offset) {
    const size_t length = offset <= data.size() ? data.size() - offset : 0;
    CheckAesArguments(key, iv, std::string_view(data).substr(std::min(offset, data.size())));
    std::string vector(iv);
    uint8_t* bytes = Bytes(data) + (data.size() - length);
    if (key.size() == AES128_KEY_SIZE) {
        aes128_ctx context;
        aes128_set_encrypt_key(&context, Bytes(key));
        cbc_aes128_encrypt(&context, Bytes(vector), length, bytes, bytes);
    } else {
        aes256_ctx context;
        aes256_set_encrypt_key(&context, Bytes(key));
        cbc_aes256_encrypt(&context, Bytes(vector), length, bytes, bytes);
    }
}

std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data) {
    CheckAesArguments(key, iv, data);
    std::string vector(iv);
    std::string result(data.size(), '\0');
    if (key.size() == AES128_KEY_SIZE) {
        aes128_ctx context;
        aes128_set_decrypt_key(&context, Bytes(key));
        cbc_decrypt(&context, Aes128Decrypt, kAesBlockSize, Bytes(vector), data.size(),
                    Bytes(result), Bytes(data));
    } else {
        aes256_ctx context;
        aes256_set_decrypt_key(&context, Bytes(key));
        cbc_decrypt(&context, Aes256Decrypt, kAesBlockSize, Bytes(vector), data.size(),
                    Bytes(result), Bytes(data));
    }
    return result;
}

}  // namespace foldant
