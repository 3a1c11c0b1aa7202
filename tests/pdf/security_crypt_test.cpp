#include <gtest/gtest.h>

#include "pdf/pdf_cipher.h"
#include "pdf/pdf_crypt.h"
#include "security_support.h"

namespace foldant {
namespace {

using testing_security::Hex;
using testing_security::Unhex;

// The primitives come from the cryptography library; these published vectors catch wrong wiring
// (key sizes, the in-place CBC path, the SHA-2 variant chosen by size).
TEST(SecurityCipher, PublishedVectors) {
    EXPECT_EQ(Hex(Md5Digest("abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Hex(Sha2Digest(256, "abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Hex(Sha2Digest(384, "abc")).substr(0, 16), "cb00753f45a35e8b");
    EXPECT_EQ(Hex(Sha2Digest(512, "abc")).substr(0, 16), "ddaf35a193617aba");
    EXPECT_EQ(Hex(Rc4Crypt("Key", "Plaintext")), "bbf316e8d940af0ad3");

    const std::string iv = Unhex("000102030405060708090a0b0c0d0e0f");
    const std::string plain =
        Unhex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51");
    const std::string key128 = Unhex("2b7e151628aed2a6abf7158809cf4f3c");
    const std::string cipher128 = AesCbcEncrypt(key128, iv, plain);
    EXPECT_EQ(Hex(cipher128), "7649abac8119b246cee98e9b12e9197d5086cb9b507219ee95db113a917678b2");
    EXPECT_EQ(AesCbcDecrypt(key128, iv, cipher128), plain);
    const std::string key256 =
        Unhex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    const std::string cipher256 = AesCbcEncrypt(key256, iv, plain);
    EXPECT_EQ(Hex(cipher256), "f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d");
    EXPECT_EQ(AesCbcDecrypt(key256, iv, cipher256), plain);

    EXPECT_THROW(AesCbcEncrypt(key128, iv, "short"), std::invalid_argument);
    EXPECT_THROW(AesCbcEncrypt("bad key", iv, plain), std::invalid_argument);
    EXPECT_THROW(Rc4Crypt("", "x"), std::invalid_argument);
}

TEST(SecurityPermissionWord, ExamplesOfTheLevels) {
    const auto word = [](uint8_t level, uint8_t permissions, uint8_t extras) {
        return static_cast<int32_t>(BuildPermissionWord(level, permissions, extras));
    };
    EXPECT_EQ(word(kLevelRc4_128, 15, 15), -4);
    EXPECT_EQ(word(kLevelRc4_40, 15, 0), -4);
    EXPECT_EQ(word(kLevelRc4_40, 0, 0), -64);
    EXPECT_EQ(word(kLevelRc4_128, 15, 0), -3844);
    EXPECT_EQ(word(kLevelRc4_128, 1, 0), -3900);
    for (uint8_t level : {kLevelRc4_128, kLevelAes128, kLevelAes256, kLevelAes256R6}) {
        EXPECT_EQ(word(level, 0, 0), -3904);
    }
}

TEST(SecurityPermissionWord, EachFlagClearsItsOwnBit) {
    const uint32_t all = BuildPermissionWord(kLevelRc4_128, 15, 15);
    const struct {
        uint8_t permissions;
        uint8_t extras;
        uint32_t bit;
    } cases[] = {{15 & ~1, 15, 4},   {15 & ~4, 15, 8},   {15 & ~2, 15, 16},   {15 & ~8, 15, 32},
                 {15, 15 & ~1, 256}, {15, 15 & ~2, 512}, {15, 15 & ~4, 1024}, {15, 15 & ~8, 2048}};
    for (const auto& c : cases) {
        EXPECT_EQ(BuildPermissionWord(kLevelRc4_128, c.permissions, c.extras), all & ~c.bit)
            << "bit " << c.bit;
    }
    EXPECT_EQ(BuildPermissionWord(kLevelRc4_40, 15, 0), all);
}

TEST(SecurityKeys, PaddedPasswordIsCutAndFilledToThirtyTwoBytes) {
    EXPECT_EQ(Hex(PadPassword("")).substr(0, 8), "28bf4e5e");
    EXPECT_EQ(PadPassword("").size(), 32u);
    EXPECT_EQ(PadPassword("abc").substr(0, 4), std::string("abc\x28", 4));
    EXPECT_EQ(PadPassword(std::string(40, 'x')), std::string(32, 'x'));
}

TEST(SecurityKeys, ObjectKeysDependOnNumberGenerationAndCipher) {
    const std::string key40(5, '\x11');
    const std::string key128(16, '\x22');
    EXPECT_EQ(ObjectKeyFor(key40, 7, 0, false, 2).size(), 10u);
    EXPECT_EQ(ObjectKeyFor(key128, 7, 0, false, 3).size(), 16u);
    EXPECT_NE(ObjectKeyFor(key128, 7, 0, false, 3), ObjectKeyFor(key128, 8, 0, false, 3));
    EXPECT_NE(ObjectKeyFor(key128, 7, 0, false, 3), ObjectKeyFor(key128, 7, 1, false, 3));
    EXPECT_NE(ObjectKeyFor(key128, 7, 0, false, 4), ObjectKeyFor(key128, 7, 0, true, 4));
    // Only the three low bytes of the number enter the key.
    EXPECT_EQ(ObjectKeyFor(key128, 7, 0, false, 3), ObjectKeyFor(key128, 0x1000007, 0, false, 3));
    const std::string key256(32, '\x33');
    EXPECT_EQ(ObjectKeyFor(key256, 7, 0, true, 6), key256);
}

TSmartPDFCrypt CryptAt(uint8_t level) {
    TSmartPDFCrypt crypt;
    crypt.Level = level;
    crypt.PermissionFlags = 1;
    crypt.FileIdentifier = std::string(16, '\x5A');
    crypt.ComputeKeys();
    return crypt;
}

TEST(SecurityKeys, ValuesOfEachLevelHaveTheirSizes) {
    const TSmartPDFCrypt rc4 = CryptAt(kLevelRc4_40);
    EXPECT_EQ(rc4.FileKey.size(), 5u);
    EXPECT_EQ(rc4.OwnerValue.size(), 32u);
    EXPECT_EQ(rc4.UserValue.size(), 32u);
    const TSmartPDFCrypt strong = CryptAt(kLevelRc4_128);
    EXPECT_EQ(strong.FileKey.size(), 16u);
    EXPECT_EQ(strong.UserValue.substr(16), std::string(16, '\0'));
    for (uint8_t level : {kLevelAes256, kLevelAes256R6}) {
        const TSmartPDFCrypt aes = CryptAt(level);
        EXPECT_EQ(aes.FileKey.size(), 32u);
        EXPECT_EQ(aes.OwnerValue.size(), 48u);
        EXPECT_EQ(aes.UserValue.size(), 48u);
        EXPECT_EQ(aes.OwnerKeyValue.size(), 32u);
        EXPECT_EQ(aes.UserKeyValue.size(), 32u);
        EXPECT_EQ(aes.PermsValue.size(), 16u);
        EXPECT_EQ(aes.Encryption.KeyBits, 32);
        const std::string perms = AesCbcDecrypt(aes.FileKey, std::string(16, '\0'), aes.PermsValue);
        EXPECT_EQ(static_cast<int32_t>(
                      static_cast<uint8_t>(perms[0]) | static_cast<uint8_t>(perms[1]) << 8 |
                      static_cast<uint8_t>(perms[2]) << 16 | static_cast<uint8_t>(perms[3]) << 24),
                  -3900);
        EXPECT_EQ(perms.substr(4, 8), "\xFF\xFF\xFF\xFFTadb");
    }
    EXPECT_THROW(CryptAt(4), std::invalid_argument);
}

TEST(SecurityKeys, KeyMaterialIsNewForEveryAes256Setup) {
    const TSmartPDFCrypt first = CryptAt(kLevelAes256);
    const TSmartPDFCrypt second = CryptAt(kLevelAes256);
    EXPECT_NE(first.FileKey, second.FileKey);
    EXPECT_NE(first.UserValue.substr(32), second.UserValue.substr(32));
    EXPECT_NE(first.OwnerValue.substr(32), second.OwnerValue.substr(32));
}

// The reading side recovers, with the empty password, the key the writing side chose.
TEST(SecurityKeys, EmptyPasswordOpensEveryLevel) {
    for (uint8_t level :
         {kLevelRc4_40, kLevelRc4_128, kLevelAes128, kLevelAes256, kLevelAes256R6}) {
        const TSmartPDFCrypt written = CryptAt(level);
        TSmartPDFCrypt read;
        read.Encryption = written.Encryption;
        read.FileIdentifier = written.FileIdentifier;
        ASSERT_TRUE(read.Authenticate("")) << "level " << int(level);
        EXPECT_EQ(read.FileKey, written.FileKey) << "level " << int(level);
        EXPECT_FALSE(read.Authenticate("wrong")) << "level " << int(level);
    }
}

TEST(SecurityKeys, OwnerPasswordOpensWhereTheUserPasswordDiffers) {
    for (uint8_t level : {kLevelRc4_128, kLevelAes256R6}) {
        TSmartPDFCrypt written;
        written.Level = level;
        written.OwnerPassword = "owner";
        written.UserPassword = "user";
        written.ComputeKeys();
        TSmartPDFCrypt read;
        read.Encryption = written.Encryption;
        read.FileIdentifier = written.FileIdentifier;
        EXPECT_FALSE(read.Authenticate(""));
        ASSERT_TRUE(read.Authenticate("owner"));
        EXPECT_EQ(read.FileKey, written.FileKey);
        ASSERT_TRUE(read.Authenticate("user"));
        EXPECT_EQ(read.FileKey, written.FileKey);
    }
}

TEST(SecurityValues, RoundTripAndAesPadding) {
    for (uint8_t level : {kLevelRc4_40, kLevelAes128, kLevelAes256R6}) {
        const TSmartPDFCrypt crypt = CryptAt(level);
        const std::string key = crypt.ObjectKey(12, 0);
        for (const std::string& plain :
             {std::string(), std::string("x"), std::string(16, 'y'), std::string(1000, '\0')}) {
            const std::string cipher = crypt.EncryptValue(key, plain);
            if (crypt.Encryption.UsesAES != 0) {
                EXPECT_EQ(cipher.size(), 16 + (plain.size() / 16 + 1) * 16);
            } else {
                EXPECT_EQ(cipher.size(), plain.size());
            }
            EXPECT_EQ(crypt.DecryptValue(key, cipher), plain);
        }
    }
    const TSmartPDFCrypt aes = CryptAt(kLevelAes128);
    const std::string key = aes.ObjectKey(1, 0);
    EXPECT_NE(aes.EncryptValue(key, "same"), aes.EncryptValue(key, "same"));
    EXPECT_EQ(aes.DecryptValue(key, "too short"), "");
}

}  // namespace
}  // namespace foldant
