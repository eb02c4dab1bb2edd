// "ini.dat" beside the executable: the settings record encrypted with RC4 under a key that
// CryptoAPI derives from the MD5 hash of a fixed passphrase.
#pragma once

#include "settings/settings.h"

#include <windows.h>

const int kCryptEncrypt = 0;
const int kCryptDecrypt = 1;

// Writes the executable's drive and directory, with a trailing backslash, into a 260-byte buffer.
int moduleDirectory(char *directory);

// The full path of "ini.dat" in a 260-byte buffer; 0 when it cannot be made.
int settingsFilePath(char *path);

// Writes the record to "ini.dat". The old file stays as it was unless the new one is complete. A
// file that the last load could not use as it stood (unreadable, short, damaged) is first kept
// aside as "ini.dat.bak"; when that fails, nothing is written.
int saveSettings(const Settings *record);

// Reads "ini.dat" into the record; on 0 the record is unchanged.
int loadSettings(Settings *record);

// Encrypts (kCryptEncrypt) or decrypts (kCryptDecrypt) the buffer in place.
int cryptBuffer(BYTE *buffer, DWORD length, const char *passphrase, int mode);
