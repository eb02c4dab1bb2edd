// The APOP login line: the MD5 digest of the greeting's timestamp followed by the password.
#pragma once

#include <cstddef>

// 32 lowercase hexadecimal digits and a terminator, rewritten by every md5Hex.
extern char g_digestText[33];

// Writes the MD5 digest of the text's bytes into g_digestText; 1 on success, 0 on failure.
int md5Hex(const char *text);

// "APOP user digest\r\n" for the timestamp of the greeting (from its last "<" to the last ">"
// after it), in a block from allocateBlock that the caller releases; NULL when the greeting has no
// timestamp or memory or the digest fails.
char *buildApopCommand(const char *greeting, const char *user, const char *password);

// Heap blocks: the process heap on Windows, the C library's heap elsewhere.
void *allocateBlock(size_t size);
void releaseBlock(void *block);
