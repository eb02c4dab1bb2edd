// RC4 without any platform dependency, keyed the way the base CryptoAPI provider keys it, so that
// builds without CryptoAPI read and write the same settings file.
#pragma once
#include <cstddef>

// Encrypts or decrypts (the same operation) `length` bytes in place.
void rc4Crypt(const unsigned char *key, size_t keyLength, unsigned char *buffer, size_t length);

// The 16-byte key that the base provider derives for RC4 from the MD5 hash of the passphrase:
// its default 40-bit key, the hash's first 5 bytes followed by 11 zero bytes.
void rc4KeyFromPassphrase(const char *passphrase, unsigned char key[16]);

// RC4 under the passphrase's derived key, in place.
void rc4CryptWithPassphrase(unsigned char *buffer, size_t length, const char *passphrase);
