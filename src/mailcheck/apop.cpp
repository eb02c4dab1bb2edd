// The APOP login line and its MD5 digest.
#include "mailcheck/apop.h"

#include <cstring>

#ifdef _WIN32
#include "crypto/base_provider.h"
#else
#include "crypto/md5.h"

#include <cstdlib>
#endif

char g_digestText[33];

#ifdef _WIN32

void *allocateBlock(size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

void releaseBlock(void *block) {
    HeapFree(GetProcessHeap(), 0, block);
}

int md5Hex(const char *text) {
    HCRYPTPROV context = 0;
    if (!acquireBaseProvider(&context))
        return 0;
    HCRYPTHASH hash = 0;
    BYTE *value = NULL;
    DWORD size = 0;
    int result = 0;
    if (CryptCreateHash(context, CALG_MD5, 0, 0, &hash) &&
        CryptHashData(hash, reinterpret_cast<const BYTE *>(text), lstrlenA(text), 0) &&
        CryptGetHashParam(hash, HP_HASHVAL, NULL, &size, 0) && size >= 16 &&
        (value = static_cast<BYTE *>(allocateBlock(size))) != NULL &&
        CryptGetHashParam(hash, HP_HASHVAL, value, &size, 0)) {
        wsprintfA(g_digestText, "%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x%02x",
                  value[0], value[1], value[2], value[3], value[4], value[5], value[6], value[7],
                  value[8], value[9], value[10], value[11], value[12], value[13], value[14],
                  value[15]);
        result = 1;
    }
    if (value)
        releaseBlock(value);
    if (hash)
        CryptDestroyHash(hash);
    CryptReleaseContext(context, 0);
    return result;
}

#else

void *allocateBlock(size_t size) {
    return malloc(size);
}

void releaseBlock(void *block) {
    free(block);
}

int md5Hex(const char *text) {
    static const char digits[] = "0123456789abcdef";
    unsigned char digest[16];
    md5Digest(text, strlen(text), digest);
    for (int i = 0; i < 16; i++) {
        g_digestText[2 * i] = digits[digest[i] >> 4];
        g_digestText[2 * i + 1] = digits[digest[i] & 15];
    }
    g_digestText[32] = 0;
    return 1;
}

#endif

char *buildApopCommand(const char *greeting, const char *user, const char *password) {
    const char *open = strrchr(greeting, '<');
    if (!open)
        return NULL;
    const char *close = strrchr(open, '>');
    if (!close)
        return NULL;
    size_t stampLength = static_cast<size_t>(close - open) + 1;
    size_t passwordLength = strlen(password);
    char *input = static_cast<char *>(allocateBlock(stampLength + passwordLength + 1));
    if (!input)
        return NULL;
    memcpy(input, open, stampLength);
    memcpy(input + stampLength, password, passwordLength + 1);
    int hashed = md5Hex(input);
    releaseBlock(input);
    if (!hashed)
        return NULL;

    size_t userLength = strlen(user);
    char *command = static_cast<char *>(allocateBlock(userLength + 41));
    if (!command)
        return NULL;
    char *p = command;
    memcpy(p, "APOP ", 5);
    p += 5;
    memcpy(p, user, userLength);
    p += userLength;
    *p++ = ' ';
    memcpy(p, g_digestText, 32);
    memcpy(p + 32, "\r\n", 3);
    return command;
}
