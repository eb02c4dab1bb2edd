#include "crypto/rc4.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string besideExe(const char *name) {
    char directory[MAX_PATH];
    if (!moduleDirectory(directory))
        return name;
    return std::string(directory) + name;
}

std::vector<BYTE> readFile(const std::string &path) {
    std::vector<BYTE> data;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return data;
    BYTE chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof chunk, &read, NULL) && read > 0)
        data.insert(data.end(), chunk, chunk + read);
    CloseHandle(file);
    return data;
}

void writeFile(const std::string &path, const std::vector<BYTE> &data) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, NULL));
    CloseHandle(file);
}

// A record that uses every field, so that a round trip that loses anything shows.
Settings sampleRecord() {
    Settings record;
    applyDefaults(&record);
    lstrcpyA(record.names[0], "会社");
    lstrcpyA(record.servers[0], "pop.example.invalid");
    lstrcpyA(record.users[0], "taro");
    lstrcpyA(record.passwords[0], "表示パス");
    record.apop[0] = 1;
    lstrcpyA(record.names[4], "home");
    lstrcpyA(record.servers[4], "127.0.0.1");
    lstrcpyA(record.users[4], "hanako");
    lstrcpyA(record.passwords[4], "p@ss");
    record.interval = 42;
    record.checkAtStartup = 0;
    record.msgRect = {-300, 20, -100, 70};
    record.msgBackColor = 0x00123456;
    record.msgTextColor = 0x00FFFFFF;
    record.msgFont.lfWeight = 700;
    lstrcpyA(record.mailerPath, "C:\\Program Files\\mail\\mail.exe");
    return record;
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        path = besideExe("ini.dat");
        DeleteFileA(path.c_str());
    }
    void TearDown() override {
        DeleteFileA(path.c_str());
        DeleteFileA(besideExe("ini.dat.tmp").c_str());
        DeleteFileA(besideExe("ini.dat.bak").c_str());
    }
    std::string path;
};

} // namespace

TEST(SettingsCrypt, CryptoApiEncryptionDecryptsWithThePortableRc4) {
    std::vector<BYTE> data(kSettingsSize);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = static_cast<BYTE>(i * 31 + 7);
    std::vector<BYTE> original = data;
    ASSERT_EQ(cryptBuffer(data.data(), static_cast<DWORD>(data.size()), "vemo", kCryptEncrypt), 1);
    EXPECT_NE(data, original);
    rc4CryptWithPassphrase(data.data(), data.size(), "vemo");
    EXPECT_EQ(data, original);
}

TEST(SettingsCrypt, PortableRc4EncryptionDecryptsWithCryptoApi) {
    std::vector<BYTE> data(kSettingsSize);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = static_cast<BYTE>(i * 13 + 1);
    std::vector<BYTE> original = data;
    rc4CryptWithPassphrase(data.data(), data.size(), "vemo");
    ASSERT_EQ(cryptBuffer(data.data(), static_cast<DWORD>(data.size()), "vemo", kCryptDecrypt), 1);
    EXPECT_EQ(data, original);
}

TEST(SettingsCrypt, UnknownModeFailsAndLeavesTheBufferAlone) {
    BYTE data[16] = {1, 2, 3};
    EXPECT_EQ(cryptBuffer(data, sizeof data, "vemo", 2), 0);
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[3], 0);
}

TEST(SettingsDirectory, IsTheExecutablesFolderWithATrailingBackslash) {
    char directory[MAX_PATH];
    ASSERT_EQ(moduleDirectory(directory), 1);
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, MAX_PATH);
    std::string dir = directory;
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    EXPECT_EQ(std::string(exe).substr(0, dir.size()), dir);
    EXPECT_EQ(std::string(exe).find('\\', dir.size()), std::string::npos);
}

TEST_F(SettingsFile, SavedRecordLoadsBackByteIdentical) {
    Settings saved = sampleRecord();
    ASSERT_EQ(saveSettings(&saved), 1);
    EXPECT_EQ(readFile(path).size(), kSettingsSize);

    Settings loaded;
    memset(&loaded, 0, sizeof loaded);
    ASSERT_EQ(loadSettings(&loaded), 1);
    EXPECT_EQ(memcmp(&loaded, &saved, kSettingsSize), 0);
}

TEST_F(SettingsFile, FileIsTheRecordEncryptedAsOneStream) {
    Settings saved = sampleRecord();
    ASSERT_EQ(saveSettings(&saved), 1);
    std::vector<BYTE> image = readFile(path);
    ASSERT_EQ(image.size(), kSettingsSize);
    rc4CryptWithPassphrase(image.data(), image.size(), "vemo");
    EXPECT_EQ(memcmp(image.data(), &saved, kSettingsSize), 0);
}

TEST_F(SettingsFile, LandsBesideTheExecutableWhateverTheCurrentDirectory) {
    char temp[MAX_PATH], previous[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetCurrentDirectoryA(MAX_PATH, previous);
    std::string elsewhere = std::string(temp) + "vemo-cwd-test";
    CreateDirectoryA(elsewhere.c_str(), NULL);
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.c_str()));

    Settings saved = sampleRecord();
    int result = saveSettings(&saved);
    Settings loaded;
    int loadResult = loadSettings(&loaded);
    bool inCurrent = GetFileAttributesA("ini.dat") != INVALID_FILE_ATTRIBUTES;

    SetCurrentDirectoryA(previous);
    RemoveDirectoryA(elsewhere.c_str());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(loadResult, 1);
    EXPECT_FALSE(inCurrent);
    EXPECT_EQ(readFile(path).size(), kSettingsSize);
}

TEST_F(SettingsFile, FlippedFileByteChangesExactlyThatRecordByte) {
    Settings saved = sampleRecord();
    ASSERT_EQ(saveSettings(&saved), 1);
    const size_t offsets[] = {0, 2600, 3220, 3300};
    for (size_t offset : offsets) {
        std::vector<BYTE> image = readFile(path);
        image[offset] ^= 0x5A;
        writeFile(path, image);

        Settings loaded;
        ASSERT_EQ(loadSettings(&loaded), 1);
        const BYTE *a = reinterpret_cast<const BYTE *>(&loaded);
        const BYTE *b = reinterpret_cast<const BYTE *>(&saved);
        for (size_t i = 0; i < kSettingsSize; i++)
            ASSERT_EQ(a[i], i == offset ? BYTE(b[i] ^ 0x5A) : b[i]) << "offset " << i;

        image[offset] ^= 0x5A;
        writeFile(path, image);
    }
}

TEST_F(SettingsFile, MissingFileLeavesTheRecordUnchanged) {
    Settings record = sampleRecord(), before = record;
    EXPECT_EQ(loadSettings(&record), 0);
    EXPECT_EQ(memcmp(&record, &before, kSettingsSize), 0);
}

TEST_F(SettingsFile, ShortFileIsRefusedAndLeftAlone) {
    Settings saved = sampleRecord();
    ASSERT_EQ(saveSettings(&saved), 1);
    std::vector<BYTE> image = readFile(path);
    image.resize(kSettingsSize - 1);
    writeFile(path, image);

    Settings record;
    applyDefaults(&record);
    Settings before = record;
    EXPECT_EQ(loadSettings(&record), 0);
    EXPECT_EQ(memcmp(&record, &before, kSettingsSize), 0);
    EXPECT_EQ(readFile(path), image);
}

TEST_F(SettingsFile, EmptyFileIsRefused) {
    writeFile(path, std::vector<BYTE>());
    Settings record = sampleRecord(), before = record;
    EXPECT_EQ(loadSettings(&record), 0);
    EXPECT_EQ(memcmp(&record, &before, kSettingsSize), 0);
}

TEST_F(SettingsFile, LongerFileUsesItsFirstRecordsWorth) {
    Settings saved = sampleRecord();
    ASSERT_EQ(saveSettings(&saved), 1);
    std::vector<BYTE> image = readFile(path);
    image.insert(image.end(), 5000, 0xEE);
    writeFile(path, image);

    Settings loaded;
    ASSERT_EQ(loadSettings(&loaded), 1);
    EXPECT_EQ(memcmp(&loaded, &saved, kSettingsSize), 0);
}

TEST_F(SettingsFile, DamagedStringsEndInsideTheirArraysAfterLoading) {
    std::vector<BYTE> image(kSettingsSize, 'A');
    rc4CryptWithPassphrase(image.data(), image.size(), "vemo");
    writeFile(path, image);

    Settings loaded;
    ASSERT_EQ(loadSettings(&loaded), 1);
    EXPECT_EQ(lstrlenA(loaded.names[0]), kNameSize - 1);
    EXPECT_EQ(lstrlenA(loaded.servers[4]), kNameSize - 1);
    EXPECT_EQ(lstrlenA(loaded.passwords[2]), kSecretSize - 1);
    EXPECT_EQ(lstrlenA(loaded.users[4]), kSecretSize - 1);
    EXPECT_EQ(lstrlenA(loaded.msgFont.lfFaceName), 31);
    EXPECT_EQ(lstrlenA(loaded.mailerPath), kPathSize - 1);
    EXPECT_EQ(loaded.interval, 0x41414141);
}

TEST_F(SettingsFile, SaveThatCannotReplaceTheFileKeepsTheOldOne) {
    Settings old = sampleRecord();
    ASSERT_EQ(saveSettings(&old), 1);
    std::vector<BYTE> before = readFile(path);

    HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Settings changed = old;
    changed.interval = 5;
    int result = saveSettings(&changed);
    CloseHandle(holder);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(GetFileAttributesA(besideExe("ini.dat.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    Settings loaded;
    ASSERT_EQ(loadSettings(&loaded), 1);
    EXPECT_EQ(loaded.interval, 42);
}

TEST_F(SettingsFile, SaveThatCannotWriteTheNewImageKeepsTheOldOne) {
    Settings old = sampleRecord();
    ASSERT_EQ(saveSettings(&old), 1);
    std::vector<BYTE> before = readFile(path);

    // A folder where the new image would go makes writing it fail.
    std::string blocker = besideExe("ini.dat.tmp");
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), NULL));
    Settings changed = old;
    changed.interval = 5;
    int result = saveSettings(&changed);
    RemoveDirectoryA(blocker.c_str());

    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), before);
}

TEST_F(SettingsFile, SaveReplacesAnExistingFile) {
    Settings first = sampleRecord();
    ASSERT_EQ(saveSettings(&first), 1);
    Settings second = first;
    second.interval = 7;
    lstrcpyA(second.names[0], "");
    ASSERT_EQ(saveSettings(&second), 1);
    Settings loaded;
    ASSERT_EQ(loadSettings(&loaded), 1);
    EXPECT_EQ(memcmp(&loaded, &second, kSettingsSize), 0);
    EXPECT_EQ(GetFileAttributesA(besideExe("ini.dat.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFile, UnusableFileIsKeptAsideBeforeTheFirstSaveOnly) {
    std::vector<BYTE> shortImage(100, 0x42);
    std::vector<BYTE> unterminated(kSettingsSize, 'A'); // decrypts to strings without an end
    rc4CryptWithPassphrase(unterminated.data(), unterminated.size(), "vemo");
    for (const std::vector<BYTE> &image : {shortImage, unterminated}) {
        writeFile(path, image);
        Settings record;
        applyDefaults(&record);
        loadSettings(&record);
        Settings first = sampleRecord();
        ASSERT_EQ(saveSettings(&first), 1);
        EXPECT_EQ(readFile(besideExe("ini.dat.bak")), image);
        Settings loaded;
        ASSERT_EQ(loadSettings(&loaded), 1);
        EXPECT_EQ(memcmp(&loaded, &first, kSettingsSize), 0);

        // Once aside, the backup is not replaced by later saves of the same run.
        Settings second = first;
        second.interval = 3;
        ASSERT_EQ(saveSettings(&second), 1);
        EXPECT_EQ(readFile(besideExe("ini.dat.bak")), image);
        DeleteFileA(besideExe("ini.dat.bak").c_str());
    }
}

TEST_F(SettingsFile, MissingOrIntactFileLeavesNoBackup) {
    Settings record = sampleRecord();
    loadSettings(&record); // no file yet
    ASSERT_EQ(saveSettings(&record), 1);
    ASSERT_EQ(loadSettings(&record), 1);
    ASSERT_EQ(saveSettings(&record), 1);
    EXPECT_EQ(GetFileAttributesA(besideExe("ini.dat.bak").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SettingsFile, UnusableFileThatCannotBeKeptAsideIsNotOverwritten) {
    std::vector<BYTE> shortImage(100, 0x42);
    writeFile(path, shortImage);
    Settings record;
    applyDefaults(&record);
    ASSERT_EQ(loadSettings(&record), 0);
    // A folder in the backup's place makes keeping the old file aside fail.
    std::string blocker = besideExe("ini.dat.bak");
    ASSERT_TRUE(CreateDirectoryA(blocker.c_str(), NULL));
    int result = saveSettings(&record);
    RemoveDirectoryA(blocker.c_str());

    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), shortImage);
    EXPECT_EQ(GetFileAttributesA(besideExe("ini.dat.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}
