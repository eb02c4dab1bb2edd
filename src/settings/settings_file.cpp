// "ini.dat": the settings record, RC4-encrypted, beside the executable.
#include "settings/settings_file.h"

#include "crypto/base_provider.h"

namespace {

const char kPassphrase[] = "vemo";
const char kFileName[] = "ini.dat";
const char kTempFileName[] = "ini.dat.tmp";
const char kBackupFileName[] = "ini.dat.bak";

// Set when "ini.dat" exists but could not be used as it stands: the first save keeps it aside as
// "ini.dat.bak" instead of overwriting what may still be the user's only copy of the accounts.
int g_keepAside;

// moduleDirectory followed by `fileName`, in a 260-byte buffer; 0 when it does not fit.
int settingsPath(char *path, const char *fileName) {
    if (!moduleDirectory(path))
        return 0;
    if (lstrlenA(path) + lstrlenA(fileName) >= MAX_PATH)
        return 0;
    lstrcatA(path, fileName);
    return 1;
}

int writeWholeFile(const char *path, const BYTE *data, DWORD length) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    BOOL ok = WriteFile(file, data, length, &written, NULL) && written == length &&
              FlushFileBuffers(file);
    return CloseHandle(file) && ok;
}

} // namespace

int moduleDirectory(char *directory) {
    char fileName[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, fileName, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    // Cut after the last path separator; walking by characters keeps a double-byte character
    // whose second byte is 0x5C from being taken for a backslash.
    const char *end = fileName;
    for (const char *p = fileName; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':')
            end = p + 1;
    lstrcpynA(directory, fileName, static_cast<int>(end - fileName) + 1);
    return 1;
}

int cryptBuffer(BYTE *buffer, DWORD length, const char *passphrase, int mode) {
    HCRYPTPROV provider = 0;
    if (!acquireBaseProvider(&provider))
        return 0;
    HCRYPTHASH hash = 0;
    HCRYPTKEY key = 0;
    int result = 0;
    if (CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
        CryptHashData(hash, reinterpret_cast<const BYTE *>(passphrase), lstrlenA(passphrase), 0) &&
        CryptDeriveKey(provider, CALG_RC4, hash, CRYPT_EXPORTABLE, &key)) {
        DWORD dataLength = length;
        if (mode == kCryptEncrypt)
            result = CryptEncrypt(key, 0, TRUE, 0, buffer, &dataLength, length) ? 1 : 0;
        else if (mode == kCryptDecrypt)
            result = CryptDecrypt(key, 0, TRUE, 0, buffer, &dataLength) ? 1 : 0;
    }
    if (hash)
        CryptDestroyHash(hash);
    if (key)
        CryptDestroyKey(key);
    CryptReleaseContext(provider, 0);
    return result;
}

int settingsFilePath(char *path) {
    return settingsPath(path, kFileName);
}

// Moves an unusable "ini.dat" to "ini.dat.bak"; 1 when nothing is left that a save would destroy.
static int keepAside(const char *path) {
    char backupPath[MAX_PATH];
    if (!settingsPath(backupPath, kBackupFileName))
        return 0;
    if (!MoveFileExA(path, backupPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) &&
        GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return 0;
    g_keepAside = 0;
    return 1;
}

int saveSettings(const Settings *record) {
    char path[MAX_PATH], tempPath[MAX_PATH];
    if (!settingsPath(path, kFileName) || !settingsPath(tempPath, kTempFileName))
        return 0;
    BYTE *block = static_cast<BYTE *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kSettingsSize));
    if (!block)
        return 0;
    CopyMemory(block, record, kSettingsSize);
    // The new image goes to a file of its own first: "ini.dat" is replaced only by a complete
    // file, so a failing save never costs the user the settings of the last run.
    int ok = cryptBuffer(block, kSettingsSize, kPassphrase, kCryptEncrypt) &&
             writeWholeFile(tempPath, block, kSettingsSize) && (!g_keepAside || keepAside(path)) &&
             MoveFileExA(tempPath, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(tempPath);
    HeapFree(GetProcessHeap(), 0, block);
    return ok;
}

int loadSettings(Settings *record) {
    char path[MAX_PATH];
    if (!settingsPath(path, kFileName))
        return 0;
    HANDLE file =
        CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        g_keepAside = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        return 0;
    }
    g_keepAside = 1; // until the record has been read whole and intact
    BYTE *block = static_cast<BYTE *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kSettingsSize));
    if (!block) {
        CloseHandle(file);
        return 0;
    }
    // RC4 is a stream cipher, so the record is the decrypted front of the file: bytes beyond it
    // need not be read at all, and a shorter file cannot fill the record and is refused.
    DWORD read = 0;
    BOOL ok = ReadFile(file, block, kSettingsSize, &read, NULL) && read == kSettingsSize;
    CloseHandle(file);
    if (ok && cryptBuffer(block, kSettingsSize, kPassphrase, kCryptDecrypt)) {
        CopyMemory(record, block, kSettingsSize);
        g_keepAside = terminateStrings(record);
    } else {
        ok = FALSE;
    }
    HeapFree(GetProcessHeap(), 0, block);
    return ok ? 1 : 0;
}
