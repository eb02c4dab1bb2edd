// RC4 keyed as the base provider keys it, for the build without the platform and the tests.
#include "crypto/rc4.h"

#include "crypto/md5.h"

#include <cstring>

void rc4Crypt(const unsigned char *key, size_t keyLength, unsigned char *buffer, size_t length) {
    unsigned char s[256];
    for (int i = 0; i < 256; i++)
        s[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (unsigned i = 0; i < 256; i++) {
        j = (j + s[i] + key[i % keyLength]) & 0xff;
        unsigned char t = s[i];
        s[i] = s[j];
        s[j] = t;
    }
    unsigned x = 0, y = 0;
    for (size_t n = 0; n < length; n++) {
        x = (x + 1) & 0xff;
        y = (y + s[x]) & 0xff;
        unsigned char t = s[x];
        s[x] = s[y];
        s[y] = t;
        buffer[n] ^= s[(s[x] + s[y]) & 0xff];
    }
}

void rc4KeyFromPassphrase(const char *passphrase, unsigned char key[16]) {
    unsigned char hash[16];
    md5Digest(passphrase, strlen(passphrase), hash);
    memset(key, 0, 16);
    memcpy(key, hash, 5);
}

void rc4CryptWithPassphrase(unsigned char *buffer, size_t length, const char *passphrase) {
    unsigned char key[16];
    rc4KeyFromPassphrase(passphrase, key);
    rc4Crypt(key, sizeof key, buffer, length);
}
