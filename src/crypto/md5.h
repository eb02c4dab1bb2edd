// MD5 (RFC 1321) without any platform dependency, for the builds and tests that have no CryptoAPI.
#pragma once
#include <cstddef>

void md5Digest(const void *data, size_t length, unsigned char digest[16]);
