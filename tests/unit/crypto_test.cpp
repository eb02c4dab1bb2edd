#include "crypto/md5.h"
#include "crypto/rc4.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::string hex(const unsigned char *bytes, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < length; i++) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::string md5Of(const std::string &text) {
    unsigned char digest[16];
    md5Digest(text.data(), text.size(), digest);
    return hex(digest, 16);
}

} // namespace

TEST(Md5, MatchesTheRfc1321TestSuite) {
    EXPECT_EQ(md5Of(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5Of("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(md5Of("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(md5Of("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(md5Of("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(md5Of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(md5Of("1234567890123456789012345678901234567890"
                    "1234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PadsCorrectlyAtBlockBoundaries) {
    // 55 bytes leave room for the length in one block; 56 and 64 need a second padding block.
    EXPECT_EQ(md5Of(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
    EXPECT_EQ(md5Of(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(md5Of(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
    EXPECT_EQ(md5Of(std::string(119, 'a')), "8a7bd0732ed6a28ce75f6dabc90e1613");
    EXPECT_EQ(md5Of(std::string(120, 'a')), "5f61c0ccad4cac44c75ff505e1f1e537");
}

TEST(Rc4, MatchesRfc6229ForA40BitKey) {
    const unsigned char key[5] = {1, 2, 3, 4, 5};
    unsigned char stream[32] = {0};
    rc4Crypt(key, sizeof key, stream, sizeof stream);
    EXPECT_EQ(hex(stream, 32), "b2396305f03dc027ccc3524a0a1118a8"
                               "6982944f18fc82d589c403a47a0d0919");
}

TEST(Rc4, DecryptingAnEncryptedBufferRestoresIt) {
    unsigned char buffer[300];
    for (int i = 0; i < 300; i++)
        buffer[i] = static_cast<unsigned char>(i * 7);
    unsigned char original[300];
    memcpy(original, buffer, sizeof buffer);
    rc4CryptWithPassphrase(buffer, sizeof buffer, "vemo");
    EXPECT_NE(memcmp(buffer, original, sizeof buffer), 0);
    rc4CryptWithPassphrase(buffer, sizeof buffer, "vemo");
    EXPECT_EQ(memcmp(buffer, original, sizeof buffer), 0);
}

// The figures below were measured on the platform's base provider.
TEST(Rc4, PassphraseKeyIsTheBaseProvidersFortyBitKey) {
    unsigned char digest[16];
    md5Digest("vemo", 4, digest);
    EXPECT_EQ(hex(digest, 16), "c1294fe792b9b488293f8d03eb1b5770");

    unsigned char key[16];
    rc4KeyFromPassphrase("vemo", key);
    EXPECT_EQ(hex(key, 16), "c1294fe7920000000000000000000000");
}

TEST(Rc4, PassphraseEncryptionMatchesTheBaseProvider) {
    unsigned char buffer[16] = {0};
    rc4CryptWithPassphrase(buffer, sizeof buffer, "vemo");
    EXPECT_EQ(hex(buffer, 16), "8e6627ae1aa573a146e2ce466f832d71");
}
