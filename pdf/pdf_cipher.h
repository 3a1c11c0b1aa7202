#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The published primitives of the standard security handler, over byte strings.

namespace foldant {

inline constexpr size_t kAesBlockSize = 16;

std::string Md5Digest(std::string_view data);
// SHA-256, SHA-384 or SHA-512 by `bits`; any other value counts as 256.
std::string Sha2Digest(int bits, std::string_view data);

// RC4 under a key of 1 to 256 bytes; encryption and decryption are the same operation.
std::string Rc4Crypt(std::string_view key, std::string_view data);

// AES-CBC under a 16- or 32-byte key and a 16-byte vector, without padding: the length of
// `data` must be a multiple of 16. Raises std::invalid_argument otherwise.
std::string AesCbcEncrypt(std::string_view key, std::string_view iv, std::string_view data);
std::string AesCbcDecrypt(std::string_view key, std::string_view iv, std::string_view data);
// Encrypts the bytes of `data` from `offset` to its end in place, sparing a copy of large
// streams; the same conditions apply to their length.
void AesCbcEncryptInPlace(std::string_view key, std::string_view iv, std::string& data,
                          size_t offset);

}  // namespace foldant
